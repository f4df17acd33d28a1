// The module sportello-fogli.so: the sheet readers and writers, for the window program to load at its first
// sheet.
#include "libreriafogli.h"

extern "C" Q_DECL_EXPORT const Fogli::Libreria *sportello_fogli_libreria()
{
    return &Fogli::libreriaCollegata();
}
