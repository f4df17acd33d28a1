#pragma once

#include <algorithm>
#include <limits>
#include <optional>
#include <vector>

#include <QByteArray>
#include <QByteArrayView>
#include <QDate>
#include <QString>
#include <QStringView>

#include "province.h"

// The table of municipalities with their province and cadastral code, read from codes.cf: fixed records
// of 32 Windows-1252 characters (name 20, province 2, code 4, then 6 more holding the line end), ended by
// the record named "END" or by the end of the file.
//
// The four characters after the code are the last year of validity of the entry's name ("2014"), blank
// for an entry valid today; for a name that ended on 31 December, the year after it, since the name was
// still valid on that day. A name and province that had two codes over time (BELLAGIO CO: A744 until 3
// February 2014, M335 since) has one entry per code.
//
// After the END record the file may carry the days of its entries, which readers of the records alone never
// see: a line "#PERIODI 1", then one line per entry, in the order of the entries, "first;last;marks;
// successor;whole name" (first and last day as YYYYMMDD, 00000000 for a name there before the archive tells
// of it, 99991231 for one that lasts; marks T for the province of the time, A for an end known by its year
// only, C for a foreign code that ceased on a day not known; the code that took the place over when the
// name's end ended its municipality; the whole name of a name cut to 20), then a line "#PROVINCE" and the
// province names (Province). Every province sigla a municipality ever had is a key of its names, with the
// days of each name. A file whose days are missing or damaged is read as one without them.
//
// With the days, a lookup for a birth date answers the entry of the key whose name was valid on that day,
// or else one whose code existed that day under another name (ABANO TERME for a birth in 1920, when it was
// ABANO); of several, one with the province of the time, then the one that ends first, then the later in
// the file; none when the place did not exist that day. A name typed longer than 20 characters must equal
// the whole name of the entry. Without the days, a year decides: among the entries of the key whose year is
// later than the birth year (blank counting as later than any), the one whose year comes first (a year
// cannot tell a birth before the change day from one after it), and the last entry in file order when
// none is or the key has one entry. Without a date, the last entry in file order answers.
namespace Fiscale {

inline constexpr int kLunghezzaRecord = 32;
// Slots 0 to 20000: the end record needs a slot of its own, so at most 20000 entries precede it.
inline constexpr int kSlot = 20001;
inline constexpr QStringView kNonTrovato = u"*NOTFOUND*";

// Days as numbers YYYYMMDD, so that they compare as the days do: 0 for none (or a first day before the
// archive), kSempre for a last day still to come.
inline constexpr int kSempre = 99991231;
// A year outside 1 to 9999 counts as its end of the range: before or after every day the table knows.
inline int giornoDi(int anno, int mese, int giorno)
{
    return std::clamp(anno, 1, 9999) * 10000 + mese * 100 + giorno;
}
inline int giornoDi(const QDate &data)
{
    return data.isValid() ? giornoDi(data.year(), data.month(), data.day()) : 0;
}
QDate dataDi(int giorno);

// The days of an entry's name.
struct Periodo {
    enum Segno : quint8 {
        DelTempo = 1, // the province was the name's own for some of that time, not one of its code's others
        SoloAnno = 2, // the end is known by its year only: the last day is the year's last
        Cessato = 4,  // a foreign code that ceased on a day not known (its last day is kSempre)
    };
    int primo = 0;
    int ultimo = kSempre;
    quint8 segni = 0;
};

class TabellaCodici
{
public:
    struct Voce {
        QString nome; // the name as the record holds it, 20 characters at most
        QString provincia;
        QString codice;
        int annoFine = 0;    // last year of validity (see above), 0 when valid today
        QString nomeIntero;  // the whole name: the record's, or the longer one the days give
        Periodo periodo;     // without the days: from no day to the year's end
        QString successore;  // the code that took the place over, empty when not known
    };

    // Reads the file into a fresh table. Returns 0, or the error number (ErroriFile): 62 when the file
    // ends inside a record, 9 when a record would need slot 20001, the number of a failed open or read.
    // After a failed read (71, 72...) the entries read before it stay and are searched, without days.
    int carica(const QString &percorso);

    // The same from bytes already read; `erroreLettura` is the error that stopped the reading after them.
    int analizza(const QByteArray &dati, int erroreLettura = 0);

