// The sheet libraries linked into the program.
#include "libreriafogli.h"

namespace Fogli {

const Libreria *libreria(QString *)
{
    return &libreriaCollegata();
}

} // namespace Fogli
