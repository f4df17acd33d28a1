#pragma once

#include <atomic>
#include <optional>

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

#include "comando.h"
#include "riconoscidata.h"
#include "tabellacsv.h"

// The table engine: a command over every row of a table (CSV, or a sheet of an .xlsx or .ods file, told by
// content), the result written as CSV or .xlsx. It words nothing for the user: it reports through an
// observer and returns a state, a summary and, when it stops, a problem with its details; sportello-cli and
// the window "Elabora Tabella" each put them into their own words.
namespace Tabelle {

// Header names compared on their words: without case, accents, spaces and punctuation, and without a
// trailing part in brackets ("(gg/mm/aaaa)", "(M/F)"): "Data di nascita", "DATA_NASCITA" and
// "data-nascita (gg/mm/aaaa)" are one name.
QString normalizza(const QString &nome);

// The names a column of a command is recognised by, as people write them ("Nato/a il" for data_nascita),
// its own name first.
QStringList nomiRiconosciuti(const QString &nome);

// The position of column `nome` ("data_nascita") among the header's names: a mapping given by the user
// first, then the names that say birth ("Comune di nascita"), then the name itself and its other usual
// variants; -1 when none is there. A name of residence ("Comune di residenza") is none of them.
int trovaColonna(const QStringList &intestazione, const QString &nome, const QString &mappata = QString());

// The names of the columns a command adds to `intestazione`. When the header ends, or goes on, with the
// command's own columns (a table the same command wrote), they are replaced in place: `posto` is where
// they start. Otherwise they are added at the end, and a name that the header already has gets the
// command's name after it ("esito_verifica"), then a number.
struct NuoveColonne {
    QStringList nomi;
    qsizetype posto = -1; // -1: added at the end
};
NuoveColonne nuoveColonne(const QStringList &intestazione, const QStringList &proprie, const QString &comando);

// The header where a command looks for its input: without its own columns of an earlier run (`nuove`), and
// without the columns a command wrote after its "esito" (verifica's "data_nascita", "comune"...), which are
// its answers, not the table's data. Those are told by their names as commands write them, in lower case
// with '_', from the "esito" column on.
QStringList intestazioneDiRicerca(const QStringList &intestazione, const NuoveColonne &nuove);

// The header is looked for among the first rows of a table, up to this line.
constexpr qint64 kRigheIntestazione = 20;

// The header among the first rows of a table (the names of each, an empty list for an empty row): the first
// row that names every column `comando` needs (with the headings the user chose, `scelte`), else the first
// that names the most of its columns, else the first that is not empty; -1 when every row is empty.
qsizetype sceltaIntestazione(const QList<QStringList> &righe, const Comando &comando,
                             const QList<QPair<QString, QString>> &scelte = {});

// Why a file cannot be written, from the error number of the system, in Italian.
QString motivoScrittura(int numeroErrore);

struct OpzioniTabella {
    QString ingresso; // a file, or "-" for standard input (kept in a temporary file, to be read twice)
    // A file, written under a temporary name and renamed at the end; empty or "-": standard output. A name
    // ending in .xlsx (any case) is written as a sheet, else as CSV.
    QString uscita;
    char separatore = 0;
    Csv::Codifica codifica = Csv::Codifica::Automatica;
    std::optional<Fiscale::OrdineData> ordineData; // else decided for each date column from its values
    qsizetype massimoRiga = Csv::Lettore::kMassimoRiga;
    // The heading of each column of the command the user chose; an empty heading: no column for it.
    QList<QPair<QString, QString>> colonne;
    QString foglio; // the sheet of an .xlsx or .ods input, by name or number; empty: the first
    // The line of the header (of the sheet's row); 0: the first of the first kRigheIntestazione rows that
    // names the command's columns (sceltaIntestazione). The rows above it are copied to the output with
    // empty results.
    qint64 intestazione = 0;
};

// Something a run has to say that does not stop it.
struct Avviso {
    enum class Tipo {
        DateMesePrima,          // the dates of `colonna` are month first (like `esempioMese`): read so
        DateInEntrambiGliOrdini // some fit only day first, some only month first: the others get an esito
    };
    Tipo tipo = Tipo::DateMesePrima;
    QString colonna; // its heading, cut for a message
    QString esempioGiorno, esempioMese;
};

// Why a run, or a first look at a table, could not go on.
struct Problema {
    enum class Tipo {
        Nessuno,
        Lettura,             // the input cannot be read; `motivo` says why
        NonTabella,          // the input is no table; `motivo` says what it is ("un documento PDF")
        FoglioSenzaFogli,    // a sheet was asked of an input that has none
        Vuota,               // the input has no header row
        IntestazioneLunga,   // the header row is longer than `mib` MiB; `motivo` its start
        IntestazioneAssente, // the header line the user gave (`riga`) is past the end, or empty
        ColonnaSconosciuta,  // `colonna` chosen by the user is no column of the command
        ColonnaAssente,      // the heading `scelta` chosen for `colonna` is not in the header
        ColonnaMancante,     // the required `colonna` was not found; `riconosciuti` the names looked for
        Scrittura,           // the output cannot be written; `motivo` says why
    };
    Tipo tipo = Tipo::Nessuno;
    QString file;             // the input or output concerned, as the user knows it ("standard input")
    QString motivo;           // in Italian, beginning in lower case
    QString colonna, scelta;  // for the column problems
    QStringList intestazione; // the header, each name cut for a message
    QStringList riconosciuti;
    qsizetype mib = 0;
    qint64 riga = 0;
};

// What a run did, for the window's summary and the "Riepilogo" sheet of an .xlsx output.
struct Resoconto {
    qint64 righe = 0; // rows with data that the command worked on (blank rows not counted)
    qint64 buone = 0; // of them, rows without an esito
    // Rows with an esito, by kind (the esito up to its first ':' or '(', "Comune non trovato"), most
    // frequent first.
    QList<QPair<QString, qint64>> perEsito;
    QString uscita; // the file written
};

enum class Stato {
    Fatto,     // every row without esito
    ConEsiti,  // some rows with an esito
    Annullato, // stopped by the observer: nothing written, nothing left behind
    Errore,    // stopped by a problem: nothing written, nothing left behind
};

struct Conclusione {
    Stato stato = Stato::Errore;
    Problema problema;   // after Errore
    Resoconto resoconto; // after Fatto and ConEsiti
};

// Follows a run, from the thread that runs it.
class Osservatore
{
public:
    virtual ~Osservatore() = default;
    // A few times a second, and once at the end: the rows done so far and how far the input has been read
    // (0 to 1, 0 when unknown).
    virtual void progresso(qint64 righe, double frazione);
    virtual void avviso(const Avviso &avviso);
    // Asked between blocks of rows and while the input is first looked at: true stops the run.
    virtual bool annullato() const;
};

// Runs a command over a table: the encoding, and the order of day and month of each date column, decided
// from the whole table first; then every row, each input line giving one output line. After Errore and
// Annullato nothing is left under the output's name that was not there before.
Conclusione eseguiTabella(Comando &comando, const OpzioniTabella &opzioni, Osservatore &osservatore);

// The first rows of a table as the engine will read it: the header (the first row that is not empty nor a
// merged title) and up to `righe` rows below it, as the user sees them; and the first rows from the top. `annullato`,
// set from another thread, stops it between rows.
struct Anteprima {
    QStringList intestazione;
    QList<QStringList> righe;
    // Every row from the top (the header's and the first kRigheIntestazione among them), each with the
    // number of its line (of its row in a sheet), for a header chosen elsewhere.
    QList<QStringList> prime;
    QList<qint64> numeri;
    QStringList fogli; // the sheets of an .xlsx or .ods file, in order; empty for a CSV
    QString foglio;    // the sheet shown (by default the first visible one)
    Problema problema; // why the file cannot be read as a table
};
Anteprima anteprima(const QString &file, const QString &foglio, int righe,
                    const std::atomic<bool> *annullato = nullptr);

} // namespace Tabelle
