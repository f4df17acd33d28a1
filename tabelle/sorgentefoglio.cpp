#include "sorgentefoglio.h"

#include <condition_variable>
#include <mutex>
#include <system_error>

namespace Tabelle {

namespace {

// Rows go from the reading thread to the engine a block at a time, and at most kBlocchi blocks wait: the
// sheet is read ahead by a few thousand rows, never more, whatever its size.
constexpr size_t kRighePerBlocco = 256;
constexpr size_t kBlocchi = 8;

} // namespace

struct BloccoRighe {
    std::vector<Fogli::Riga> righe; // the first `usate` are rows; the others keep their room for the next ones
    size_t usate = 0;
    double frazione = 0; // how far the reading had gone at its last row
};

// The bounded queue between the thread that reads the sheet and the engine. Blocks emptied go back to the
// reader, so that their rows keep the room of their cells.
class CodaRighe
{
public:
    // For the reader: a block to fill.
    std::unique_ptr<BloccoRighe> vuoto()
    {
        const std::lock_guard<std::mutex> chiave(m_mutex);
        if (m_vuoti.empty())
            return std::make_unique<BloccoRighe>();
        std::unique_ptr<BloccoRighe> b = std::move(m_vuoti.back());
        m_vuoti.pop_back();
        return b;
    }
    // Waits while kBlocchi blocks wait; false when the engine no longer reads.
    bool consegna(std::unique_ptr<BloccoRighe> blocco)
    {
        std::unique_lock<std::mutex> chiave(m_mutex);
        m_cambiata.wait(chiave, [this] { return m_chiusa || m_pronti.size() < kBlocchi; });
        if (m_chiusa)
            return false;
        m_pronti.push_back(std::move(blocco));
        m_cambiata.notify_all();
        return true;
    }
    void fine(const QString &errore)
    {
        const std::lock_guard<std::mutex> chiave(m_mutex);
        m_fine = true;
        m_errore = errore;
        m_cambiata.notify_all();
    }