    // The code of the last entry, in file order, whose name equals the first 20 characters of Comune and
    // whose province equals Provincia, both upper-cased and compared exactly; "*NOTFOUND*" if none.
    QString trovacod(const QString &Comune, const QString &Provincia) const;
    // The same for a person born on DataNascita, the code of that day (see above); "*NOTFOUND*" also when
    // the place did not exist on that day. A null date looks up as the overload without one.
    QString trovacod(const QString &Comune, const QString &Provincia, const QDate &DataNascita) const;
    // The same lookup on keys already upper-cased and in Windows-1252 bytes, for callers that read bytes;
    // `giorno` as giornoDi gives it, 0 looks up as without a date of birth.
    std::optional<QByteArrayView> trovacodByte(QByteArrayView Comune, QByteArrayView Provincia, int giorno) const;

    // Entries that lookups search (also those read before a failure).
    int numeroVoci() const { return m_voci; }
    Voce voce(int indice) const;
    // The last year of validity of an entry, 0 when its four characters are not a year (valid today).
    int annoFine(int voce) const;
    // The entry count, stored only once the whole file has been read.
    std::optional<int> conteggio() const { return m_conteggio; }
    // Whether the file carries the days of its entries.
    bool conGiorni() const { return !m_giorni.empty(); }

    // The lookup on bytes: the entry of the name (as typed, cut to 20 characters for the key; the whole
    // name when it is longer) and province, compared exactly (no upper-casing), chosen as trovacod chooses
    // it for a birth day (0: no date); -1 if none.
    int cerca(QByteArrayView nome, QByteArrayView provincia, int giorno = 0) const;
    // Every entry of that name and province, and of that name in any province, in file order.
    std::vector<int> voci(QByteArrayView nome, QByteArrayView provincia) const;
    std::vector<int> vociDelNome(QByteArrayView nome) const;
    // The fields of an entry as bytes of the file, without the spaces around them.
    QByteArrayView nome(int voce) const;
    QByteArrayView provincia(int voce) const;
    QByteArrayView codice(int voce) const;
    Periodo periodo(int voce) const;
    QByteArrayView nomeIntero(int voce) const;
    QByteArrayView successore(int voce) const;
    // The last entry in file order of a code ("A744"), the one whose name a decoded code shows; -1 for none.
    int ultimaDelCodice(QByteArrayView codice) const;
    // The entry of the same code before this one in file order, -1 for none (always -1 without the days).
    int precedenteDelCodice(int voce) const;
    // Whether a code (that of the entry) existed on a day under any of its names. Without the days, whether
    // the entry's year allows it.
    bool esisteIl(int voce, int giorno) const;

    // The province names of the file (empty without the days).
    const Province &province() const { return m_province; }

private:
    QByteArrayView campo(int voce, int inizio, int lunghezza) const;
    void costruisciIndice();
    void leggiGiorni(qsizetype inizio);
    void costruisciIndiceCodici();
    int precedente(int voce) const;
    int sonda(QByteArrayView nome, QByteArrayView provincia) const;
    bool nomeUguale(int voce, QByteArrayView nome) const;
    int perAnno(int ultima, int anno) const;
    int perGiorno(int ultima, QByteArrayView nome, int giorno) const;

    // The file's bytes as read. Windows-1252 gives every byte a character of its own, so comparing bytes
    // is comparing the decoded texts.
    QByteArray m_dati;
    int m_voci = 0;
    std::optional<int> m_conteggio;
    // Open addressing over the entries, keyed by name and province; each key keeps its last entry, so a
    // lookup answers as a scan of the whole table that lets later matches win. Small cells, so that a
    // load touches little fresh memory.
    struct Cella {
        quint16 impronta = 0; // high bits of the key's hash
        qint16 voce = -1;
    };
    static_assert(kSlot - 1 <= std::numeric_limits<qint16>::max(), "an index cell holds every entry number");
    std::vector<Cella> m_indice;
    quint32 m_maschera = 0;
    // For every entry, the earlier entry with the same key, or -1; empty while no key has two entries.
    std::vector<qint16> m_precedente;

    // The days of every entry, with where its whole name and its successor stand in m_dati (0: none).
    struct Giorni {
        Periodo periodo;
        qint32 intero = 0;
        quint8 lunghezzaIntero = 0;
        qint32 successore = 0;
    };
    std::vector<Giorni> m_giorni;
    const char *rigaGiorni(const char *p, const char *fine, int numero, Giorni &g) const;
    // By code (with the days) and by name alone (at the first lookup without a province): the last entry,
    // and for every entry the earlier one of the same code (of the same name).
    std::vector<qint16> m_ultimaDelCodice; // 26 × 1000, by letter and number
    std::vector<qint16> m_precedenteCodice;
    mutable std::vector<Cella> m_indiceNomi;
    mutable std::vector<qint16> m_precedenteNome;
    const std::vector<Cella> &indiceNomi() const;
    Province m_province;
};

} // namespace Fiscale
