#pragma once

#include <optional>
#include <vector>

#include <QByteArray>
#include <QString>
#include <QByteArrayView>
#include <QStringView>

// The table of municipalities with their province and cadastral code, read from codes.cf: fixed records
// of 32 Windows-1252 characters (name 20, province 2, code 4, 6 unused, the line end among the unused
// ones), ended by the record named "END" or by the end of the file.
namespace Fiscale {

inline constexpr int kLunghezzaRecord = 32;
// Slots 0 to 9000: the end record needs a slot of its own, so at most 9000 entries precede it.
inline constexpr int kSlot = 9001;
inline constexpr QStringView kNonTrovato = u"*NOTFOUND*";

class TabellaCodici
{
public:
    struct Voce {
        QString nome;
        QString provincia;
        QString codice;
    };

    // Reads the file into a fresh table. Returns 0, or the error number (ErroriFile): 62 when the file
    // ends inside a record, 9 when a record would need slot 9001, the number of a failed open or read.
    // After a failed read (71, 72...) the entries read before it stay and are searched.
    int carica(const QString &percorso);

    // The same from bytes already read; `erroreLettura` is the error that stopped the reading after them.
    int analizza(const QByteArray &dati, int erroreLettura = 0);

    // The code of the last entry, in file order, whose name equals the first 20 characters of Comune and
    // whose province equals Provincia, both upper-cased and compared exactly; "*NOTFOUND*" if none.
    QString trovacod(const QString &Comune, const QString &Provincia) const;
    // The same lookup on keys already upper-cased and in Windows-1252 bytes, for callers that read bytes.
    std::optional<QByteArrayView> trovacodByte(QByteArrayView Comune, QByteArrayView Provincia) const;

    // Entries that lookups search (also those read before a failure).
    int numeroVoci() const { return m_voci; }
    Voce voce(int indice) const;
    // The cadastral code of an entry as stored, without the spaces around it and without a copy.
    QByteArrayView codiceGrezzo(int indice) const { return codice(indice); }
    // The entry count, stored only once the whole file has been read.
    std::optional<int> conteggio() const { return m_conteggio; }

private:
    // A field of entry `voce`, without the spaces around it; entries lie at fixed places in the bytes.
    QByteArrayView campo(int voce, int inizio, int lunghezza) const;
    QByteArrayView nome(int voce) const;
    QByteArrayView provincia(int voce) const;
    QByteArrayView codice(int voce) const;
    void costruisciIndice();
    int cerca(QByteArrayView nome, QByteArrayView provincia) const;

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
    std::vector<Cella> m_indice;
    quint32 m_maschera = 0;
};

} // namespace Fiscale
