#include "valute.h"

#include <cmath>
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
    euro.interi = std::floor(e);
    // e - floor(e) is below 1, but may round to 1 for a tiny negative e: that is 100 cents and carries too.
    const int millesimi = static_cast<int>(std::floor((e - euro.interi) * 1000));
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
