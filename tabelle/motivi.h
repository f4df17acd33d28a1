#pragma once

#include <QFileDevice>
#include <QString>

// Why a file cannot be read or written, in Italian, for the engine's problems (Tabelle::Problema::motivo).
namespace Tabelle {

// Why a file could not be opened.
QString motivo(const QFileDevice &file);
// Why `percorso` cannot be written, seen before trying: its folder missing or closed, a folder itself, or a
// name of a sheet format the output is not written in (.ods, .xls);
// empty when nothing is in the way.
QString ostacoloScrittura(const QString &percorso);
// The error number behind a failed write, from the device's message when the number is gone.
int numeroErrore(const QFileDevice &file, int salvato);
// A sentence of a reader or writer put after a colon: its first letter in lower case.
QString minuscola(QString testo);

} // namespace Tabelle
