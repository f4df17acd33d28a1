#pragma once

#include <functional>
#include <optional>
#include <vector>

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

#include "tabellacsv.h"

namespace Cli {

class Comando;

// Header names compared without case, spaces, underscores, dots and hyphens: "Data di nascita",
// "DATA_NASCITA" and "data-nascita" are one name.
QString normalizza(const QString &nome);

// The position of column `nome` ("data_nascita") among the header's names: a mapping given by the user
// first, then the name itself, then its usual Italian variants; -1 when none is there.
int trovaColonna(const QStringList &intestazione, const QString &nome, const QString &mappata = QString());

struct OpzioniTabella {
    QString ingresso; // a file, or "-" for standard input
    QString uscita;   // a file, written under a temporary name and renamed at the end; empty: standard output
    char separatore = 0;
    Csv::Codifica codifica = Csv::Codifica::Automatica;
    QList<QPair<QString, QString>> colonne; // --colonna NOME=INTESTAZIONE
    bool avanzamento = false;               // a progress line on standard error
};

// Exit statuses.
constexpr int kTuttoBene = 0;
constexpr int kRigheConEsito = 1;
constexpr int kErroreUso = 2;

// Runs a command over a table. Messages for the user go to `messaggio` (standard error), the progress
// line to `avanzamento`. Returns the exit status.
int eseguiTabella(const Comando &comando, const OpzioniTabella &opzioni,
                  const std::function<void(const QString &)> &messaggio,
                  const std::function<void(const QString &)> &avanzamento = {});

// The text of the progress line.
QString rigaAvanzamento(qint64 righe, double secondi, double frazione);

} // namespace Cli
