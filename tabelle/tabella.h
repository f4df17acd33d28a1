#pragma once

#include <functional>
#include <optional>
#include <vector>

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

#include "riconoscidata.h"
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

struct OpzioniTabella {
    QString ingresso; // a file, or "-" for standard input (kept in a temporary file, to be read twice)
    QString uscita;   // a file, written under a temporary name and renamed at the end; empty or "-": standard output
    QString comando;  // the command's name, for the names of its columns
    char separatore = 0;
    Csv::Codifica codifica = Csv::Codifica::Automatica;
    std::optional<Fiscale::OrdineData> ordineData; // --data; else decided for each date column
    qsizetype massimoRiga = Csv::Lettore::kMassimoRiga;
    QList<QPair<QString, QString>> colonne; // --colonna NOME=INTESTAZIONE
    bool avanzamento = false;               // a progress line on standard error (only on a terminal)
};

// Exit statuses.
constexpr int kTuttoBene = 0;
constexpr int kRigheConEsito = 1;
constexpr int kErroreUso = 2;

// Runs a command over a table. Messages for the user go to `messaggio` (standard error), the progress
// line to `avanzamento`. Returns the exit status.
int eseguiTabella(Comando &comando, const OpzioniTabella &opzioni,
                  const std::function<void(const QString &)> &messaggio,
                  const std::function<void(const QString &)> &avanzamento = {});

// The same over the records of any reader (the CSV reader is one): the header first, then one output
// line per record, written back as CSV. `nomeIngresso` names the input in messages.
int eseguiSu(Comando &comando, Csv::Sorgente &sorgente, const OpzioniTabella &opzioni, const QString &nomeIngresso,
             const std::function<void(const QString &)> &messaggio,
             const std::function<void(const QString &)> &avanzamento = {});

// The text of the progress line.
QString rigaAvanzamento(qint64 righe, double secondi, double frazione);

} // namespace Tabelle
