#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

#include "elencocomuni.h"
#include "riconoscidata.h"
#include "tabellacodici.h"
#include "tabellacsv.h"

namespace Tabelle {

class Comando;

// Header names compared on their words: without case, accents, spaces and punctuation, and without a
// trailing part in brackets ("(gg/mm/aaaa)", "(M/F)"): "Data di nascita", "DATA_NASCITA" and
// "data-nascita (gg/mm/aaaa)" are one name.
QString normalizza(const QString &nome);

// The names a column of a command is recognised by, as people write them ("Nato/a il" for data_nascita),
// its own name first.
QStringList nomiRiconosciuti(const QString &nome);

// The position of column `nome` ("data_nascita") among the header's names: a mapping given by the user
// first, then the name itself, then its usual variants; -1 when none is there.
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

// Why a file cannot be written, from the error number of the system, in Italian.
QString motivoScrittura(int numeroErrore);

// What a run did, for the window's summary and the "Riepilogo" sheet of an .xlsx output.
struct Resoconto {
    qint64 righe = 0; // rows with data that the command worked on (blank rows not counted)
    qint64 buone = 0; // of them, rows without an esito
    // Rows with an esito, by kind (the esito up to its first ':' or '(', "Comune non trovato"), most
    // frequent first.
    QList<QPair<QString, qint64>> perEsito;
    QString uscita; // the file written
};

struct OpzioniTabella {
    QString ingresso; // a file, or "-" for standard input (kept in a temporary file, to be read twice)
    // A file, written under a temporary name and renamed at the end; empty or "-": standard output. A name
    // ending in .xlsx (any case) is written as a sheet through Fogli::ScrittoreXlsx, else CSV.
    QString uscita;
    QString comando; // the command's name, for the names of its columns
    char separatore = 0;
    Csv::Codifica codifica = Csv::Codifica::Automatica;
    std::optional<Fiscale::OrdineData> ordineData; // --data; else decided for each date column
    qsizetype massimoRiga = Csv::Lettore::kMassimoRiga;
    // --colonna NOME=INTESTAZIONE; an empty INTESTAZIONE (the window's "(nessuna)"): no column for NOME.
    QList<QPair<QString, QString>> colonne;
    bool avanzamento = false;               // a progress line on standard error (only on a terminal)
    QString foglio;                         // --foglio: the sheet of an .xlsx or .ods input, by name or number
    bool finestra = false; // messages for the window: columns are chosen there, not with --colonna

    // For the window, which runs the engine in a worker thread:
    // set from another thread, the run stops at the next row, writes nothing and returns kAnnullato;
    const std::atomic<bool> *annullato = nullptr;
    // called from the running thread several times a second: rows done so far and how far reading has
    // gone (0 to 1);
    std::function<void(qint64 righe, double frazione)> progresso;
    // filled at the end of a run that wrote its output.
    Resoconto *resoconto = nullptr;
};

// The data the commands read, loaded once and kept for as long as the commands made from them live.
struct DatiComandi {
    Fiscale::TabellaCodici tabella; // codes.cf: calcola, verifica
    ElencoComuni::Elenco elenco;    // codes.dat: comune
};

// The command called `nome` ("calcola", "verifica", "partita-iva", "comune"), its data loaded from the files
// beside the program into `dati` when not yet there; null with `errore` set (a data file missing or damaged,
// in Italian, one line) or for another name.
std::unique_ptr<Comando> creaComando(const QString &nome, DatiComandi &dati, QString *errore);

// The first rows of a table (CSV, .xlsx or .ods, told by content), as the engine will read it: the header
// (after any blank or merged title rows above it) and up to `righe` rows below it, as the user sees them.
struct Anteprima {
    QStringList intestazione;
    QList<QStringList> righe;
    QStringList fogli; // the sheets of an .xlsx or .ods file, in order; empty for a CSV
    QString errore;    // why the file cannot be read as a table, one line; empty when it can
};
Anteprima anteprima(const QString &file, const QString &foglio, int righe);

// Exit statuses.
constexpr int kTuttoBene = 0;
constexpr int kRigheConEsito = 1;
constexpr int kErroreUso = 2;
constexpr int kAnnullato = 3; // OpzioniTabella::annullato was set: nothing written

// Runs a command over a table: a CSV file, or a sheet of an .xlsx or .ods file (told by content; see
// SorgenteFoglio). Messages for the user go to `messaggio` (standard error), one line each, the progress
// line to `avanzamento`. Returns the exit status; after kErroreUso or kAnnullato nothing is left under the
// output's name that was not there before.
int eseguiTabella(Comando &comando, const OpzioniTabella &opzioni,
                  const std::function<void(const QString &)> &messaggio,
                  const std::function<void(const QString &)> &avanzamento = {});

// The same over the records of any reader (the CSV reader is one): the header first, then one output
// line per record, written back as CSV in the reader's format, or as .xlsx (with the cells' types when the
// reader is a SorgenteFoglio). `nomeIngresso` names the input in messages.
int eseguiSu(Comando &comando, Csv::Sorgente &sorgente, const OpzioniTabella &opzioni, const QString &nomeIngresso,
             const std::function<void(const QString &)> &messaggio,
             const std::function<void(const QString &)> &avanzamento = {});

// The text of the progress line.
QString rigaAvanzamento(qint64 righe, double secondi, double frazione);

} // namespace Tabelle
