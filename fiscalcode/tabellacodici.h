#pragma once

#include <limits>
#include <optional>
#include <vector>

#include <QByteArray>
#include <QByteArrayView>
#include <QDate>
#include <QString>
#include <QStringView>

// The table of municipalities with their province and cadastral code, read from codes.cf: fixed records
// of 32 Windows-1252 characters (name 20, province 2, code 4, then 6 more holding the line end), ended by
// the record named "END" or by the end of the file.
//
// The four characters after the code are the last year of validity of the entry's name ("2014"), blank
// for an entry valid today; for a name that ended on 31 December, the year after it, since the name was
// still valid on that day (a merger of 1 January 2016: born in 2015 in Campiglia Cervo, the old B508). A
// name and province that had two codes over time (BELLAGIO CO: A744 until 3 February 2014, M335 since) has
// one entry per code. Given the year of birth, a lookup answers the entry valid on 31 December of that
// year: among the entries of the key whose year is later than the birth year (blank counting as later
// than any), the one whose year comes first. A year cannot tell a birth before the change day from one
// after it in the year of a change during the year: born in Bellagio in January 2014 gives M335, although
// A744 held until 3 February. Without a year, or with one entry for the key,
// the last entry in file order answers, as it does when no entry was valid at the end of that year; so
// does a file whose records leave these characters blank.
namespace Fiscale {

inline constexpr int kLunghezzaRecord = 32;
// Slots 0 to 20000: the end record needs a slot of its own, so at most 20000 entries precede it.
inline constexpr int kSlot = 20001;
inline constexpr QStringView kNonTrovato = u"*NOTFOUND*";

class TabellaCodici
{
public:
    struct Voce {
        QString nome;
        QString provincia;
        QString codice;
        int annoFine = 0; // last year of validity (see above), 0 when valid today
    };

    // Reads the file into a fresh table. Returns 0, or the error number (ErroriFile): 62 when the file
    // ends inside a record, 9 when a record would need slot 20001, the number of a failed open or read.
    // After a failed read (71, 72...) the entries read before it stay and are searched.
    int carica(const QString &percorso);

    // The same from bytes already read; `erroreLettura` is the error that stopped the reading after them.
    int analizza(const QByteArray &dati, int erroreLettura = 0);

    // The code of the last entry, in file order, whose name equals the first 20 characters of Comune and
    // whose province equals Provincia, both upper-cased and compared exactly; "*NOTFOUND*" if none.
    QString trovacod(const QString &Comune, const QString &Provincia) const;
    // The same for a person born on DataNascita: where the key had several codes, the one valid at the end
    // of the year of birth (see above). A null date looks up as the overload without one.
    QString trovacod(const QString &Comune, const QString &Provincia, const QDate &DataNascita) const;
    // The same lookup on keys already upper-cased and in Windows-1252 bytes, for callers that read bytes;
    // `annoNascita` 0 looks up as without a date of birth.
    std::optional<QByteArrayView> trovacodByte(QByteArrayView Comune, QByteArrayView Provincia, int annoNascita) const;

    // Entries that lookups search (also those read before a failure).
    int numeroVoci() const { return m_voci; }
    Voce voce(int indice) const;
    // The last year of validity of an entry, 0 when its four characters are not a year (valid today).
    int annoFine(int voce) const;
    // The entry count, stored only once the whole file has been read.
    std::optional<int> conteggio() const { return m_conteggio; }

    // The lookup on bytes: the entry whose name and province equal these Windows-1252 bytes exactly (no
    // upper-casing, no cut), chosen as trovacod chooses it for a birth year (0: no year); -1 if none.
    int cerca(QByteArrayView nome, QByteArrayView provincia, int annoNascita = 0) const;
    // The fields of an entry as bytes of the file, without the spaces around them.
    QByteArrayView nome(int voce) const;
    QByteArrayView provincia(int voce) const;
    QByteArrayView codice(int voce) const;

private:
    QByteArrayView campo(int voce, int inizio, int lunghezza) const;
    void costruisciIndice();
    int precedente(int voce) const;

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
};

} // namespace Fiscale
