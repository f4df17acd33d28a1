#include "libreriafogli.h"

#include "scrittorexlsx.h"

namespace Fogli {

const Libreria &libreriaCollegata()
{
    static const Libreria collegata{
        []() -> std::unique_ptr<Lettore> { return std::make_unique<LettoreFoglio>(); },
        [](const QString &percorso) -> std::unique_ptr<Scrittore> { return std::make_unique<ScrittoreXlsx>(percorso); },
    };
    return collegata;
}

} // namespace Fogli
