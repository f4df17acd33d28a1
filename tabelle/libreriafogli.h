#pragma once

// How the sheet readers and writers reach the table engine: linked in, or from a module loaded at the first
// sheet (foglio.h, libreria()).

#include "foglio.h"

namespace Fogli {

// The readers and writers of this build's foglio.cpp and scrittorexlsx.cpp.
const Libreria &libreriaCollegata();

// The module's file, beside the program, and the C function it exports, which returns &libreriaCollegata().
#ifdef Q_OS_WIN
inline constexpr char kFileModulo[] = "sportello-fogli.dll";
#else
inline constexpr char kFileModulo[] = "sportello-fogli.so";
#endif
inline constexpr char kFunzioneModulo[] = "sportello_fogli_libreria";

} // namespace Fogli
