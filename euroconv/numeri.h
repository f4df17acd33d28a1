#pragma once

#include <optional>

#include <QLocale>
#include <QString>

// Numbers in the texts of the euro converter.
namespace Numeri {

// Reads the number at the front of a text by the classic BASIC Val rules: blanks, tabs and line feeds are
// ignored wherever they stand; then an optional sign, digits with at most one point, an optional exponent
// introduced by E or D; or "&H" / "&O" and a hexadecimal or octal whole number. Reading stops at the first
// character that does not fit, so a comma ends the number, and a text with no number in front gives 0.
// Returns nothing when the number lies beyond the double range (a value too small for it reads as 0).
std::optional<double> leggi(const QString &testo);

// Writes a finite number in the general format: at most 15 significant digits, no thousands separator, no
// trailing zeros, the decimal separator of `locale`, a whole number without decimal part, an exponent
// ("1E+15", "1E-05") for very large and very small numbers.
QString scrivi(double valore, const QLocale &locale = QLocale());

} // namespace Numeri
