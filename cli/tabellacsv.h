#pragma once

#include <cstring>
#include <memory>
#include <optional>
#include <vector>

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

class QIODevice;
struct csv_parser;

// Tables as spreadsheets write them: RFC 4180 records (quoted fields, doubled quotes, line breaks inside
// quotes, CRLF or LF), read one record at a time with libcsv, and written back with the same separator,
// line end and encoding.
namespace Csv {

enum class Codifica { Automatica, Utf8, Windows1252 };

// "utf-8", "windows-1252" (also "cp1252"), "auto"; nothing for any other name.
std::optional<Codifica> codificaDaNome(const QString &nome);

// Valid UTF-8 with at least one multibyte sequence: UTF-8; any invalid sequence: Windows-1252; plain
// ASCII: Automatica (both read it alike). A sequence cut by the end of `campione` is not judged.
Codifica rilevaCodifica(QByteArrayView campione);

// The separator of a header line: the most frequent of ";", "," and tab outside quotes (";" on a tie or
// when there is none).
char rilevaSeparatore(QByteArrayView intestazione);

// The bytes of a value in the table's encoding as text, and back (Automatica reads as UTF-8).
QString decodifica(QByteArrayView byte, Codifica codifica);
QByteArray codifica(const QString &testo, Codifica codifica);

struct Riga {
    std::vector<QByteArrayView> campi; // the values, unquoted, in the table's bytes
    QByteArrayView grezza;             // the record as read, line end left out
    bool valida = true;                // false: a quote never closed; the fields are those of its first line
    qint64 numero = 0;                 // line of the input where the record starts, from 1
};

// Reads records from a device, holding only a buffer of a few MiB whatever the input's size.
class Lettore final
{
public:
    // `separatore` 0: found on the header line. `codifica` Automatica: decided at the first byte outside
    // ASCII, by the bytes that follow it.
    explicit Lettore(QIODevice &ingresso, char separatore = 0, Codifica codifica = Codifica::Automatica);
    ~Lettore();
    Lettore(const Lettore &) = delete;
    Lettore &operator=(const Lettore &) = delete;

    // The next record; false at the end of the input or when reading fails (errore()). Empty lines
    // outside quotes are skipped. The views stay valid until the next call.
    bool leggi(Riga &riga);

    QString errore() const { return m_errore; }
    char separatore() const { return m_separatore; }
    Codifica codifica() const { return m_codifica; }
    // Fixes the encoding while it is still undecided (the output needed a byte outside ASCII).
    void fissaCodifica(Codifica codifica);
    bool bom() const { return m_bom; }
    QByteArray fineRiga() const { return m_fineRiga; }
    qint64 byteLetti() const { return m_byteLetti; }

    // A record whose quote stays open longer than this is judged not closed.
    static constexpr qsizetype kMassimoRiga = qsizetype(1024) * 1024;

private:
    bool riempi();
    bool prossimaLinea(qsizetype &fine, qsizetype &dopo);
    void rilevaInizio();
    void rilevaSu(qsizetype da);
    void chiudiRiga(Riga &riga, qsizetype fineGrezza, bool valida);
    bool rigaNonChiusa(Riga &riga);
    void nuovoParser();
    void analizza(const char *testo, qsizetype lunghezza);
    bool dividiSemplice(Riga &riga, qsizetype fine);

    QIODevice &m_ingresso;
    std::unique_ptr<csv_parser> m_parser;
    QByteArray m_buffer;
    qsizetype m_pos = 0;    // first byte not yet fed to the parser
    qsizetype m_inizio = 0; // first byte of the record being read
    bool m_fineIngresso = false;
    bool m_iniziato = false;
    bool m_bom = false;
    char m_separatore;
    Codifica m_codifica;
    QByteArray m_fineRiga = "\n";
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
            std::memcpy(m_buffer.data() + m_usati, byte.data(), static_cast<size_t>(byte.size()));
        m_usati += byte.size();
    }
    void separatore()
    {
        spazio(1);
        m_buffer.data()[m_usati++] = m_separatore;
    }
    // A value, in quotes when it holds the separator, a quote or a line break, or begins with the bytes of a
    // byte order mark.
    void campo(QByteArrayView valore);
    void fineRiga();
    // Writes out what is buffered; false when the device refused it.
    bool scarica();
    bool errore() const { return m_errore; }

private:
    void spazio(qsizetype n)
    {
        if (m_usati + n > m_buffer.size())
            cresci(n);
    }
    void cresci(qsizetype n);

    QIODevice &m_uscita;
    QByteArray m_buffer; // the first m_usati bytes wait to be written
    qsizetype m_usati = 0;
    char m_separatore;
    QByteArray m_fineRiga;
    bool m_errore = false;
};

} // namespace Csv
