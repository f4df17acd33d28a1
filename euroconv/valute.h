#pragma once

#include <array>
#include <optional>

#include <QStringList>

// The ten national currencies replaced by the euro, their fixed rates, and the two conversions.
namespace Valute {

// Slot i holds the rate of the currency at position i of the list, in units of that currency per euro;
// slots 10 to 15 stay 0 and are never reached.
using Cambi = std::array<double, 16>;

// The currencies in the order of the list.
QStringList nomi();
void riempiCambi(Cambi &cambi);

// An amount in euros: the whole euros and the cents 0 to 99.
struct Euro {
    double interi = 0;
    int centesimi = 0;
};

// `importo` units of a currency at `cambio` units per euro: the whole euros are the floor (the next lower
// whole number for a negative amount), the cents come from the first three decimals, rounded half up on
// the third one alone, and 100 cents carry into the euros. The decimals are those of the decimal values of
// amount and rate (an amount worth exactly 633.005 euros gives 633 euros and 1 cent), not of their binary
// quotient. Nothing when the result is not a finite number.
std::optional<Euro> inEuro(double importo, double cambio);

// `euro` euros and `centesimi` cents in the currency, as euro x cambio + (centesimi / 100) x cambio.
// Nothing when the result is not a finite number.
std::optional<double> inValuta(double euro, double centesimi, double cambio);

} // namespace Valute