    // For the engine: the next block, waiting for it; null after the last (errore() says whether the reading
    // failed).
    std::unique_ptr<BloccoRighe> prendi()
    {
        std::unique_lock<std::mutex> chiave(m_mutex);
        m_cambiata.wait(chiave, [this] { return m_fine || !m_pronti.empty(); });
        if (m_pronti.empty())
            return nullptr;
        std::unique_ptr<BloccoRighe> b = std::move(m_pronti.front());
        m_pronti.pop_front();
        m_cambiata.notify_all();
        return b;
    }
    void restituisci(std::unique_ptr<BloccoRighe> blocco)
    {
        blocco->usate = 0;
        const std::lock_guard<std::mutex> chiave(m_mutex);
        m_vuoti.push_back(std::move(blocco));
    }
    // The engine reads no more: the reader stops at its next block.
    void chiudi()
    {
        const std::lock_guard<std::mutex> chiave(m_mutex);
        m_chiusa = true;
        m_cambiata.notify_all();
    }
    QString errore() const
    {
        const std::lock_guard<std::mutex> chiave(m_mutex);
        return m_errore;
    }

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_cambiata;
    std::deque<std::unique_ptr<BloccoRighe>> m_pronti;
    std::vector<std::unique_ptr<BloccoRighe>> m_vuoti;
    bool m_fine = false, m_chiusa = false;
    QString m_errore;
};

SorgenteFoglio::SorgenteFoglio(bool filo)
    : m_filo(filo)
{}

SorgenteFoglio::~SorgenteFoglio()
{
    if (m_lettura.joinable()) {
        m_coda->chiudi();
        m_lettura.join();
    }
}

bool SorgenteFoglio::apri(const QString &percorso, const QString &foglio)
{
    m_percorso = percorso;
    m_foglio = foglio;
    m_rigaIntestazione = 0;
    m_rilette.clear();
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

bool SorgenteFoglio::foglio(QByteArrayView inizio)
{
    return Fogli::contenitoreDi(inizio) != Fogli::Contenitore::Nessuno;
}

bool SorgenteFoglio::prossima(Fogli::Riga &riga)
{
    if (m_lettore && m_lettore->leggiRiga(riga))
        return true;
    m_errore = m_lettore ? m_lettore->errore() : m_errore;
    return false;
}

// The header: the first row with a cell outside a merged area; a title merged over the columns above it, and
// blank rows, are not part of the table. Merged rows with no such row after them (to the end, or for more
// rows than a title takes) are the table: it starts at the first of them, and the others come again after it,
// blank rows among them in place. The header is left in m_riga.
bool SorgenteFoglio::cercaIntestazione()
{
    constexpr size_t kTitoloMassimo = 100;
    std::deque<Fogli::Riga> unite;
    while (unite.size() <= kTitoloMassimo) {
        if (!prossima(m_riga)) {
            if (!m_errore.isEmpty() || unite.empty())
                return false;
            break;
        }
        if (!m_riga.celle.empty() && !Fogli::rigaUnita(m_riga)) {
            m_rigaIntestazione = m_riga.numero;
            return true;
        }
        if (!unite.empty() || !m_riga.celle.empty())
            unite.push_back(m_riga);
    }
    m_riga = std::move(unite.front());
    unite.pop_front();
    m_rilette = std::move(unite);
    m_rigaIntestazione = m_riga.numero;
    return true;
}

bool SorgenteFoglio::leggi(Riga &riga)
{
    if (!m_trovata) {
        if (!cercaIntestazione())
            return false;
        m_trovata = true;
        m_intestazione = m_riga;
        riga.daFoglio(m_intestazione);
        if (m_filo)
            avvia();
        return true;
    }
    if (!m_rilette.empty()) {
        m_ripresa = std::move(m_rilette.front());
        m_rilette.pop_front();
        riga.daFoglio(m_ripresa);
        return true;
    }
    if (m_filo)
        return dallaCoda(riga);
    if (!prossima(m_riga))
        return false;
    riga.daFoglio(m_riga);
    return true;
}

// The rows after the header are read from here on by a thread of its own; when none can be had, here.
void SorgenteFoglio::avvia()
{
    m_coda = std::make_unique<CodaRighe>();
    try {
        m_lettura = std::thread([this] { produci(); });
    } catch (const std::system_error &) {
        m_filo = false;
        m_coda.reset();
    }
}

// The reading thread: every row to the end of the sheet, or until the engine reads no more.
void SorgenteFoglio::produci()
{
    std::unique_ptr<BloccoRighe> b = m_coda->vuoto();
    for (;;) {
        if (b->usate == b->righe.size())
            b->righe.emplace_back();
        if (!m_lettore->leggiRiga(b->righe[b->usate]))
            break;
        if (++b->usate == kRighePerBlocco) {
            b->frazione = m_lettore->frazione();
            if (!m_coda->consegna(std::move(b)))
                return;
            b = m_coda->vuoto();
        }
    }
    b->frazione = m_lettore->frazione();
    const QString perche = m_lettore->errore();
    if (b->usate > 0 && !m_coda->consegna(std::move(b)))
        return;
    m_coda->fine(perche);
}

bool SorgenteFoglio::dallaCoda(Riga &riga)
{
    while (!m_blocco || m_posto >= m_blocco->usate) {
        if (m_blocco)
            m_coda->restituisci(std::move(m_blocco));
        m_blocco = m_coda->prendi();
        m_posto = 0;
        if (!m_blocco) {
            m_errore = m_coda->errore();
            return false;
        }
    }
    riga.daFoglio(m_blocco->righe[m_posto++]);
    return true;
}

double SorgenteFoglio::frazione() const
{
    if (m_lettura.joinable())
        return m_blocco ? m_blocco->frazione : 0;
    return m_lettore ? m_lettore->frazione() : 0;
}

void SorgenteFoglio::esamina(const std::vector<int> &colonne, const std::function<void(int, QByteArrayView)> &valore,
                             const std::function<bool()> &annullato)
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
    qint64 lette = 0, tutte = 0;
    Fogli::Riga r;
    while (aperte > 0 && lettore->leggiRiga(r)) {
        if ((++tutte & 0xFF) == 0 && annullato && annullato())
            return;
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
                if (s.aperta && s.date > 0 && s.testi == 0) {
                    s.aperta = false;
                    --aperte;
                }
            }
        }
    }
}

} // namespace Tabelle
