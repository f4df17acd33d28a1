#pragma once

// Reads one sheet of an .xlsx or .ods file row by row, cells with their types, never the whole sheet at
// once. The kind of file is told by its content (a zip with the OpenDocument mimetype or the OOXML
// [Content_Types].xml), not by its name.
//
// Libraries: libzip (Debian's libzip-dev) for the archive; libxml2's SAX push parser for the rows of an
// .xlsx sheet; QXmlStreamReader for the small parts and for .ods. liborcus 0.17 (LibreOffice's import
// library, through its import_factory interface) was tried first and left out. Measured on a busy machine
// (load about 11 on 2 cores; CPU seconds, /usr/bin/time), 100,000 rows and 7 columns:
//   - liborcus, a factory that only counts cells, on the sheet as LibreOffice saves it (shared strings):
//     0.60 s, 47 MiB peak. On the same sheet as libxlsxwriter writes it (inline strings) it sees 200,000
//     of the 700,000 cells: 0.17 drops inline strings. It inflates a whole part into memory before
//     parsing (a part of 400 MiB of spaces: 416 MiB peak, no cap possible), takes a row beyond 1,048,576
//     without a word, throws exceptions with an empty message for a truncated zip and an old .xls, and
//     needs its style interface (about 60 methods) implemented to tell date formats.
//   - this reader, writing every cell as text as well: 1.6 s with QXmlStreamReader for the sheet rows,
//     0.9 s with libxml2 (hence libxml2 there), 15 MiB peak whatever the size.
// 1,000,000 rows (tools/misura_fogli.sh, one core, CPU seconds on a busy machine): this reader to text
// 4.4 s, 226,000 rows/s, 14.5 MiB peak; LibreOffice converting the same file to CSV headless 12.2 s, 328 MiB
// peak; writing the file (scrittorexlsx.h) 6.1 s, 164,000 rows/s, 12.5 MiB peak; reading, every cell to
// text and writing each row with two text cells more (the path of `sportello-cli calcola` without its
// engine) 12.8 s, 78,000 rows/s, 14.8 MiB peak.
// Instructions (valgrind --tool=callgrind, 100,000 rows), per row: reading about 45,000, of which libxml2's
// push parser about 31,000, inflating (with the CRC) 4,000 and ours 10,000, and its 7 cells to text 1,400;
// writing 7 cells about 57,000, of which libxlsxwriter's XML (fprintf) about 24,000 and the deflate of its
// zip (level 6, not settable) about 26,000, beside about 2,000 of ours. Reading, to text and writing 9
// cells: about 123,000, of which the two libraries' parts about 110,000.
// Each part is inflated a block at a time under a cap (4 GiB, and 250 times its compressed size beyond
// 16 MiB), an XML declaration of entities (DTD) is refused, so an entity bomb never expands, and no
// element may grow beyond 4 MiB.
// Bad input ends the reading with a one-line Italian message in errore(), never an exception.
// The parts: riconoscimento.cpp (what a file is by its first bytes), zipxml (the archive's parts and their
// XML), ooxml (the cells of an .xlsx), lettorexlsx.cpp and lettoreods.cpp (each format's reader), foglio.cpp
// (the format by the archive's content, the choice of the sheet, the rows in order).

#include <QByteArrayView>
#include <QDate>
#include <QIODevice>
#include <QString>
#include <QStringList>
#include <QTime>

#include <memory>
#include <utility>
#include <vector>

namespace Fogli {

enum class TipoCella { Vuota, Testo, Numero, Data, Booleano };

struct Cella {
    TipoCella tipo = TipoCella::Vuota;
    QString testo;      // Testo
    double numero = 0;  // Numero; Booleano 0 or 1; Data: the spreadsheet day number (1900 system)
    QDate data;         // Data
    QTime ora;          // Data: the time of day when the cell holds one, else invalid
    bool unita = false; // the cell lies in a merged area

