#include "sorgentefoglio.h"

namespace Tabelle {

bool SorgenteFoglio::apri(const QString &percorso, const QString &foglio)
{
    m_percorso = percorso;
    m_foglio = foglio;
    m_rigaIntestazione = 0;
    m_tenute.clear();
    m_lettore = nuovoLettore(&m_errore);
    if (!m_lettore)
        return false;
    if (!m_lettore->apri(percorso, foglio)) {
        m_errore = m_lettore->errore();
        return false;
    }
    return true;
}

std::unique_ptr<Fogli::Lettore> SorgenteFoglio::nuovoLettore(QString *errore)
{
    const Fogli::Libreria *libreria = Fogli::libreria(errore);
    return libreria ? libreria->lettore() : nullptr;
}

bool SorgenteFoglio::prossima(Fogli::Riga &riga)
{
    if (!m_tenute.empty()) {
        riga = std::move(m_tenute.front());
        m_tenute.pop_front();
        return true;
    }
    if (m_lettore && m_lettore->leggiRiga(riga))
        return true;
    m_errore = m_lettore ? m_lettore->errore() : m_errore;
    return false;
}

void SorgenteFoglio::riempi(Csv::Riga &riga)
{
    riga.numero = m_riga.numero;
    riga.copiabile = false;
    riga.valida = true;
    riga.troppoLunga = false;
    riga.grezza = QByteArrayView();
    riga.vuota = m_riga.celle.empty();
    riga.campi.clear();
    if (m_testi.size() < m_riga.celle.size())
        m_testi.resize(m_riga.celle.size());
    for (size_t i = 0; i < m_riga.celle.size(); ++i) {
        m_testi[i] = Fogli::testoVisibile(m_riga.celle[i]).toUtf8();
        riga.campi.emplace_back(m_testi[i]);
    }
}

// The header: the first row with a cell outside a merged area; a title merged over the columns above it, and
// blank rows, are not part of the table. Merged rows with no such row after them (to the end, or for more
// rows than a title takes) are the table: it starts at the first of them, and the others come again after it,
// blank rows among them in place.
bool SorgenteFoglio::intestazione()
{
    constexpr size_t kTitoloMassimo = 100;
    std::deque<Fogli::Riga> unite;
    while (unite.size() <= kTitoloMassimo) {
        if (!prossima(m_riga)) {
            if (!m_errore.isEmpty() || unite.empty())
                return false;
            break;
        }
        if (!m_riga.celle.empty() && !Fogli::rigaUnita(m_riga))
            return true;
        if (!unite.empty() || !m_riga.celle.empty())
            unite.push_back(m_riga);
    }
    m_riga = std::move(unite.front());
    unite.pop_front();
    m_tenute = std::move(unite);
    return true;
}

bool SorgenteFoglio::leggi(Csv::Riga &riga)
{
    if (m_rigaIntestazione == 0) {
        if (!intestazione())
            return false;
        m_rigaIntestazione = m_riga.numero;
        riempi(riga);
        return true;
    }
    if (!prossima(m_riga))
        return false;
    riempi(riga);
    return true;
}

void SorgenteFoglio::esamina(const std::vector<int> &colonne, const std::function<void(int, QByteArrayView)> &valore)
{
    if (colonne.empty())
        return;
    const std::unique_ptr<Fogli::Lettore> lettore = nuovoLettore(nullptr);
    if (!lettore)
        return; // the reading proper tells why
    lettore->impostaAreeUnite(false);
    if (!lettore->apri(m_percorso, m_foglio))
        return;
    // A column whose first values are all date cells is a column of dates: it is not read further (a text
    // date lower down is read day first, as Italian sheets write it). Any other column is read to the end,
    // as a CSV column is, to decide the order of its text dates. This saves reading the sheet twice in the
    // common case.
    struct Stato {
        qint64 date = 0, testi = 0;
        bool aperta = true;
    };
    std::vector<Stato> stati(colonne.size());
    size_t aperte = colonne.size();
    qint64 lette = 0;
    Fogli::Riga r;
    while (aperte > 0 && lettore->leggiRiga(r)) {
        if (r.numero <= m_rigaIntestazione)
            continue;
        for (size_t k = 0; k < colonne.size(); ++k) {
            const auto p = static_cast<size_t>(colonne[k]);
            if (!stati[k].aperta || p >= r.celle.size() || r.celle[p].vuota())
                continue;
            if (r.celle[p].tipo == Fogli::TipoCella::Data) {
                ++stati[k].date;
                continue;
            }
            ++stati[k].testi;
            const QByteArray testo = Fogli::testoVisibile(r.celle[p]).toUtf8();
            valore(static_cast<int>(k), testo);
        }
        if (++lette == kCampione) {
            for (Stato &s : stati) {
                if (s.date > 0 && s.testi == 0) {
                    s.aperta = false;
                    --aperte;
                }
            }
        }
    }
}

} // namespace Tabelle
