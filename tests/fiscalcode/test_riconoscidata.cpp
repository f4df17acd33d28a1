#include <gtest/gtest.h>

#include "riconoscidata.h"
#include "supporto.h"

namespace {
const QDate kOggi(2024, 3, 15);
const QLocale kItalia(QLocale::Italian, QLocale::Italy);
} // namespace

TEST(RiconosciData, DateItaliane)
{
    const struct {
        const char *testo;
        QDate attesa;
    } casi[] = {
        {"25/12/1970", QDate(1970, 12, 25)},    {"1/2/1980", QDate(1980, 2, 1)},
        {"01/02/1980", QDate(1980, 2, 1)},      {"1-2-1980", QDate(1980, 2, 1)},
        {"1.2.1980", QDate(1980, 2, 1)},        {"1 2 1980", QDate(1980, 2, 1)},
        {" 1 / 2 / 1980 ", QDate(1980, 2, 1)},  {"1  2   1980", QDate(1980, 2, 1)},
        {"1/2-1980", QDate(1980, 2, 1)},        {"1/2/80", QDate(1980, 2, 1)},
        {"1/2/30", QDate(1930, 2, 1)},          {"1/2/29", QDate(2029, 2, 1)},
        {"1/2/05", QDate(2005, 2, 1)},          {"1/2/5", QDate(2005, 2, 1)},
        {"1/2/100", QDate(100, 2, 1)},          {"31/12/9999", QDate(9999, 12, 31)},
        {"29/02/2000", QDate(2000, 2, 29)},     {"29/2/1904", QDate(1904, 2, 29)},
        {"1 gennaio 1980", QDate(1980, 1, 1)},  {"1 GEN 80", QDate(1980, 1, 1)},
        {"1-gen-1980", QDate(1980, 1, 1)},      {"1 gen. 1980", QDate(1980, 1, 1)},
        {"15 Agosto 1965", QDate(1965, 8, 15)}, {"12/3", QDate(2024, 3, 12)},
        {"29/2", QDate(2024, 2, 29)},           {"3 dicembre", QDate(2024, 12, 3)},
        {"dicembre 3", QDate(2024, 12, 3)},
    };
    for (const auto &c : casi) {
        const std::optional<QDate> d = Fiscale::riconosciData(QString::fromUtf8(c.testo), kItalia, kOggi);
        ASSERT_TRUE(d.has_value()) << c.testo;
        EXPECT_EQ(*d, c.attesa) << c.testo;
    }
}

TEST(RiconosciData, NonSonoDate)
{
    const char *casi[] = {
        "",
        "   ",
        "1980",
        "31/04/1990",
        "29/02/1981",
        "29/2/1900",
        "0/1/1980",
        "1/0/1980",
        "32/1/1980",
        "1/13/1980",
        "1/2/099",
        "1/2/10000",
        "001/2/1980",
        "1/002/1980",
        "1/2/1980/4",
        "1//2/1980",
        "/1/2/1980",
        "1/2/1980/",
        "1/2/1980 10:00",
        "a/b/c",
        "1 gennaio febbraio",
        "1 January 1980",
        "uno/2/1980",
        "1,2,1980",
        "-1/2/1980",
        "1/2/+80",
        "１/２/1980",
        "1\t2\t1980x",
        "30/2",
        "31 aprile 1990",
        "gennaio 1980",
    };
    for (const char *testo : casi)
        EXPECT_FALSE(Fiscale::riconosciData(QString::fromUtf8(testo), kItalia, kOggi).has_value()) << testo;
    // Without the year, the current one decides.
    EXPECT_FALSE(Fiscale::riconosciData(QStringLiteral("29/2"), kItalia, QDate(2023, 6, 1)).has_value());
}

TEST(RiconosciData, OrdineDelleImpostazioniRegionali)
{
    const QLocale stati(QLocale::English, QLocale::UnitedStates);
    EXPECT_EQ(Fiscale::riconosciData(QStringLiteral("2/1/1980"), stati, kOggi), QDate(1980, 2, 1));
    EXPECT_EQ(Fiscale::riconosciData(QStringLiteral("12/25/70"), stati, kOggi), QDate(1970, 12, 25));
    EXPECT_FALSE(Fiscale::riconosciData(QStringLiteral("25/12/1970"), stati, kOggi).has_value());
    EXPECT_EQ(Fiscale::riconosciData(QStringLiteral("1 February 1980"), stati, kOggi), QDate(1980, 2, 1));
    EXPECT_EQ(Fiscale::riconosciData(QStringLiteral("Feb 1 1980"), stati, kOggi), QDate(1980, 2, 1));

    const QLocale giappone(QLocale::Japanese, QLocale::Japan);
    EXPECT_EQ(Fiscale::riconosciData(QStringLiteral("1980/02/01"), giappone, kOggi), QDate(1980, 2, 1));

    const QLocale francia(QLocale::French, QLocale::France);
    EXPECT_EQ(Fiscale::riconosciData(QString::fromUtf8("1 févr. 1980"), francia, kOggi), QDate(1980, 2, 1));
    EXPECT_EQ(Fiscale::riconosciData(QString::fromUtf8("1 FÉVRIER 1980"), francia, kOggi), QDate(1980, 2, 1));
}

