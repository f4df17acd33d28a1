#pragma once

#include <QString>

#include "tabella.h"

// What sportello-cli says of the table engine's problems and warnings, and its progress line.
namespace Cli {

QString testoProblema(const Tabelle::Problema &problema);
QString testoAvviso(const Tabelle::Avviso &avviso);
// The progress line: rows done, rows per second and, when known, the seconds left.
QString rigaAvanzamento(qint64 righe, double secondi, double frazione);

} // namespace Cli
