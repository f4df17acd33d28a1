#pragma once

#include <array>

#include <QString>

// The check of an Italian VAT number (11 digits, the last one a check digit over the first ten, digits 8 to
// 10 the code of the provincial office that issued it) and the table of those offices.
namespace PartitaIva {

constexpr int kUltimoCodiceUfficio = 1050;

// Slot i holds the office with code i; an unused code holds the empty string.
using Uffici = std::array<QString, kUltimoCodiceUfficio + 1>;

// Fills the table: codes 1 to 100, 120 and 121 name their office, every other slot is emptied.
void riempiUffici(Uffici &uffici);

// The office in slot `posizione`; the empty string for an empty slot or a position outside the table.
QString officefinder(const Uffici &uffici, int posizione);

// The value of one character in the sums: its digit for 0-9, 0 for anything else.
int valoreCifra(QChar c);

// The check digit (0-9) of the first ten characters of `testo`, which must hold at least ten.
int cifraDiControllo(const QString &testo);

// The outcome of the check of `testo`, as the result line shows it.
QString verifica(const QString &testo, const Uffici &uffici);

// Whether a key typed in the number's box may go in: the digits and Backspace.
bool tastoAmmesso(int keyAscii);

} // namespace PartitaIva