TEST(RiconosciData, DateDelleTabelle)
{
    using Fiscale::OrdineData;
    const struct {
        const char *testo;
        OrdineData ordine;
        QDate attesa; // invalid: not a date
        Fiscale::OrigineData origine = Fiscale::OrigineData::Testo;
    } casi[] = {
        {"07/04/1968", OrdineData::GiornoMese, QDate(1968, 4, 7)},
        {"07/04/1968", OrdineData::MeseGiorno, QDate(1968, 7, 4)},
        {"07/04/1968", OrdineData::Contraddittorio, QDate()},
        {"03/15/1975", OrdineData::Contraddittorio, QDate(1975, 3, 15)},
        {"15/03/1975", OrdineData::Contraddittorio, QDate(1975, 3, 15)},
        {"05/05/1975", OrdineData::Contraddittorio, QDate(1975, 5, 5)},
        {"15/03/1975", OrdineData::MeseGiorno, QDate()},
        {"1980-01-01 00:00:00", OrdineData::GiornoMese, QDate(1980, 1, 1)},
        {"1980-01-31T12:30:00", OrdineData::MeseGiorno, QDate(1980, 1, 31)},
        {"01/02/1980 0.00", OrdineData::GiornoMese, QDate(1980, 2, 1)},
        {"01/02/1980 23:59:59", OrdineData::MeseGiorno, QDate(1980, 1, 2)},
        {"1/2/1980 12:00 PM", OrdineData::MeseGiorno, QDate(1980, 1, 2)},
        {"01/02/1980 24:00", OrdineData::GiornoMese, QDate()},
        {"29221", OrdineData::GiornoMese, QDate(1980, 1, 1)},
        {"29221,5", OrdineData::GiornoMese, QDate(1980, 1, 1)},
        {"60", OrdineData::GiornoMese, QDate(1900, 2, 28)},
        {"0", OrdineData::GiornoMese, QDate()},
        {"1980", OrdineData::GiornoMese, QDate()}, // a year alone, not a day number
        {"1980,0", OrdineData::GiornoMese, QDate(1905, 6, 2)},
        {"15 marzo 1975", OrdineData::MeseGiorno, QDate(1975, 3, 15)},
        {"March 15, 1975", OrdineData::GiornoMese, QDate(1975, 3, 15)},
        {"15-Mar-1975", OrdineData::GiornoMese, QDate(1975, 3, 15)},
        {"4 July 1968", OrdineData::GiornoMese, QDate(1968, 7, 4)},
        {"1980-02-30", OrdineData::GiornoMese, QDate()},
        {"1/1/1980 ore 12", OrdineData::GiornoMese, QDate()},
        {"29.2.2000", OrdineData::GiornoMese, QDate(2000, 2, 29)},
        {"2-29-1900", OrdineData::MeseGiorno, QDate()},
        {"31/4/1990", OrdineData::GiornoMese, QDate()},
        {"1/13/1990", OrdineData::Contraddittorio, QDate(1990, 1, 13)},
        {"1/1/0099", OrdineData::GiornoMese, QDate()},
        {"31-12-0100", OrdineData::GiornoMese, QDate(100, 12, 31)},
        // Digits alone: a day number only from a text and for a day from 1900 to today; else day, month and
        // year without separators, a leading zero lost by a number cell put back; never a day of 2173.
        {"29221", OrdineData::GiornoMese, QDate(), Fiscale::OrigineData::Foglio},
        {"10180", OrdineData::GiornoMese, QDate(1927, 11, 14)},
        {"10180", OrdineData::GiornoMese, QDate(1980, 1, 1), Fiscale::OrigineData::Foglio},
        {"1011980", OrdineData::GiornoMese, QDate(1980, 1, 1)},
        {"1011980", OrdineData::GiornoMese, QDate(1980, 1, 1), Fiscale::OrigineData::Foglio},
        {"1111980", OrdineData::GiornoMese, QDate(1980, 11, 1)},
        {"01011980", OrdineData::GiornoMese, QDate(1980, 1, 1)},
        {"150375", OrdineData::GiornoMese, QDate(1975, 3, 15)},
        {"03151975", OrdineData::Contraddittorio, QDate(1975, 3, 15)},
        {"03041975", OrdineData::Contraddittorio, QDate()},
        {"03041975", OrdineData::MeseGiorno, QDate(1975, 3, 4)},
        {"100000", OrdineData::GiornoMese, QDate()},
        {"60000", OrdineData::GiornoMese, QDate()},
        {"45366", OrdineData::GiornoMese, QDate(2024, 3, 15)},
        {"45367", OrdineData::GiornoMese, QDate()},
        {"1231980", OrdineData::GiornoMese, QDate()},
        {"123456789", OrdineData::GiornoMese, QDate()},
    };
    for (const auto &c : casi) {
        const std::optional<QDate> d =
            Fiscale::leggiDataTabella(QString::fromUtf8(c.testo), c.ordine, kOggi, c.origine);
        EXPECT_EQ(d.value_or(QDate()), c.attesa) << c.testo << " ordine " << static_cast<int>(c.ordine);
        // The common case, on a table's bytes, reads the same date whenever it reads one.
        int giorno = 0, mese = 0, anno = 0;
        if (Fiscale::dataSemplice(QByteArrayView(c.testo), c.ordine, giorno, mese, anno)) {
            EXPECT_EQ(QDate(anno, mese, giorno), c.attesa) << c.testo;
        }
    }

    const struct {
        const char *testo;
        unsigned ordini;
    } ordini[] = {
        {"07/04/1968", Fiscale::kGiornoPrima | Fiscale::kMesePrima},
        {"03/15/1975", Fiscale::kMesePrima},
        {"15.03.75", Fiscale::kGiornoPrima},
        {"05/05/1975", 0},
        {"1975-03-15", 0},
        {"31/31/1975", 0},
        {"01/02/1980 0.00", Fiscale::kGiornoPrima | Fiscale::kMesePrima},
        {"15 marzo 1975", 0},
    };
    for (const auto &o : ordini)
        EXPECT_EQ(Fiscale::ordiniPossibili(QByteArrayView(o.testo)), o.ordini) << o.testo;
}
