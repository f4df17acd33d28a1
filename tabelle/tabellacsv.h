#pragma once

#include <cstring>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

class QIODevice;
struct csv_parser;

// Tables as spreadsheets write them: RFC 4180 records (quoted fields, doubled quotes, line breaks inside
// quotes, CRLF, LF or CR alone), read one record at a time with libcsv, and written back with the same separator,
// line end and encoding.
namespace Csv {

enum class Codifica { Automatica, Utf8, Windows1252 };

// The names people write: "utf-8" (also "utf8"), "windows-1252" (also "cp1252", "latin1", "iso-8859-1",
// "ansi"), "auto"; nothing for any other name. Latin-1 is read as Windows-1252, which agrees with it on
// every printable character.
std::optional<Codifica> codificaDaNome(const QString &nome);

// Valid UTF-8 with at least one multibyte sequence: UTF-8; any invalid sequence: Windows-1252; plain
// ASCII: Automatica (both read it alike). A sequence cut by the end of `campione` is not judged.
Codifica rilevaCodifica(QByteArrayView campione);

// How many lines of an input are in each encoding (lines of plain ASCII are in neither).
struct Censimento {
    qint64 righeUtf8 = 0;
    qint64 righeWindows1252 = 0;
    // The main encoding: the one of most lines outside ASCII, UTF-8 on a tie; Automatica when all is ASCII.
    Codifica principale() const;
};
// A first look at a table, from where the device stands to its end, a block at a time and without splitting
// it into records: counts its lines by encoding and hands each value of the columns `colonne` (positions
// among the fields) to `valore`, with the index in `colonne`, the header's left out. A value that spans lines
// is not handed over. Cheap: the columns after the last one asked are not split.
// `annullato`, asked between blocks, stops it.
// `capo`: the line end ('\r' for a file of an old Mac).
Censimento esamina(QIODevice &ingresso, char separatore, const std::vector<int> &colonne,
                   const std::function<void(int, QByteArrayView)> &valore, const std::function<bool()> &annullato = {},
                   char capo = '\n');

// Files that are not text tables, known by their first bytes: a one-line description ("un foglio di calcolo
// Excel (.xlsx)"), empty when the bytes may be a table.
QString nonTabella(QByteArrayView inizio);

// A short excerpt of input for a message: at most `massimo` characters, control characters shown as "·",
// "…" where it is cut.
QString estratto(QByteArrayView byte, Codifica codifica, qsizetype massimo = 40);

// The separator of a header line: the most frequent of ";", "," and tab outside quotes (";" on a tie or
// when there is none).
char rilevaSeparatore(QByteArrayView intestazione);

// The bytes of a value in the table's encoding as text, and back (Automatica reads as UTF-8).
QString decodifica(QByteArrayView byte, Codifica codifica);
QByteArray codifica(const QString &testo, Codifica codifica);

struct Riga {
    std::vector<QByteArrayView> campi; // the values, unquoted, in the table's encoding
    QByteArrayView grezza;             // the record as read (in the table's encoding), line end left out
    bool valida = true;                // false: a quote never closed; the fields are those of its first line
    bool troppoLunga = false;          // a record past the longest allowed: no fields, grezza its first bytes
    bool vuota = false;                // an empty line: no fields
    bool copiabile = true;             // grezza holds the record's bytes, to copy as they are
    bool nullo = false;                // the record holds a NUL byte
    qint64 numero = 0;                 // line of the input where the record starts, from 1
};

// Reads records from a device, holding only a buffer of a few MiB whatever the input's size.
class Lettore final
{
public:
    // `separatore` 0: found on the header line. `codifica` Automatica: on a device that can seek, decided
    // from the lines of the whole input before the first record (the device is read once more); otherwise
    // at the first byte outside ASCII, by the bytes that follow it. Once decided, a record in the other
    // encoding is read in it and handed over in the table's encoding.
    explicit Lettore(QIODevice &ingresso, char separatore = 0, Codifica codifica = Codifica::Automatica,
                     qsizetype massimoRiga = kMassimoRiga);
    ~Lettore();
    Lettore(const Lettore &) = delete;
    Lettore &operator=(const Lettore &) = delete;

    // The next record; false at the end of the input or when reading fails (errore()). An empty line outside
    // quotes is a record marked vuota.
    bool leggi(Riga &riga);
    // How far reading has gone, 0 to 1 (0 when unknown).
    double frazione() const;

