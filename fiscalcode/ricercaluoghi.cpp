#include "ricercaluoghi.h"

#include <algorithm>
#include <tuple>

#include <QHash>

namespace Fiscale {

namespace {

constexpr int kNome = 20;

} // namespace

void RicercaLuoghi::prepara(const TabellaCodici &tabella) const
{
    if (m_pronto)
        return;
    m_pronto = true;
    // A table with the days gives whole names; one without keeps 20 characters of them.
    m_indice = Luoghi::Indice(tabella.conGiorni() ? 0 : kNome);
    // From the last entry back: of the keys of one code, the name it shows comes first.
    for (int i = tabella.numeroVoci() - 1; i >= 0; --i) {
        const TabellaCodici::Voce v = tabella.voce(i);
        m_indice.aggiungi(v.nomeIntero, v.provincia, i);
    }
    if (!m_file.isEmpty())
        m_dati.carica(m_file);
    m_indice.aggiungiAltriNomi(m_dati);
}

std::vector<Luoghi::Luogo> RicercaLuoghi::perCodice(const TabellaCodici &tabella,
                                                    const std::vector<Luoghi::Luogo> &luoghi,
                                                    const QDate &nascita) const
{
    std::vector<Luoghi::Luogo> trovati;
    QHash<QString, qsizetype> perCodice;
    for (const Luoghi::Luogo &l : luoghi) {
        const QString codice = tabella.trovacod(l.nome, l.sigla, nascita);
        if (codice == kNonTrovato || perCodice.contains(codice))
            continue;
        perCodice.insert(codice, static_cast<qsizetype>(trovati.size()));
        trovati.push_back(l);
    }
    std::sort(trovati.begin(), trovati.end(), [](const Luoghi::Luogo &a, const Luoghi::Luogo &b) {
        return std::tie(a.nome, a.sigla) < std::tie(b.nome, b.sigla);
    });
    return trovati;
}

std::vector<Luoghi::Luogo> RicercaLuoghi::cerca(const TabellaCodici &tabella, const QString &comune,
                                                const QString &provincia, const QDate &nascita) const
{
    prepara(tabella);
    const QString sigla = provincia.trimmed();
    std::vector<Luoghi::Luogo> luoghi = m_indice.cerca(comune, sigla);
    if (luoghi.empty()) {
        const QString testo = comune.trimmed();
        luoghi = Luoghi::eCap(testo) ? m_indice.perCap(m_dati, testo, sigla) : m_indice.cercaComeScritto(testo, sigla);
    }
    return perCodice(tabella, luoghi, nascita);
}

std::vector<Luoghi::Luogo> RicercaLuoghi::proposte(const TabellaCodici &tabella, const QString &comune,
                                                   const QString &provincia, const QDate &nascita) const
{
    prepara(tabella);
    return perCodice(tabella, m_indice.vicini(comune, provincia.trimmed()), nascita);
}

} // namespace Fiscale
