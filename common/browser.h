#pragma once

#include <QString>
#include <QStringList>

// The program associated with a kind of file on free desktops: the XDG MIME application associations
// (mimeapps.list in the XDG config and data directories, then the desktop files' own MimeType lists
// gathered in mimeinfo.cache) and the Exec line of the chosen application's desktop entry.
namespace Browser {

struct Comando {
    QString programma;     // empty when no application is associated
    QStringList argomenti; // the Exec line's arguments, with the address in place of its field code
    bool trovato() const { return !programma.isEmpty(); }
};

// The desktop entry id (for example "firefox-esr.desktop") associated by default with a MIME type.
QString applicazionePredefinita(const QString &tipoMime);

// The command that opens `indirizzo` with the application associated with the MIME type: the address
// becomes one argument of its own, never interpreted by a shell.
Comando comandoPer(const QString &tipoMime, const QString &indirizzo);

// Splits an Exec value into arguments by the desktop entry quoting rules and puts the address in place
// of %u %U %f %F (appended at the end when there is no such field code); exposed for tests.
QStringList argomentiExec(const QString &exec, const QString &indirizzo, const QString &nome,
                          const QString &fileDesktop);

// One argument as a Windows command line carries it, so that the started program's C runtime (or
// CommandLineToArgvW) gives it back whole: in double quotes, with the quotes inside and the backslashes
// before them escaped. An address with spaces or quotes stays one argument.
QString argomentoWindows(const QString &argomento);

} // namespace Browser