    QString errore() const { return m_errore; }
    // How the table is written, known after the first record: separator, encoding, line end, byte order mark.
    char separatore() const { return m_separatore; }
    Codifica codifica() const { return m_codifica; }
    // One look at the whole table, after the first record and before the second (Csv::esamina): each value of
    // the fields `colonne` to `valore`, the header's left out; an encoding left to the reader is decided here,
    // from all the lines. `annullato`, asked between blocks, stops it.
    void esamina(const std::vector<int> &colonne, const std::function<void(int, QByteArrayView)> &valore,
                 const std::function<bool()> &annullato = {});
    // Fixes the encoding while it is still undecided (the output needed a byte outside ASCII).
    void fissaCodifica(Codifica codifica);
    // The encoding left undecided by the constructor is decided by the caller (from esamina), after the
    // first record and before the second: the device is not read twice for it.
    void rinviaCodifica() { m_rinviata = m_uniforma; }
    void decidiCodifica(Codifica principale)
    {
        if (m_uniforma)
            m_codifica = principale;
    }
    bool bom() const { return m_bom; }
    // Excel's first line "sep=;" as it was, empty when the input has none.
    QByteArray rigaSeparatore() const { return m_rigaSeparatore; }
    QByteArray fineRiga() const { return m_fineRiga; }
    qint64 byteLetti() const { return m_byteLetti; }

    // The longest record by default: a record whose quote stays open longer than this is judged not
    // closed, a line longer than this is troppoLunga.
    static constexpr qsizetype kMassimoRiga = qsizetype(4) * 1024 * 1024;

private:
    enum class Linea { Trovata, Finito, TroppoLunga };
    bool riempi();
    Linea prossimaLinea(qsizetype &fine, qsizetype &dopo);
    bool saltaLinea(Riga &riga);
    void uniforma(Riga &riga);
    void rilevaInizio();
    void saltaRigaSeparatore();
    void rilevaSu(qsizetype da);
    void chiudiRiga(Riga &riga, qsizetype fineGrezza, bool valida);
    bool rigaNonChiusa(Riga &riga);
    void nuovoParser();
    void analizza(const char *testo, qsizetype lunghezza);
    bool dividiSemplice(Riga &riga, qsizetype fine);
    bool dividiConVirgolette(Riga &riga, qsizetype fine);
    bool leggiRecord(Riga &riga);

    QIODevice &m_ingresso;
    qsizetype m_massimo;
    qint64 m_dimensione = 0; // of a device that can seek, else 0
    qint64 m_origine = 0;    // where the table starts on the device
    std::unique_ptr<csv_parser> m_parser;
    QByteArray m_estratto;                // the first bytes of a record too long
    std::vector<QByteArray> m_convertiti; // a record's values read in the other encoding
    QByteArray m_grezzaConvertita;
    QByteArray m_buffer;
    qsizetype m_pos = 0;    // first byte not yet fed to the parser
    qsizetype m_inizio = 0; // first byte of the record being read
    bool m_fineIngresso = false;
    bool m_iniziato = false;
    bool m_bom = false;
    char m_separatore;
    Codifica m_codifica;
    bool m_uniforma; // the encoding is the reader's to decide, and records in the other one are converted
    bool m_rinviata = false;
    QByteArray m_fineRiga = "\n";
    char m_capo = '\n'; // the byte that ends a line: a CR alone in a file of an old Mac
    bool m_nulli = false; // the buffer holds a NUL byte
    QByteArray m_rigaSeparatore;
    QString m_errore;
    qint64 m_byteLetti = 0;
    qint64 m_linea = 1; // line number of m_pos
    qint64 m_lineaInizio = 1;
    // The values that the parser hands over, one after the other, and where each ends.
    QByteArray m_valori; // the first m_usati bytes are in use
    qsizetype m_usati = 0;
    std::vector<qsizetype> m_confini;
    std::vector<QByteArrayView> m_campiSemplici;
    static void suCampo(void *valore, size_t lunghezza, void *lettore);
    static void suRiga(int terminatore, void *lettore);
};

// Buffered writing of records.
class Scrittore final
{
public:
    Scrittore(QIODevice &uscita, char separatore, QByteArray fineRiga);
    ~Scrittore();
    Scrittore(const Scrittore &) = delete;
    Scrittore &operator=(const Scrittore &) = delete;

    void grezzo(QByteArrayView byte)
    {
        spazio(byte.size());
        if (!byte.isEmpty())
            std::memcpy(m_dati + m_usati, byte.data(), static_cast<size_t>(byte.size()));
        m_usati += byte.size();
    }
    void separatore()
    {
        spazio(1);
        m_dati[m_usati++] = m_separatore;
    }
    // A value, in quotes when it holds the separator, a quote or a line break, or begins with the bytes of a
    // byte order mark or with "sep=".
    void campo(QByteArrayView valore);
    void fineRiga();
    // Writes out what is buffered; false when the device refused it.
    bool scarica();
    bool errore() const { return m_errore; }
    // The system's error number of the write that failed, 0 when unknown.
    int numeroErrore() const { return m_numeroErrore; }

private:
    void spazio(qsizetype n)
    {
        if (m_usati + n > m_buffer.size())
            cresci(n);
    }
    void cresci(qsizetype n);

    QIODevice &m_uscita;
    QByteArray m_buffer;    // the first m_usati bytes wait to be written
    char *m_dati = nullptr; // m_buffer's bytes
    qsizetype m_usati = 0;
    char m_separatore;
    QByteArray m_fineRiga;
    bool m_errore = false;
    int m_numeroErrore = 0;
};

} // namespace Csv
