#include "regole.h"

#include <cstddef>

namespace {

// Values at the odd positions of A to Z; the digits 0 to 9 weigh as A to J. At even positions a letter
// weighs its place in the alphabet from 0 and a digit itself.
constexpr int kDispari[26] = {1,  0,  5, 7, 9, 13, 15, 17, 19, 21, 2,  4,  18,
                              20, 11, 3, 6, 8, 12, 14, 16, 10, 22, 25, 24, 23};

// The weights of every byte at an odd and at an even position (nothing outside ASCII).
struct Pesi {
    unsigned char dispari[256]{}, pari[256]{};
    constexpr Pesi()
    {
        for (int c = 'A'; c <= 'Z'; ++c) {
            dispari[c] = static_cast<unsigned char>(kDispari[c - 'A']);
            pari[c] = static_cast<unsigned char>(c - 'A');
        }
        for (int c = '0'; c <= '9'; ++c) {
            dispari[c] = static_cast<unsigned char>(kDispari[c - '0']);
            pari[c] = static_cast<unsigned char>(c - '0');
        }
    }
};
constexpr Pesi kPesi;

// The month of every ASCII character, from the month letters.
struct Mesi {
    unsigned char mese[128]{};
    constexpr Mesi()
    {
        for (std::size_t i = 0; i < Fiscale::kLettereMese.size(); ++i)
            mese[static_cast<unsigned char>(Fiscale::kLettereMese[i])] = static_cast<unsigned char>(i + 1);
    }
};
constexpr Mesi kMesi;

} // namespace

namespace Fiscale {

int meseDellaLettera(char32_t c)
{
    return c < 128 ? kMesi.mese[c] : 0;
}

int pesoDispari(char32_t c)
{
    return c < 256 ? kPesi.dispari[c] : 0;
}

int pesoPari(char32_t c)
{
    return c < 256 ? kPesi.pari[c] : 0;
}

char letteraControllo(const char *quindici)
{
    const auto *u = reinterpret_cast<const unsigned char *>(quindici);
    int somma = 0;
    for (int i = 0; i < 14; i += 2)
        somma += kPesi.dispari[u[i]] + kPesi.pari[u[i + 1]];
    somma += kPesi.dispari[u[14]];
    return static_cast<char>('A' + somma % 26);
}

bool bisestile(int anno)
{
    return (anno % 4 == 0 && anno % 100 != 0) || anno % 400 == 0;
}

int giorniDelMese(int mese, bool annoBisestile)
{
    static constexpr std::array<int, 12> giorni = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return mese == 2 && annoBisestile ? 29 : giorni[static_cast<std::size_t>(mese - 1)];
}

int annoDiNascita(int dueCifre, int mese, int giorno, int annoOggi, int meseOggi, int giornoOggi)
{
    int anno = annoOggi - annoOggi % 100 + dueCifre;
    if (anno > annoOggi || (anno == annoOggi && (mese > meseOggi || (mese == meseOggi && giorno > giornoOggi))))
        anno -= 100;
    if (mese == 2 && giorno == 29 && !bisestile(anno))
        anno += bisestile(anno - 100) ? -100 : 100;
    return anno;
}

} // namespace Fiscale
