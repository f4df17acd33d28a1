#pragma once

#include <atomic>

#include <QStringList>
#include <QTextStream>

// The command line of sportello-cli: `sportello-cli COMANDO [opzioni] [valori]`.
namespace Cli {

// Exit statuses.
constexpr int kTuttoBene = 0;
constexpr int kConEsito = 1;     // some value or row has an esito
constexpr int kErroreUso = 2;    // a usage error or an unreadable file
constexpr int kInterrotto = 130; // stopped by Ctrl-C (128 + SIGINT): nothing written

// Runs the command line `argomenti` (the program's name first). Answers and help go to `uscita`, messages
// to `errori`; `terminale` says whether standard error is a terminal (for the progress line). `interrotto`,
// set from a signal handler, stops a table at the next block of rows, leaving nothing behind. Returns the exit
// status.
int esegui(const QStringList &argomenti, QTextStream &uscita, QTextStream &errori, bool terminale = false,
           const std::atomic<bool> *interrotto = nullptr);

} // namespace Cli
