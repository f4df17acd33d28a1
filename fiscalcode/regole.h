#pragma once

#include <array>

// The rules of the fiscal code that the computation, the verification and their paths for tables of many
// rows share: each is written here once.
namespace Fiscale {

// The letter of each month, January first.
inline constexpr std::array<char, 12> kLettereMese = {'A', 'B', 'C', 'D', 'E', 'H', 'L', 'M', 'P', 'R', 'S', 'T'};

// The month (1 to 12) of a month letter; 0 for any other character.
int meseDellaLettera(char32_t c);

// What a character adds to the sum behind the check letter at an odd position (1, 3 ... 15) and at an even
// one: A-Z and 0-9 by their tables (the digits weigh as A to J), anything else nothing.
int pesoDispari(char32_t c);
int pesoPari(char32_t c);

// The check letter of the first 15 characters of a code written in ASCII.
char letteraControllo(const char *quindici);

// Leap years of the Gregorian calendar, and the days of a month (1 to 12) in a year that is leap or not.
bool bisestile(int anno);
int giorniDelMese(int mese, bool annoBisestile);

// The year of birth that two digits of a code stand for: the latest century that does not put the birth
// (day `giorno` of month `mese`) after today; 29 February moves to a century where it exists.
int annoDiNascita(int dueCifre, int mese, int giorno, int annoOggi, int meseOggi, int giornoOggi);

} // namespace Fiscale
