#pragma once

#include <QString>

// Putting a finished file in the place of the one it replaces, in one step: a reader sees the old file or
// the new one, never half of either.
namespace Sostituzione {

// Whether `percorso` names something other than a regular file, a folder or nothing: a device (/dev/null,
// /dev/full, NUL on Windows), a pipe, a socket. Such a target is written directly, never replaced.
bool speciale(const QString &percorso);

// Renames `temporaneo` to `destinazione`, replacing it when it exists; a `destinazione` that is speciale()
// gets the bytes of `temporaneo` written into it instead, and `temporaneo` goes. On Windows, where a file that
// another program holds open cannot be replaced (a spreadsheet open in Excel), it tries again for a moment
// before giving up. Returns why it failed, in Italian ("il file è aperto in un altro programma"), or an
// empty string; on failure both files are as they were.
QString sostituisci(const QString &temporaneo, const QString &destinazione);

} // namespace Sostituzione
