#pragma once

class QWidget;
class QTextStream;

// The check of an installed copy, for tests and CI only: with SPORTELLO_AUTOVERIFICA set in the
// environment, the program starts as usual, then reads its two data files from its own directory as the
// windows do, looks ROMA up in both, loads the module of the sheet libraries, writes what it found and ends
// instead of waiting for the user.
namespace Autoverifica {

bool richiesta();

// The check itself, once the main window is shown: one line per finding on `uscita`, the faults on
// `errori`. Returns the exit status: 0 when the window is up, both files are read and answer and the module loads, else 1.
int esegui(const QWidget &finestra, QTextStream &uscita, QTextStream &errori);
int esegui(const QWidget &finestra); // on standard output and standard error

} // namespace Autoverifica
