#include <gtest/gtest.h>

#include "partitaiva.h"
#include "supporto.h"

namespace {

const QString kLunghezza = QStringLiteral("Errore: la partita iva deve essere di 11 cifre!");
const QString kEsatto = QStringLiteral("Il codice è esatto!");
const QString kNonCifra = QStringLiteral("Errore: la partita iva deve contenere solo cifre!");
const QString kSoloZeri = QStringLiteral("Errore: la partita iva non può essere di soli zeri!");
const QString kMatricolaNulla =
    QStringLiteral("Errore: il numero dell'azienda (le prime 7 cifre) non può essere 0000000!");

QString ufficioInesistente(const char *codice)
{
    return QStringLiteral("Errore: il codice ufficio %1 non corrisponde a nessun ufficio iva!").arg(codice);
}

QString conUfficio(const char *ufficio)
{
    return kEsatto + QStringLiteral(" Il codice è stato emesso dall'ufficio iva di: ") + QString::fromUtf8(ufficio);
}

QString cifraErrata(int cifra)
{
    return QStringLiteral("Errore! L'ultimo numero doveva essere: ") + QString::number(cifra);
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
        {"abcdefghijk", kNonCifra},
        // Eleven zeros pass the check digit but are no number.
        {"00000000000", kSoloZeri},
        // Totals ending in 0 give the check digit 0, not 10.
        {"00000180190", conUfficio("Cremona")},
        {"99999999990", kEsatto},
        {"99999999991", cifraErrata(0)},
        // Office codes at the edges of the table.
        {"10000000017", conUfficio("Torino")},
        {"10000000660", conUfficio("L 'Aquila")},
        {"10000000967", conUfficio("Monza (Milano 2)")},
        {"10000001007", conUfficio("Roma 2")},
        {"10000001015", ufficioInesistente("101")},
        {"10000001197", ufficioInesistente("119")},
        {"10000001205", conUfficio("Bologna 2")},
        {"10000001213", conUfficio("Napoli 2")},
        {"10000001221", ufficioInesistente("122")},
        {"10000008887", kEsatto},
        {"10000009992", kEsatto},
        {"12345670009", ufficioInesistente("000")},
        // A company number of zeros with a valid office is no company.
        {"00000000729", kMatricolaNulla},
        {"00000000018", kMatricolaNulla},
        // A pasted character that is no digit is named before any check digit.
        {"a2345670018", kNonCifra},
        {"1234567001a", kNonCifra},
        {"1234567001 ", kNonCifra},
        {" 2345670018", kNonCifra},
        {"0000000a018", kNonCifra},
        {"1234567001٧", kNonCifra},
        {"49980670I53", kNonCifra},
    };
    for (const auto &c : casi)
        EXPECT_EQ(PartitaIva::verifica(QString::fromUtf8(c.testo), uffici), c.atteso) << c.testo;
}

TEST(PartitaIva, ComeLaTengonoIFogli)
{
    // The value of a sheet: normalised, then checked; the result line as sportello-cli gives it.
    const PartitaIva::Uffici uffici = tabella();
    const struct {
        const char *testo;
        QString atteso;
    } casi[] = {
        {"IT00743110157", conUfficio("Milano 1")},
        {"it 007 431 101 57", conUfficio("Milano 1")},
        {"00.743.110.157", conUfficio("Milano 1")},
        {"007-4311-0157\u00A0", conUfficio("Milano 1")},
        // The leading zeros dropped by a number cell: the 11-digit form when that one is right.
        {"743110157", kLunghezza + QStringLiteral(" (forse 00743110157)")},
        {"743110158", kLunghezza},
        {"12345670", kLunghezza},
        {"1234567", kLunghezza},
        {"IT", QStringLiteral("Partita IVA non specificata")},
        {" ", QStringLiteral("Partita IVA non specificata")},
        {"IT0074311015A", kNonCifra},
        {"ITA0743110157", kNonCifra},
    };
    for (const auto &c : casi) {
        const QString testo = QString::fromUtf8(c.testo);
        EXPECT_EQ(PartitaIva::messaggio(PartitaIva::controlla(PartitaIva::normalizza(testo)), uffici), c.atteso)
            << c.testo;
        // A table's cell of ASCII is normalised where it stands, alike; any other byte is left to the text.
        char16_t numero[32];
        const qsizetype n = PartitaIva::normalizza(QByteArrayView(c.testo), numero);
        if (QByteArrayView(c.testo).contains('\xC2'))
            EXPECT_EQ(n, -1) << c.testo;
        else
            EXPECT_EQ(QStringView(numero, n), PartitaIva::normalizza(testo)) << c.testo;
    }
    // The window keeps its own sentence for a short number and for an empty box.
    EXPECT_EQ(PartitaIva::verifica(QStringLiteral("743110157"), uffici), kLunghezza);
    EXPECT_EQ(PartitaIva::verifica(QString(), uffici), kLunghezza);
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
