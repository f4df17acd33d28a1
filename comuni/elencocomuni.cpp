#include "elencocomuni.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "cp1252.h"
#include "errorifile.h"

namespace ElencoComuni {

namespace {

// Group of each letter A..Z; K, W, X and Y have none.
constexpr signed char kGruppoLettera[26] = {
    0, 1,  2,  3,  4,  4,  5,  6,  6,  6,  -1, 7,  8,  // A-M
    9, 10, 11, 12, 13, 14, 15, 16, 17, -1, -1, -1, 18, // N-Z
};

// Picture 2 to 21: not in alphabetical order ("BASILICATA" is 7).
constexpr const char *kRegioni[kFigure - 1] = {
    "ABRUZZO",
    "CALABRIA",
    "CAMPANIA",
    "EMILIA ROMAGNA",
    "FRIULI VENEZIA GIULIA",
    "BASILICATA",
    "LAZIO",
    "LIGURIA",
    "LOMBARDIA",
    "MARCHE",
    "MOLISE",
    "PIEMONTE",
    "PUGLIA",
    "SARDEGNA",
    "SICILIA",
    "TOSCANA",
    "TRENTINO ALTO ADIGE",
    "UMBRIA",
    "VALLE D'AOSTA",
    "VENETO",
};

QString decodifica(const char *inizio, qsizetype lunghezza)
{
    static const auto tabella = [] {
        std::array<QChar, 256> t{};
        for (int b = 0; b < 256; ++b)
            t[b] = Cp1252::decodificaByte(static_cast<unsigned char>(b));
        return t;
    }();
    if (lunghezza <= 0)
        return QString();
    QString testo(lunghezza, Qt::Uninitialized);
    QChar *out = testo.data();
    for (qsizetype i = 0; i < lunghezza; ++i)
        out[i] = tabella[static_cast<unsigned char>(inizio[i])];
    return testo;
}

// Gathers the texts of one column while the lines are read: each distinct byte sequence is decoded once.
// The distinct texts of a column (a few hundred, a few thousand postal codes) are found again through a
// small open-addressing table on a hash of their bytes that needs no seed, so the load costs the same in
// every process (Qt's seeded byte hash, five times a line, was most of it).
class Raccolta final
{
public:
    explicit Raccolta(Colonna &colonna)
        : m_colonna(colonna)
        , m_posti(256, 0)
        , m_chiavi(1)
    {}

    void metti(int slot, QByteArrayView byte)
    {
        if (byte.isEmpty())
            return;
        // No column is wider than 19 characters; a longer text is stored under a key that matches none.
        if (byte.size() > kMassimo) {
            m_colonna.imposta(slot, aggiungi(Chiave{{~0ull, ~0ull, ~0ull}}, byte));
            return;
        }
        const Chiave chiave = Chiave::di(byte);
        const size_t maschera = m_posti.size() - 1;
        size_t i = chiave.impronta() & maschera;
        for (int prove = 0; prove < kProve; ++prove, i = (i + 1) & maschera) {
            const quint16 numero = m_posti[i];
            if (numero == 0) {
                m_posti[i] = aggiungi(chiave, byte);
                m_colonna.imposta(slot, m_posti[i]);
                if (m_chiavi.size() * 2 > m_posti.size())
                    raddoppia();
                return;
            }
            if (m_chiavi[numero] == chiave) {
                m_colonna.imposta(slot, numero);
                return;
            }
        }
        // A run of colliding texts (only a file made for it has one): the text is stored once more rather
        // than searched for any longer.
        m_colonna.imposta(slot, aggiungi(chiave, byte));
    }

private:
    static constexpr qsizetype kMassimo = 19;
    static constexpr int kProve = 32;

    // Up to 19 bytes padded with zeros, and their number in the last byte.
    struct Chiave {
        quint64 parole[3];

        // Whole words are loaded at once and the rest byte by byte, in registers: a copy of the text's
        // own length into the key followed by word loads would stall on every line.
        static Chiave di(QByteArrayView byte)
        {
            const auto *p = reinterpret_cast<const uchar *>(byte.data());
            const qsizetype n = byte.size();
            return Chiave{{parola(p, n, 0), parola(p, n, 8), parola(p, n, 16) | static_cast<quint64>(n) << 56}};
        }
        // Bytes `da` to `da + 7` of the text, those it has.
        static quint64 parola(const uchar *p, qsizetype n, qsizetype da)
        {
            quint64 w = 0;
            if (n - da >= 8) {
                std::memcpy(&w, p + da, 8);
                return w;
            }
            for (qsizetype i = n; i-- > da;)
                w = (w << 8) | p[i];
            return w;
        }
        bool operator==(const Chiave &altra) const
        {
            return parole[0] == altra.parole[0] && parole[1] == altra.parole[1] && parole[2] == altra.parole[2];
        }
        size_t impronta() const
        {
            quint64 h = parole[0] * 0x9E3779B97F4A7C15ull;
            h = (h ^ (h >> 29) ^ parole[1]) * 0xBF58476D1CE4E5B9ull;
            h = (h ^ (h >> 32) ^ parole[2]) * 0x94D049BB133111EBull;
            return static_cast<size_t>(h >> 32);
        }
    };

