// The number reader of the euro converter on arbitrary text, and the two conversions of what it reads.

#include <cfloat>
#include <cmath>

#include "numeri.h"
#include "supporto_fuzz.h"
#include "valute.h"

namespace {

bool uguali(std::optional<double> a, std::optional<double> b)
{
    return a.has_value() == b.has_value() && (!a || *a == *b);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *dati, size_t n)
{
    const QString testo = Fuzz::testoDa(dati, n);
    const Fuzz::TestoEsatto esatto(testo);
    const std::optional<double> valore = Numeri::leggi(esatto.testo());

    VERIFICA(!valore || std::isfinite(*valore));
    // Reading stops at the first character that does not fit: a comma and whatever follows change nothing.
    VERIFICA(uguali(Numeri::leggi(testo + QStringLiteral(",5E+999")), valore));
    if (!valore)
        return 0;

    // What the window writes back reads as the same number, to the 15 digits written.
    const double v = *valore;
    if (std::fabs(v) >= DBL_MIN && std::fabs(v) <= 1.7976931348623e308) {
        const std::optional<double> riletto = Numeri::leggi(Numeri::scrivi(v, QLocale::c()));
        VERIFICA(riletto && std::fabs(*riletto - v) <= 1e-14 * std::fabs(v));
    }

    Valute::Cambi cambi;
    Valute::riempiCambi(cambi);
    for (int i = 0; i < Valute::nomi().size(); ++i) {
        const double cambio = cambi[static_cast<size_t>(i)];
        if (const std::optional<Valute::Euro> euro = Valute::inEuro(v, cambio)) {
            VERIFICA(euro->centesimi >= 0 && euro->centesimi <= 99);
            VERIFICA(std::isfinite(euro->interi) && std::floor(euro->interi) == euro->interi);
            const double e = v / cambio;
            VERIFICA(std::fabs(euro->interi + euro->centesimi / 100.0 - e) <= 0.01 + 1e-12 * std::fabs(e));
        }
        if (const std::optional<double> importo = Valute::inValuta(v, v, cambio))
            VERIFICA(std::isfinite(*importo));
    }
    return 0;
}
