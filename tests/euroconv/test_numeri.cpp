#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <optional>

#include "numeri.h"
#include "supporto.h"

TEST(Numeri, LeggeComeVal)
{
    const struct {
        const char *testo;
        double atteso;
    } casi[] = {
        // No number in front gives 0.
        {"", 0},
        {"abc", 0},
        {".", 0},
        {"-", 0},
        {"E5", 0},
        // Digits, at most one point.
        {"10000", 10000},
        {"1936.27", 1936.27},
        {"561.5183", 561.5183},
        {"007", 7},
        {".5", 0.5},
        {"5.", 5},
        {"0.05", 0.05},
        {"1225668.59135", 1225668.59135}, // the nearest double, not one a step below
        {"1.2.3", 1.2},
        // A comma ends the number, whatever the regional settings.
        {"1936,27", 1936},
        {"1.936,27", 1.936},
        {"12abc", 12},
        {"5 euro", 5},
        // Blanks, tabs and line feeds are ignored wherever they stand; a carriage return is not.
        {"  1 2 3  ", 123},
        {"\t1\n5", 15},
        {"- 5", -5},
        {"1 . 5", 1.5},
        {"\r5", 0},
        {"5\r6", 5},
        // Sign.
        {"-1", -1},
        {"+7", 7},
        {"--5", 0},
        {"+-5", 0},
        // Exponent with E or D, either case, with its own sign.
        {"1E3", 1000},
        {"1e3", 1000},
        {"1D2", 100},
        {"1d-2", 0.01},
        {"2.5E+2", 250},
        {"1 E 3", 1000},
        {"1E", 1},
        {"1E+", 1},
        {"1E-x", 1},
        {"1E2.5", 100},
        {"1E2E3", 100},
        {".5E1", 5},
        {"0E999999999", 0},
        // Hexadecimal and octal whole numbers, at the front only.
        {"&H1F", 31},
        {"&h1f", 31},
        {"& H 1 F", 31},
        {"&HFF.5", 255},
        {"&HFFFF", 65535},
        {"&HFFFFFFFFFFFFFFFF", 18446744073709551615.0},
        {"&O17", 15},
        {"&o778", 63},
        {"&O8", 0},
        {"&H", 0},
        {"&HG", 0},
        {"&X12", 0},
        {"&", 0},
        {"-&H10", 0},
        // Too small for a double reads as 0; the smallest double and the largest still read.
        {"1E-400", 0},
        {"4.9406564584124654E-324", 4.9406564584124654E-324},
        {"1.7976931348623157E308", DBL_MAX},
        {"0.00000000000000000000000000000000000001E346", 1E308},
    };
    for (const auto &c : casi) {
        const std::optional<double> letto = Numeri::leggi(QString::fromUtf8(c.testo));
        ASSERT_TRUE(letto.has_value()) << c.testo;
        EXPECT_EQ(*letto, c.atteso) << c.testo;
    }
}

TEST(Numeri, OltreIlCampoDeiDoubleNonSiLegge)
{
    const QString casi[] = {
        QStringLiteral("1E400"),
        QStringLiteral("-1E400"),
        QStringLiteral("1.8E308"),
        QStringLiteral("1E99999999999999999999999"),
        QStringLiteral("1") + QString(400, QLatin1Char('0')),
        QStringLiteral("&H10000000000000000"),
        QStringLiteral("&O7777777777777777777777"),
    };
    for (const QString &testo : casi)
        EXPECT_FALSE(Numeri::leggi(testo).has_value()) << testo.left(40).toStdString();
}

TEST(Numeri, TestiLunghiSiLegganoPerIntero)
{
    // Hundreds of digits: the value is still the double nearest to the whole number written.
    EXPECT_EQ(Numeri::leggi(QStringLiteral("0.") + QString(900, QLatin1Char('1'))), 1.0 / 9.0);
    EXPECT_EQ(Numeri::leggi(QStringLiteral("0.") + QString(2000, QLatin1Char('0')) + QStringLiteral("1E2001")), 1.0);
    EXPECT_EQ(Numeri::leggi(QString(100000, QLatin1Char(' ')) + QStringLiteral("42")), 42.0);
    // The sign of a zero does not show.
    EXPECT_EQ(Numeri::scrivi(*Numeri::leggi(QStringLiteral("-0"))), QStringLiteral("0"));
    EXPECT_EQ(Numeri::scrivi(*Numeri::leggi(QStringLiteral("-1E-400"))), QStringLiteral("0"));
}

TEST(Numeri, ScriveConIlSeparatoreDelleImpostazioniInternazionali)
{
    const QLocale italiano(QLocale::Italian, QLocale::Italy);
    const QLocale inglese(QLocale::English, QLocale::UnitedStates);
    const struct {
        double valore;
        const char *italiano;
        const char *inglese;
    } casi[] = {
        {0, "0", "0"},
        {-0.0, "0", "0"},
        {5, "5", "5"},
        {-1, "-1", "-1"},
        {100, "100", "100"},
        {9991.1532, "9991,1532", "9991.1532"},
        {1936.27, "1936,27", "1936.27"},
        {-2.5, "-2,5", "-2.5"},
        // No thousands separator.
        {1234567.5, "1234567,5", "1234567.5"},
        // At most 15 significant digits, no trailing zeros.
        {123456789012345, "123456789012345", "123456789012345"},
        {0.1 + 0.2, "0,3", "0.3"},
        {1.0 / 3.0, "0,333333333333333", "0.333333333333333"},
        {2.0 / 3.0, "0,666666666666667", "0.666666666666667"},
        {0.0001, "0,0001", "0.0001"},
        // Very large and very small numbers with an exponent.
        {1E15, "1E+15", "1E+15"},
        {1234567890123456, "1,23456789012346E+15", "1.23456789012346E+15"},
        {0.00001, "1E-05", "1E-05"},
        {-1E300, "-1E+300", "-1E+300"},
    };
    for (const auto &c : casi) {
        EXPECT_EQ(Numeri::scrivi(c.valore, italiano), QString::fromUtf8(c.italiano)) << c.valore;
        EXPECT_EQ(Numeri::scrivi(c.valore, inglese), QString::fromUtf8(c.inglese)) << c.valore;
    }
    // By default, the user's regional settings (Italian in the tests).
    EXPECT_EQ(Numeri::scrivi(0.5), QStringLiteral("0,5"));
}
