#include "elencocomuni.h"

#include <QHash>

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
class Raccolta final
{
public:
    // The bytes given to metti must outlive the object: the keys point into them.
    explicit Raccolta(Colonna &colonna)
        : m_colonna(colonna)
    {}

    void metti(int slot, QByteArrayView byte)
    {
        if (byte.isEmpty())
            return;
        auto trovato = m_numeri.constFind(byte);
        if (trovato == m_numeri.cend())
            trovato = m_numeri.insert(byte, m_colonna.aggiungi(decodifica(byte.data(), byte.size())));
        m_colonna.imposta(slot, *trovato);
    }

private:
    Colonna &m_colonna;
    QHash<QByteArrayView, quint16> m_numeri;
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
    qsizetype pos = 0;
    for (int n = 0; pos < totale; ++n) {
        // A line ends at CR LF; a lone CR or LF ends it too, so that a file saved with other line ends
        // still loads.
        qsizetype fine = pos;
        while (fine < totale && d[fine] != '\r' && d[fine] != '\n')
            ++fine;
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

} // namespace ElencoComuni
