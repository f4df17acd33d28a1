#include <gtest/gtest.h>

#include "partitaiva.h"
#include "supporto.h"

namespace {

const QString kLunghezza = QStringLiteral("Errore: la partita iva deve essere di 11 cifre!");
const QString kEsatto = QStringLiteral("Il codice è esatto!");

QString conUfficio(const char *ufficio)
{
    return kEsatto + QStringLiteral(" Il codice è stato emesso dall'ufficio iva di: ") + QString::fromUtf8(ufficio);
}

QString cifraErrata(int cifra)
{
    return QStringLiteral("Errore! L'ultimo numero doveva essere:  ") + QString::number(cifra);
}

PartitaIva::Uffici tabella()
{
    PartitaIva::Uffici uffici;
    PartitaIva::riempiUffici(uffici);
    return uffici;
}

} // namespace

TEST(PartitaIva, Verifica)
{
    const PartitaIva::Uffici uffici = tabella();
    const struct {
        const char *testo;
        QString atteso;
    } casi[] = {
        // The worked example, and the same number with a wrong check digit.
        {"12345670017", conUfficio("Torino")},
        {"12345670018", cifraErrata(7)},
        {"12345670010", cifraErrata(7)},
        // Length first, whatever the characters.
        {"", kLunghezza},
        {"1234567001", kLunghezza},
        {"123456700171", kLunghezza},
        {"abcdefghijk", cifraErrata(0)},
        // Total 0: check digit 0, office code 0 names nobody.
        {"00000000000", kEsatto},
        // Totals ending in 0 give the check digit 0, not 10.
        {"00000000190", conUfficio("Cremona")},
        {"99999999990", kEsatto},
        {"99999999991", cifraErrata(0)},
        // Office codes at the edges of the table.
        {"00000000018", conUfficio("Torino")},
        {"00000000661", conUfficio("L 'Aquila")},
        {"00000000968", conUfficio("Monza (Milano 2)")},
        {"00000001008", conUfficio("Roma 2")},
        {"00000001016", kEsatto},
        {"00000001198", kEsatto},
        {"00000001206", conUfficio("Bologna 2")},
        {"00000001214", conUfficio("Napoli 2")},
        {"00000001222", kEsatto},
        {"00000009993", kEsatto},
        // Pasted non-digits count 0; at position 11 the check digit can never match.
        {"a2345670018", conUfficio("Torino")},
        {"1234567001a", cifraErrata(7)},
        {"1234567001 ", cifraErrata(7)},
        {" 2345670018", conUfficio("Torino")},
        // A non-digit among the office digits names no office, even where it would count as code 001.
        {"0000000a018", kEsatto},
        {"1234567001٧", cifraErrata(7)},
    };
    for (const auto &c : casi)
        EXPECT_EQ(PartitaIva::verifica(QString::fromUtf8(c.testo), uffici), c.atteso) << c.testo;
}

TEST(PartitaIva, TabellaUffici)
{
    const PartitaIva::Uffici uffici = tabella();
    int piene = 0;
    for (const QString &u : uffici)
        piene += u.isEmpty() ? 0 : 1;
    EXPECT_EQ(piene, 102);

    const struct {
        int posizione;
        const char *ufficio;
    } casi[] = {
        {1, "Torino"},   {40, "Forlì"},      {66, "L 'Aquila"}, {99, "Chiavari (Genova 2)"},
        {100, "Roma 2"}, {120, "Bologna 2"}, {121, "Napoli 2"}, {0, ""},
        {101, ""},       {119, ""},          {122, ""},         {1050, ""},
        {-1, ""},        {1051, ""},         {32767, ""},
    };
    for (const auto &c : casi)
        EXPECT_EQ(PartitaIva::officefinder(uffici, c.posizione), QString::fromUtf8(c.ufficio)) << c.posizione;
}

TEST(PartitaIva, RiempireDiNuovoCancellaIlResto)
{
    PartitaIva::Uffici uffici;
    uffici[500] = QStringLiteral("avanzo");
    uffici[1] = QStringLiteral("avanzo");
    PartitaIva::riempiUffici(uffici);
    EXPECT_EQ(uffici[500], QString());
    EXPECT_EQ(uffici[1], QStringLiteral("Torino"));
}
