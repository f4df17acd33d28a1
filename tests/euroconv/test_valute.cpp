#include <gtest/gtest.h>

#include <cfloat>
#include <optional>

#include "numeri.h"
#include "supporto.h"
#include "valute.h"

namespace {

Valute::Cambi cambi()
{
    Valute::Cambi c;
    Valute::riempiCambi(c);
    return c;
}

enum Posizione { Lira = 0, Marco = 1, LiraIrlandese = 5 };

} // namespace

TEST(Valute, ElencoECambi)
{
    EXPECT_EQ(Valute::nomi(), (QStringList{"Lira italiana", "Marco tedesco", "Franco belga", "Peseta spagnola",
                                           "Franco francese", "Lira irlandese", "Fiorino olandese",
                                           "Scellino austriaco", "Escudo portoghese", "Marco finlandese"}));
    const Valute::Cambi c = cambi();
    const double attesi[] = {1936.27, 1.95583, 40.3399, 166.386, 6.55957, 0.787564, 2.20371, 13.7603,
                             200.482, 5.94573, 0,       0,       0,       0,        0,       0};
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(c[i], attesi[i]) << i;
}

TEST(Valute, InEuro)
{
    const Valute::Cambi c = cambi();
    const struct {
        const char *importo;
        double cambio;
        double interi;
        int centesimi;
    } casi[] = {
        {"10000", c[Lira], 5, 16},
        {"1936.27", c[Lira], 1, 0},
        // e = 1.99500..., the cents round up to 100 and carry.
        {"3862.86", c[Lira], 2, 0},
        {"100", c[Marco], 51, 13},
        {"561.5183", c[Lira], 0, 29},
        // Floor for negatives: e = -0.000516..., w = -1, m = 999, 100 cents carry.
        {"-1", c[Lira], 0, 0},
        {"-1936.27", c[Lira], -1, 0},
        {"", c[Lira], 0, 0},
        {"abc", c[Lira], 0, 0},
        // With rate 1 the amount is e itself; these are exact in binary.
        {"2.5", 1, 2, 50},
        {"-0.25", 1, -1, 75},
        {"0.015625", 1, 0, 2},
        {"0.0146484375", 1, 0, 1},
        {"0.994140625", 1, 0, 99},
        {"0.99609375", 1, 1, 0},
        {"-1E-20", 1, 0, 0},
        {"1E300", 1, 1E300, 0},
        // Exactly half a cent in decimal, just below it in binary: rounded up all the same.
        {"1225668.59135", c[Lira], 633, 1},
        {"3882.22135", c[Lira], 2, 1},
        {"1.96560915", c[Marco], 1, 1},
        {"1225668.59134", c[Lira], 633, 0},
    };
    for (const auto &caso : casi) {
        const std::optional<Valute::Euro> euro =
            Valute::inEuro(*Numeri::leggi(QString::fromUtf8(caso.importo)), caso.cambio);
        ASSERT_TRUE(euro.has_value()) << caso.importo;
        EXPECT_EQ(euro->interi, caso.interi) << caso.importo;
        EXPECT_EQ(euro->centesimi, caso.centesimi) << caso.importo;
    }
}

TEST(Valute, InValuta)
{
    const Valute::Cambi c = cambi();
    const struct {
        double euro;
        double centesimi;
        double cambio;
        double atteso;
    } casi[] = {
        {5, 16, c[Lira], 9991.1532},
        {1, 0, c[Lira], 1936.27},
        // Cents are cents: 5 is 5 cents, not 50.
        {0, 5, c[Lira], 96.8135},
        {0, 50, c[Lira], 968.135},
        // Two products, then the sum: (1 + 0.09) x r would give 2110.5343000000003.
        {1, 9, c[Lira], 2110.5343},
        {-1, 0, c[Marco], -1.95583},
    };
    for (const auto &caso : casi) {
        const std::optional<double> importo = Valute::inValuta(caso.euro, caso.centesimi, caso.cambio);
        ASSERT_TRUE(importo.has_value()) << caso.euro << " " << caso.centesimi;
        EXPECT_EQ(*importo, caso.atteso) << caso.euro << " " << caso.centesimi;
    }
}

TEST(Valute, RisultatiOltreIlCampoNonSiScrivono)
{
    const Valute::Cambi c = cambi();
    EXPECT_FALSE(Valute::inEuro(DBL_MAX, c[LiraIrlandese]).has_value());
    EXPECT_FALSE(Valute::inEuro(1, 0).has_value());
    EXPECT_FALSE(Valute::inValuta(1E308, 0, c[Lira]).has_value());
    EXPECT_FALSE(Valute::inValuta(0, 1E308, c[Lira]).has_value());
    // inf - inf: not a number.
    EXPECT_FALSE(Valute::inValuta(1E308, -1E308 * 100, c[Lira]).has_value());
    EXPECT_TRUE(Valute::inEuro(DBL_MAX, c[Lira]).has_value());
}