    static Cella diTesto(const QString &t);
    static Cella diNumero(double v);
    static Cella diData(const QDate &d, const QTime &o = {});
    static Cella diBooleano(bool b);
    bool vuota() const { return tipo == TipoCella::Vuota; }
};

struct Riga {
    qint64 numero = 0;        // 1-based, as the spreadsheet program shows it
    std::vector<Cella> celle; // trailing empty cells left out
};

// The cell as the user sees it, as text: numbers in full (743110157, 10000000000, 1,5 with the Italian
// decimal comma, never an exponent for a whole number), dates dd/mm/yyyy (with hh:mm when they hold a
// time), booleans VERO/FALSO.
QString testoVisibile(const Cella &c);

// True when the row's non-empty cells all lie in merged areas: a title row merged over the columns.
bool rigaUnita(const Riga &r);

// The spreadsheet day number (1900 system, as Excel and LibreOffice count) of a date and back.
double numeroDaData(const QDate &d, const QTime &o = {});
bool dataDaNumero(double numero, QDate *d, QTime *o);

enum class FormatoFoglio { Sconosciuto, Xlsx, Ods };

// What the table engine uses of a sheet reader (LettoreFoglio) and of an .xlsx writer (ScrittoreXlsx,
// scrittorexlsx.h), so that it can take them from libreria().
class Lettore
{
public:
    virtual ~Lettore() = default;
    virtual bool apri(const QString &percorso, const QString &foglio) = 0;
    virtual bool leggiRiga(Riga &riga) = 0;
    virtual QString errore() const = 0;
    virtual FormatoFoglio formato() const = 0;
    virtual QString nomeFoglio() const = 0;
    virtual QStringList fogli() const = 0;
    virtual QStringList tuttiIFogli() = 0;
    virtual double frazione() const = 0;
    virtual void impostaAreeUnite(bool cerca) = 0;
};

class Scrittore
{
public:
    virtual ~Scrittore() = default;
    // The name of the sheet of rows, before apri; empty: the writer's own.
    virtual void impostaNomeFoglio(const QString &nome) = 0;
    // The rows above the header (a title, an extraction date), given before apri() writes them first.
    virtual void righeSopra(std::vector<std::vector<Cella>> righe) = 0;
    virtual bool apri(const QStringList &intestazioni) = 0;
    virtual bool scriviRiga(const std::vector<Cella> &celle, bool evidenziata) = 0;
    virtual bool chiudi(const std::vector<std::pair<QString, QString>> &riepilogo) = 0;
    virtual void annulla() = 0;
    virtual QString errore() const = 0;
};

// Makes the readers and writers of sheet files.
struct Libreria {
    std::unique_ptr<Lettore> (*lettore)();
    std::unique_ptr<Scrittore> (*scrittore)(const QString &percorso);
};

// The sheet readers and writers and the libraries behind them (libzip, libxml2, libxlsxwriter, and theirs,
// libcrypto among them). sportello-cli and the tests link them in (fogli_statico); the window program loads
// them at the first call from the module sportello-fogli.so beside it (fogli_dinamico), so that its start
// does not pay for loading them. Null, with `errore` set to one Italian line, when the module cannot be
// loaded. Safe to call from any thread.
const Libreria *libreria(QString *errore = nullptr);

class LettoreFoglio final : public Lettore
{
public:
    using Formato = FormatoFoglio;

    LettoreFoglio();
    ~LettoreFoglio() override;
    LettoreFoglio(const LettoreFoglio &) = delete;
    LettoreFoglio &operator=(const LettoreFoglio &) = delete;

    // Opens the file and the sheet `foglio` picks, by one rule for both formats: the sheet so named (the
    // same case first, then any case), else when it is a number the sheet in that place (from 1), the first
    // visible sheet when it is empty. False with errore() set on failure.
    bool apri(const QString &percorso, const QString &foglio = {}) override;
    // The same over bytes in memory (tests, fuzzing); the bytes must outlive the reader.
    bool apriDati(const QByteArray &dati, const QString &foglio = {});

    // The next row: rows are numbered from 1 and come in order, an empty row of the sheet as a row
    // without cells. False at the end of the sheet or on an error (then errore() is not empty).
    bool leggiRiga(Riga &riga) override;

    QString errore() const override;
    Formato formato() const override;
    QString nomeFoglio() const override; // the name of the sheet being read
    // The names of the sheets, in order: all of them for an .xlsx; for an .ods those up to the one opened
    // (all of them after a number picked it, or after apri failed for a name that none has).
    QStringList fogli() const override;
    // The names of all the sheets, in order. An .ods names its sheets along its content: it is read on from
    // where the rows have got to, so that a first look at a sheet and the list take one pass; no row of the
    // sheet is given after it.
    QStringList tuttiIFogli() override;
    // How far reading has gone, 0 to 1, by the bytes of the part inflated so far (for an .ods, of the
    // whole content, all sheets); 0 when unknown.
    double frazione() const override;

    // Limits, settable for tests: the bytes a part of the archive may expand to, and how many times its
    // compressed size it may grow beyond a first few MiB.
    static constexpr qint64 kRigheMassime = 1048576;
    static constexpr int kColonneMassime = 16384;
    void impostaLimiti(qint64 espansioneMassima, qint64 rapportoMassimo);
    // Whether an .xlsx sheet's merged areas are looked for (on by default): they follow the rows in the
    // file, so finding them inflates the sheet once more (about a seventh of the reading time), which is
    // done only when a row is met whose cells could lie in one (a gap, a cell without a value, a missing
    // row, a width other than the rows before); a sheet of full rows of one width is read in one pass.
    void impostaAreeUnite(bool cerca) override;

    struct Stato;

private:
    void ricomincia();
    bool avvia(const QString &foglio);
    std::unique_ptr<Stato> m;
};

// What the first bytes of a file say it is: a zip (an .xlsx or .ods, or another archive), an OLE2 container
// of old Office (an .xls, or an .xlsx or .ods protected by a password, stored inside one), or neither. Both
// containers go to the sheet reader, which tells which file it is.
enum class Contenitore { Nessuno, Zip, Ole2 };
Contenitore contenitoreDi(QByteArrayView inizio);

// What a file is, in one Italian line, when its first bytes say it is not a sheet this reader takes (an
// old .xls, a file protected by a password, no zip at all); empty when it may be one. Reads from the
// start of `file`.
QString descriviNonFoglio(QIODevice &file);

// The one wording of a sheet file protected by a password.
QString msgPassword();

} // namespace Fogli