    // The text's number in the column; its key is kept under the same number.
    quint16 aggiungi(const Chiave &chiave, QByteArrayView byte)
    {
        m_chiavi.push_back(chiave);
        return m_colonna.aggiungi(decodifica(byte.data(), byte.size()));
    }

    void raddoppia()
    {
        m_posti.assign(m_posti.size() * 2, 0);
        const size_t maschera = m_posti.size() - 1;
        for (size_t numero = 1; numero < m_chiavi.size(); ++numero) {
            size_t i = m_chiavi[numero].impronta() & maschera;
            while (m_posti[i] != 0)
                i = (i + 1) & maschera;
            m_posti[i] = static_cast<quint16>(numero);
        }
    }

    Colonna &m_colonna;
    std::vector<quint16> m_posti; // text numbers, 0 for a free place; at most half of them taken
    std::vector<Chiave> m_chiavi; // by text number, as the column numbers its texts (0 unused)
};

// The first CR or LF at or after a position. The next CR and the next LF are each found with memchr and
// kept until the reader passes them, so the bytes are scanned once whatever the line ends.
class FineRiga final
{
public:
    FineRiga(const char *dati, qsizetype totale)
        : m_dati(dati)
        , m_totale(totale)
    {}

    qsizetype da(qsizetype pos)
    {
        if (m_cr < pos)
            m_cr = cerca('\r', pos);
        if (m_lf < pos)
            m_lf = cerca('\n', pos);
        return qMin(m_cr, m_lf);
    }

private:
    qsizetype cerca(char c, qsizetype pos) const
    {
        const void *trovato = std::memchr(m_dati + pos, c, static_cast<size_t>(m_totale - pos));
        return trovato ? static_cast<const char *>(trovato) - m_dati : m_totale;
    }

