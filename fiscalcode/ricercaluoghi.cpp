#include "ricercaluoghi.h"

#include <algorithm>
#include <tuple>

#include <QHash>

namespace Fiscale {

namespace {

constexpr int kNome = 20;

} // namespace

std::vector<Luoghi::Luogo> RicercaLuoghi::cerca(const TabellaCodici &tabella, const QString &comune,
                                                const QString &provincia, const QDate &nascita) const
{
    if (!m_pronto) {
        m_pronto = true;
        // A table with the days gives whole names; one without keeps 20 characters of them.
        m_indice = Luoghi::Indice(tabella.conGiorni() ? 0 : kNome);
        // From the last entry back: of the keys of one code, the name it shows comes first.
        for (int i = tabella.numeroVoci() - 1; i >= 0; --i) {
            const TabellaCodici::Voce v = tabella.voce(i);
            m_indice.aggiungi(v.nomeIntero, v.provincia, i);
        }
        Luoghi::Dati dati;
        if (!m_file.isEmpty())
            dati.carica(m_file);
        m_indice.aggiungiAltriNomi(dati);
    }
    std::vector<Luoghi::Luogo> trovati;
    QHash<QString, qsizetype> perCodice;
    for (const Luoghi::Luogo &l : m_indice.cerca(comune, provincia.trimmed())) {
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

} // namespace Fiscale
