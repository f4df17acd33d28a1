#pragma once

#include <QStringList>
#include <QTextStream>

// The command line of sportello-cli: `sportello-cli COMANDO [opzioni] [valori]`.
namespace Cli {

// Runs the command line `argomenti` (the program's name first). Answers and help go to `uscita`, messages
// to `errori`; `terminale` says whether standard error is a terminal (for the progress line). Returns
// the exit status: 0 all fine, 1 some value or row has an esito, 2 a usage error or an unreadable file.
int esegui(const QStringList &argomenti, QTextStream &uscita, QTextStream &errori, bool terminale = false);

} // namespace Cli