    const char *m_dati;
    qsizetype m_totale;
    qsizetype m_cr = -1;
    qsizetype m_lf = -1;
};

// Characters `da` (from 1) to `da + quanti - 1` of a line, or what of them the line has.
QByteArrayView colonne(const char *riga, qsizetype lunghezza, qsizetype da, qsizetype quanti)
{
    if (da > lunghezza)
        return {};
    return QByteArrayView(riga + da - 1, qMin(quanti, lunghezza - da + 1));
}

} // namespace

Colonna::Colonna()
    : m_testi{QString()}
    , m_slot(kCapienza, 0)
{}

const QString &Colonna::operator[](int i) const
{
    if (i < 0 || i >= kCapienza)
        return m_testi[0];
    return m_testi[m_slot[i]];
}

quint16 Colonna::aggiungi(const QString &testo)
{
    m_testi.append(testo);
    return static_cast<quint16>(m_testi.size() - 1);
}

int gruppo(QChar iniziale)
{
    const char16_t u = iniziale.unicode();
    if (u < 'A' || u > 'Z')
        return -1;
    return kGruppoLettera[u - 'A'];
}

QString togliSpazi(const QString &testo)
{
    qsizetype inizio = 0;
    qsizetype fine = testo.size();
    while (inizio < fine && testo[inizio] == QLatin1Char(' '))
        ++inizio;
    while (fine > inizio && testo[fine - 1] == QLatin1Char(' '))
        --fine;
    if (inizio == 0 && fine == testo.size())
        return testo;
    return testo.mid(inizio, fine - inizio);
}

Elenco leggi(const QByteArray &dati, bool interi)
{
    Elenco elenco;
    elenco.nomi.reserve(qMin<qsizetype>(kCapienza, dati.size() / 40 + 1));
    const char *d = dati.constData();
    const qsizetype totale = dati.size();
    Raccolta cap(elenco.elencocap), sigle(elenco.elencosigle), province(elenco.elencoprovince),
        regioni(elenco.elencoregioni), prefissi(elenco.elencoprefissi);
    FineRiga fineRiga(d, totale);
    qsizetype pos = 0;
    for (int n = 0; pos < totale; ++n) {
        // A line ends at CR LF; a lone CR or LF ends it too, so that a file saved with other line ends
        // still loads.
        const qsizetype fine = fineRiga.da(pos);
        qsizetype dopo = fine;
        if (dopo < totale && d[dopo] == '\r')
            ++dopo;
        if (dopo < totale && d[dopo] == '\n' && (dopo == fine || d[fine] == '\r'))
            ++dopo;
        const bool terminata = dopo > fine;
        // The read that reaches the end of the file is never stored; after a read failure the bytes stop
        // early, and only their unfinished last line is lost.
        if (interi ? dopo >= totale : !terminata)
            break;

        const char *riga = d + pos;
        const qsizetype lunghezza = fine - pos;
        pos = dopo;

        qsizetype fInizio = 0;
        qsizetype fFine = qMin<qsizetype>(40, lunghezza);
        while (fInizio < fFine && riga[fInizio] == ' ')
            ++fInizio;
        while (fFine > fInizio && riga[fFine - 1] == ' ')
            --fFine;
        if (fFine - fInizio < 5 || n >= kCapienza)
            break;

        qsizetype nomeFine = fFine - 5;
        while (nomeFine > fInizio && riga[nomeFine - 1] == ' ')
            --nomeFine;
        elenco.nomi.append(decodifica(riga + fInizio, nomeFine - fInizio));
        sigle.metti(n, QByteArrayView(riga + fFine - 3, 2));
        cap.metti(n, QByteArrayView(riga + qMax<qsizetype>(0, lunghezza - 5), qMin<qsizetype>(5, lunghezza)));
        prefissi.metti(n, colonne(riga, lunghezza, 80, 4));
        regioni.metti(n, colonne(riga, lunghezza, 61, 19));
        province.metti(n, colonne(riga, lunghezza, 42, 18));
    }

    // The blocks come from the list itself, so that any list in initial order is searched in full.
    for (int i = 0; i < elenco.nomi.size(); ++i) {
        const QString &nome = elenco.nomi[i];
        const int g = nome.isEmpty() ? -1 : gruppo(nome[0]);
        if (g < 0)
            continue;
        Blocco &blocco = elenco.blocchi[g];
        if (blocco.vuoto())
            blocco.primo = i;
        blocco.ultimo = i;
    }
    return elenco;
}

Caricamento caricacomuni(const QString &percorso)
{
    Caricamento caricamento;
    const ErroriFile::Lettura lettura = ErroriFile::leggiFile(percorso, kLimiteFile);
    // A directory in the file's place opens but cannot be read as a file: a failure of the opening.
    if (!lettura.aperto || lettura.errore == ErroriFile::AccessoNegato) {
        caricamento.errore = lettura.errore ? lettura.errore : ErroriFile::ErroreIO;
        return caricamento;
    }
    caricamento.elenco = leggi(lettura.dati, lettura.errore == 0);
    return caricamento;
}

QStringList voci(const Elenco &elenco)
{
    // The names that repeat, found through an open-addressing table of first positions on a hash that
    // needs no seed: the list is made each time the window opens.
    const qsizetype quanti = elenco.nomi.size();
    size_t posti = 16;
    while (posti < static_cast<size_t>(quanti) * 2)
        posti *= 2;
    const size_t maschera = posti - 1;
    std::vector<int> tabella(posti, -1);
    std::vector<bool> ripetuto(static_cast<size_t>(quanti), false);
    bool ripetuti = false;
    for (int i = 0; i < quanti; ++i) {
        const QString &nome = elenco.nomi[i];
        quint32 h = 2166136261u;
        for (const QChar c : nome)
            h = (h ^ c.unicode()) * 16777619u;
        for (size_t p = (h ^ (h >> 15)) & maschera;; p = (p + 1) & maschera) {
            const int primo = tabella[p];
            if (primo < 0) {
                tabella[p] = i;
                break;
            }
            if (elenco.nomi[primo] == nome) {
                ripetuto[static_cast<size_t>(primo)] = ripetuto[static_cast<size_t>(i)] = ripetuti = true;
                break;
            }
        }
    }
    QStringList voci = elenco.nomi;
    if (!ripetuti)
        return voci;
    for (int i = 0; i < quanti; ++i) {
        if (ripetuto[static_cast<size_t>(i)])
            voci[i] += QStringLiteral(" (") + elenco.elencosigle[i] + QLatin1Char(')');
    }
    return voci;
}

Ricerca cerca(const Elenco &elenco, const QString &testo)
{
    if (testo.isEmpty())
        return {};
    const QString tutto = togliSpazi(Cp1252::maiuscole(testo));
    if (tutto.isEmpty())
        return {};
    const int g = gruppo(tutto[0]);
    if (g < 0)
        return {Esito::NonTrovato, -1};
    const QString chiave = togliSpazi(Cp1252::maiuscole(testo.left(40)));
    // Text that begins with 40 spaces has an initial but no name to compare: it matches nothing, not even
    // an entry with an empty name.
    if (chiave.isEmpty())
        return {Esito::NonTrovato, -1};
    const Blocco &blocco = elenco.blocchi[g];
    const int ultimo = qMin<int>(blocco.ultimo, static_cast<int>(elenco.nomi.size()) - 1);
    for (int i = blocco.primo; i <= ultimo; ++i) {
        if (elenco.nomi[i] == chiave)
            return {Esito::Trovato, i};
    }
    return {Esito::NonTrovato, -1};
}

QString regioneIntera(const QString &regione)
{
    if (regione.size() == 19 && regione.toLower() == QLatin1String("friuli venezia giul"))
        return QStringLiteral("FRIULI VENEZIA GIULIA");
    return regione;
}

Dettagli dettagli(const Elenco &elenco, int posizione)
{
    if (posizione < 0 || posizione >= kCapienza)
        return {};
    return {elenco.elencocap[posizione], elenco.elencosigle[posizione], elenco.elencoprovince[posizione],
            regioneIntera(elenco.elencoregioni[posizione]), elenco.elencoprefissi[posizione]};
}

int figuraRegione(const QString &regione)
{
    const QString r = togliSpazi(regione);
    if (r.isEmpty())
        return 1;
    for (int i = 0; i < kFigure - 1; ++i) {
        if (r == QLatin1String(kRegioni[i]))
            return i + 2;
    }
    return 0;
}

const Luoghi::Dati &RicercaTollerante::dati() const
{
    if (!m_datiLetti) {
        m_datiLetti = true;
        if (!m_file.isEmpty())
            m_dati.carica(m_file);
    }
    return m_dati;
}

std::vector<int> RicercaTollerante::perCap(const Elenco &elenco, const QString &cap) const
{
    std::vector<int> posizioni;
    for (const Luoghi::Luogo &l : dati().perCap(cap)) {
        for (int i = 0; i < elenco.nomi.size(); ++i) {
            if (elenco.nomi[i] == l.nome && elenco.elencosigle[i] == l.sigla) {
                posizioni.push_back(i);
                break;
            }
        }
    }
    std::sort(posizioni.begin(), posizioni.end());
    posizioni.erase(std::unique(posizioni.begin(), posizioni.end()), posizioni.end());
    return posizioni;
}

const Luoghi::Indice &RicercaTollerante::indice(const Elenco &elenco) const
{
    if (!m_indicePronto) {
        m_indicePronto = true;
        for (int i = 0; i < elenco.nomi.size(); ++i)
            m_indice.aggiungi(elenco.nomi[i], elenco.elencosigle[i], i);
        m_indice.aggiungiAltriNomi(dati());
    }
    return m_indice;
}

namespace {

std::vector<int> posizioni(const std::vector<Luoghi::Luogo> &luoghi)
{
    std::vector<int> p;
    p.reserve(luoghi.size());
    for (const Luoghi::Luogo &l : luoghi)
        p.push_back(l.dato);
    std::sort(p.begin(), p.end());
    return p;
}

} // namespace

std::vector<int> RicercaTollerante::cerca(const Elenco &elenco, const QString &testo, const QString &sigla) const
{
    const QString t = testo.trimmed();
    if (Luoghi::eCap(t)) {
        std::vector<int> trovate;
        for (int i : perCap(elenco, t)) {
            if (sigla.isEmpty() || elenco.elencosigle[i] == sigla)
                trovate.push_back(i);
        }
        return trovate;
    }
    const Luoghi::Indice &i = indice(elenco);
    std::vector<Luoghi::Luogo> luoghi = i.cerca(t, sigla);
    if (luoghi.empty())
        luoghi = i.cercaComeScritto(t, sigla);
    return posizioni(luoghi);
}

std::vector<int> RicercaTollerante::proposte(const Elenco &elenco, const QString &testo, const QString &sigla) const
{
    return posizioni(indice(elenco).vicini(testo.trimmed(), sigla));
}

} // namespace ElencoComuni
