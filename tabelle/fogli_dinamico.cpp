// The sheet libraries loaded from the module beside the program at the first call: the window program's
// start does not load libzip, libxml2, libxlsxwriter and theirs, which a user who never opens a sheet does
// not need.
#include "libreriafogli.h"

#include <QLibrary>

#include "percorsi.h"

namespace Fogli {

namespace {

struct Caricata {
    const Libreria *libreria = nullptr;
    QString errore;
};

Caricata carica()
{
    Caricata c;
    const QString file = Percorsi::fileProgramma(QString::fromLatin1(kFileModulo));
    // Kept loaded until the program ends: the readers and writers made from it may live as long.
    QLibrary modulo(file);
    using Funzione = const Libreria *(*)();
    const auto funzione = reinterpret_cast<Funzione>(modulo.resolve(kFunzioneModulo));
    if (funzione)
        c.libreria = funzione();
    if (!c.libreria)
        c.errore = QStringLiteral("Impossibile caricare «%1», che legge e scrive i fogli di calcolo: %2")
                       .arg(file, modulo.errorString());
    return c;
}

} // namespace

const Libreria *libreria(QString *errore)
{
    static const Caricata caricata = carica(); // once, whichever thread asks first
    if (!caricata.libreria && errore)
        *errore = caricata.errore;
    return caricata.libreria;
}

} // namespace Fogli
