#include "valute.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <iterator>

namespace Valute {

namespace {

struct Valuta {
    const char *nome;
    double cambio;
};

constexpr Valuta kValute[] = {
    {"Lira italiana", 1936.27},    {"Marco tedesco", 1.95583},      {"Franco belga", 40.3399},
    {"Peseta spagnola", 166.386},  {"Franco francese", 6.55957},    {"Lira irlandese", 0.787564},
    {"Fiorino olandese", 2.20371}, {"Scellino austriaco", 13.7603}, {"Escudo portoghese", 200.482},
    {"Marco finlandese", 5.94573},
};
static_assert(std::size(kValute) <= std::tuple_size_v<Cambi>);

__extension__ using Intero = __int128; // 38 digits: a 17-digit amount times 10^21

// A double as the decimal it was read from: the shortest digits that read back as the same double,
// cifre x 10^esponente.
struct Decimale {
    std::int64_t cifre = 0;
    int esponente = 0;
};

Decimale decimale(double x)
{
    char testo[40];
    const auto fine = std::to_chars(testo, testo + sizeof testo, x, std::chars_format::scientific).ptr;
    Decimale d;
    const char *c = testo;
    const bool negativo = *c == '-';
    if (negativo)
        ++c;
    int decimali = 0;
    bool dopoPunto = false;
    for (; c < fine && *c != 'e'; ++c) {
        if (*c == '.') {
            dopoPunto = true;
            continue;
        }
        d.cifre = d.cifre * 10 + (*c - '0');
        decimali += dopoPunto ? 1 : 0;
    }
    int esponente = 0;
    if (c < fine && *++c == '+')
        ++c;
    std::from_chars(c, fine, esponente);
    d.esponente = esponente - decimali;
    if (negativo)
        d.cifre = -d.cifre;
    return d;
}

Intero potenza10(int n)
{
    Intero p = 1;
    while (n-- > 0)
        p *= 10;
    return p;
}

// floor(importo / cambio x 1000) on the decimal values, when it can be reckoned exactly in 38 digits and
// the whole euros stay below 10^15: the thousandths of euro that the cents are judged on.
std::optional<Intero> millesimiEsatti(double importo, double cambio)
{
    const Decimale a = decimale(importo);
    const Decimale r = decimale(cambio);
    if (r.cifre <= 0)
        return std::nullopt;
    const int scala = a.esponente - r.esponente + 3;
    if (scala > 21 || scala < -21)
        return std::nullopt;
    const Intero numeratore = Intero(a.cifre) * potenza10(std::max(0, scala));
    const Intero denominatore = Intero(r.cifre) * potenza10(std::max(0, -scala));
    Intero m = numeratore / denominatore;
    if (numeratore % denominatore != 0 && numeratore < 0)
        m -= 1;
    const Intero limite = potenza10(18);
    if (m >= limite || m <= -limite)
        return std::nullopt;
    return m;
}

} // namespace

QStringList nomi()
{
    QStringList elenco;
    for (const Valuta &v : kValute)
        elenco << QString::fromUtf8(v.nome);
    return elenco;
}

void riempiCambi(Cambi &cambi)
{
    cambi.fill(0);
    for (std::size_t i = 0; i < std::size(kValute); ++i)
        cambi[i] = kValute[i].cambio;
}

std::optional<Euro> inEuro(double importo, double cambio)
{
    const double e = importo / cambio;
    if (!std::isfinite(e))
        return std::nullopt;
    Euro euro;
    int millesimi;
    // The amount and the rate are decimals: an amount worth exactly half a cent is judged on its decimal
    // value, which binary floating point would put just below the half.
    if (const std::optional<Intero> esatti = millesimiEsatti(importo, cambio)) {
        Intero interi = *esatti / 1000;
        if (*esatti % 1000 < 0)
            interi -= 1;
        euro.interi = static_cast<double>(interi);
        millesimi = static_cast<int>(*esatti - interi * 1000);
    } else {
        euro.interi = std::floor(e);
        // e - floor(e) is below 1, but may round to 1 for a tiny negative e: 100 cents, which carry too.
        millesimi = static_cast<int>(std::floor((e - euro.interi) * 1000));
    }
    euro.centesimi = millesimi / 10;
    if (millesimi % 10 >= 5)
        ++euro.centesimi;
    if (euro.centesimi >= 100) {
        euro.interi += 1;
        euro.centesimi = 0;
    }
    return euro;
}

std::optional<double> inValuta(double euro, double centesimi, double cambio)
{
    const double importo = euro * cambio + (centesimi / 100) * cambio;
    if (!std::isfinite(importo))
        return std::nullopt;
    return importo;
}

} // namespace Valute
