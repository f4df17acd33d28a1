#include <gtest/gtest.h>

#include <optional>

#include "calcolo.h"
#include "calcolorapido.h"
#include "codici.h"
#include "cp1252.h"
#include "supporto.h"

using Fiscale::Esito;

namespace {

Fiscale::TabellaCodici tabellaProva()
{
    Fiscale::TabellaCodici t;
    t.analizza(recordCodici("PROVA", "PR", "A000") + recordCodici("FORL\xCC", "FC", "D704") +
               recordCodici("CORTO", "CO", "A00") + recordCodici("DOPPIO", "AA", "A001") +
               recordCodici("DOPPIO", "BB", "B001") + fineCodici());
    return t;
}

// The code of the path for tables of many rows (Windows-1252 bytes), when it gives one.
std::optional<QString> rapido(const QStringList &testi, bool femmina, QDate data, const Fiscale::TabellaCodici &tabella)
{
    static const Fiscale::CalcoloRapido calcolo;
    QByteArray b[4];
    for (int i = 0; i < 4; ++i) {
        b[i] = Cp1252::codifica(testi[i]);
        if (Cp1252::decodifica(b[i]) != testi[i] || b[i].isEmpty())
            return std::nullopt;
    }
    std::optional<QByteArrayView> catastale;
    if (calcolo.maiuscole(b[2].data(), b[2].size()) && calcolo.maiuscole(b[3].data(), b[3].size()))
        catastale = tabella.trovacodByte(b[2], b[3], Fiscale::giornoDi(data));
    char codice[16];
    if (!catastale || !calcolo.codice(b[0], b[1], femmina, data.day(), data.month(), data.year(), *catastale, codice))
        return std::nullopt;
    return QString::fromLatin1(codice, 16);
}

// The code of Fiscale::CodiceFiscale; the path for tables gives the same whenever it gives one.
Esito calcola(const char *cognome, const char *nome, const char *sesso = "M", QDate data = QDate(1980, 1, 1),
              const char *comune = "PROVA", const char *provincia = "PR")
{
    static const Fiscale::TabellaCodici tabella = tabellaProva();
    const QStringList testi = {QString::fromUtf8(cognome), QString::fromUtf8(nome), QString::fromUtf8(comune),
                               QString::fromUtf8(provincia)};
    Esito esito =
        Fiscale::CodiceFiscale(testi[0], testi[1], QString::fromUtf8(sesso), data, testi[2], testi[3], tabella);
    const QString s = QString::fromUtf8(sesso).toUpper();
    if (data.isValid() && (s == u"M" || s == u"F")) {
        if (const std::optional<QString> r = rapido(testi, s == u"F", data, tabella)) {
            EXPECT_EQ(*r, esito.codice) << cognome << ' ' << nome;
        }
    }
    return esito;
}

} // namespace

TEST(Compattastringa, SpaziTolti_AccentiPiegati_ResoMaiuscolo)
{
    const struct {
        const char *testo;
        const char *atteso;
    } casi[] = {
        {"", ""},
        {"   ", ""},
        {"de luca", "DELUCA"},
        {"D'Angelo", "D'ANGELO"},
        {"Nicolò", "NICOLO"},
        {"Èva", "EVA"},
        {"a-b\tc\u00A0d 1", "A-B\tC\u00A0D1"}, // only the plain space goes
        {"ÀÁÂÃÄÅàáâãäå", "AAAAAAAAAAAA"},
        {"ÈÉÊËèéêë", "EEEEEEEE"},
        {"ÌÍÎÏìíîï", "IIIIIIII"},
        {"ÒÓÔÕÖòóôõö", "OOOOOOOOOO"},
        {"ÙÚÛÜùúûü", "UUUUUUUU"},
        // Every Latin letter with diacritics, of the code page or not, as its plain letter.
        {"ÇçÑñŠšŽžÝýŸÿ", "CCNNSSZZYYYY"},
        {"Dvořák Łęcka Đorđević", "DVORAKLECKADORDEVIC"},
        {"ŞţĞıİ", "STGII"},
        // Letters written without their strokes, or as two letters; ǽ is æ with an accent, Ǿ is Ø.
        {"ßẞÆæŒœØøǾÐðÞ", "SSSSAEAEOEOEOOODDTH"},
        {"µ'-1", "µ'-1"}, // what is no letter stays
        {"Иван😀", "??????"},
    };
    for (const auto &c : casi)
        EXPECT_EQ(Fiscale::compattastringa(QString::fromUtf8(c.testo)), QString::fromUtf8(c.atteso)) << c.testo;
}

TEST(CodiceFiscale, CognomeENome)
{
    const struct {
        const char *cognome;
        const char *atteso;
    } cognomi[] = {
        {"ROSSI", "RSS"},
        {"FO", "FOX"},
        {"D'ANGELO", "DNG"},
        {"DE LUCA", "DLC"},
        {"NICOLÒ", "NCL"},
        {"   ", "XXX"},
        {"''", "XXX"},
        {"😀", "XXX"}, // no letters at all: no message
        {"de luca", "DLC"},
        {"ÈVA", "VEA"},
        {"Ñandú", "NND"},
        {"Muñoz", "MNZ"},
        {"Müßig", "MSS"},
        {"Çelik", "CLK"},
        {"Ørsted", "RST"},
        // Small letters give what their capitals give.
        {"Ãna", "NAA"},
        {"ãna", "NAA"},
        {"ÆSA", "SAE"},
        {"æsa", "SAE"},
        {"D'Àngelo-Rè", "DNG"},
        {"Dvořák", "DVR"},
        {"Øyvind", "YVN"},
    };
    for (const auto &c : cognomi)
        EXPECT_EQ(calcola(c.cognome, "MARCO").codice.left(3), QString::fromUtf8(c.atteso)) << c.cognome;

    const struct {
        const char *nome;
        const char *atteso;
    } nomi[] = {
        {"MARCO", "MRC"}, {"GIANFRANCO", "GFR"}, {"ROBERTO", "RRT"}, {"ALESSANDRO", "LSN"}, {"LUCA", "LCU"},
        {"ANNA", "NNA"},  {"IO", "IOX"},         {"EVA", "VEA"},     {"ÈVA", "VEA"},        {"Gian Franco", "GFR"},
        {" ", "XXX"},     {"François", "FNC"},   {"Iñigo", "NGI"},   {"Žaneta", "ZNT"},     {"Łukasz", "LSZ"},
    };
    for (const auto &c : nomi)
        EXPECT_EQ(calcola("ROSSI", c.nome).codice.mid(3, 3), QString::fromUtf8(c.atteso)) << c.nome;
}

TEST(CodiceFiscale, SommaECarattereDiControllo)
{
    EXPECT_EQ(Fiscale::sommaControllo(u"RSSMRA80A01A000"), 80);
    EXPECT_EQ(Fiscale::carattereControllo(u"RSSMRA80A01A000"), u'C');
    EXPECT_EQ(Fiscale::sommaControllo(u"FOXLCU85T41A000"), 132);
    EXPECT_EQ(Fiscale::carattereControllo(u"FOXLCU85T41A000"), u'C');
    // Each row of the value table once at an odd and once at an even position, with a zero-weight partner.
    const QString caratteri = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789");
    const int dispari[] = {1,  0,  5,  7,  9,  13, 15, 17, 19, 21, 2, 4, 18, 20, 11, 3,  6,  8,
                           12, 14, 16, 10, 22, 25, 24, 23, 1,  0,  5, 7, 9,  13, 15, 17, 19, 21};
    const int pari[] = {0,  1,  2,  3,  4,  5,  6,  7,  8, 9, 10, 11, 12, 13, 14, 15, 16, 17,
                        18, 19, 20, 21, 22, 23, 24, 25, 0, 1, 2,  3,  4,  5,  6,  7,  8,  9};
    for (int i = 0; i < caratteri.size(); ++i) {
        EXPECT_EQ(Fiscale::sommaControllo(QString(caratteri[i]) + u'A'), dispari[i]) << i;
        EXPECT_EQ(Fiscale::sommaControllo(QString(u'B') + caratteri[i]), pari[i]) << i;
    }
    // Lower case and other characters weigh nothing; only the first 15 count.
    EXPECT_EQ(Fiscale::sommaControllo(u"a*z-ì"), 0);
    EXPECT_EQ(Fiscale::sommaControllo(u"BBBBBBBBBBBBBBBZZZZ"), 7);
}

TEST(CodiceFiscale, CodiciInteri)
{
    Esito e = calcola("Rossi", "Mario", "M", QDate(1980, 1, 1));
    EXPECT_EQ(e.codice, QStringLiteral("RSSMRA80A01A000C"));
    EXPECT_EQ(e.errore, 0);
    EXPECT_TRUE(e.messaggio.isEmpty());
    EXPECT_EQ(calcola("Fo", "Lucia", "F", QDate(1985, 12, 1)).codice, QStringLiteral("FOXLCU85T41A000C"));
    // Lower case everywhere gives the same code.
    EXPECT_EQ(calcola("fo", "lucia", "f", QDate(1985, 12, 1), "prova", "pr").codice,
              QStringLiteral("FOXLCU85T41A000C"));
    EXPECT_EQ(calcola("Rossi", "Mario", "m", QDate(1980, 1, 1), "forlì", "fc").codice.mid(11, 4),
              QStringLiteral("D704"));
    for (const Esito &x : {calcola("Rossi", "Mario"), calcola("Bianchi", "Anna", "F", QDate(2005, 6, 30))})
        EXPECT_TRUE(Fiscale::ControllaCodiceFiscale(x.codice)) << x.codice.toStdString();
}

TEST(CodiceFiscale, AnnoMeseGiorno)
{
    const struct {
        QDate data;
        const char *sesso;
        const char *atteso; // positions 7 to 11
    } casi[] = {
        {QDate(1980, 1, 1), "M", "80A01"},  {QDate(1980, 1, 1), "F", "80A41"},  {QDate(1970, 12, 31), "F", "70T71"},
        {QDate(1999, 3, 5), "M", "99C05"},  {QDate(2005, 6, 15), "M", "05H15"}, {QDate(1900, 7, 9), "F", "00L49"},
        {QDate(2000, 2, 29), "M", "00B29"}, {QDate(1985, 4, 1), "M", "85D01"},  {QDate(1985, 5, 1), "M", "85E01"},
        {QDate(1985, 8, 1), "M", "85M01"},  {QDate(1985, 9, 1), "M", "85P01"},  {QDate(1985, 10, 1), "M", "85R01"},
        {QDate(1985, 11, 1), "M", "85S01"}, {QDate(1234, 5, 6), "M", "34E06"},
        {QDate::fromJulianDay(-784350574879), "F", "48A41"}, // the first day of the earliest year QDate has
    };
    for (const auto &c : casi)
        EXPECT_EQ(calcola("ROSSI", "MARIO", c.sesso, c.data).codice.mid(6, 5), QString::fromLatin1(c.atteso))
            << c.data.toString(Qt::ISODate).toStdString();
}

TEST(CodiceFiscale, ControlliInOrdine)
{
    const struct {
        const char *cognome, *nome, *sesso, *comune, *provincia;
        int errore;
        const char *messaggio;
    } casi[] = {
        {"", "", "", "", "", 1, "Cognome non specificato"},
        {"ROSSI", "", "", "", "", 2, "Nome non specificato"},
        {"Иванов", "", "", "", "", 1, "Cognome senza lettere latine: scriverlo come nel documento"},
        {"ROSSI", "王 小明", "M", "PROVA", "PR", 2, "Nome senza lettere latine: scriverlo come nel documento"},
        {"ROSSI", "MARIO", "M", "", "", 3, "Luogo di nascita non specificato"},
        // A name without its province is enough when one place bears it.
        {"ROSSI", "MARIO", "F", "DOPPIO", "", 4,
         "Comune ambiguo: indicare la provincia. Forse cercavi: DOPPIO (AA), DOPPIO (BB)"},
        {"ROSSI", "MARIO", "M", "NESSUNO", "PR", 5, "Comune non trovato"},
        {"ROSSI", "MARIO", "M", "PROVA ", "PR", 5, "Comune non trovato"},
        {"ROSSI", "MARIO", "M", "PROVA", "XX", 5, "Provincia errata per PROVA: XX. Forse cercavi: PROVA (PR)"},
        {"ROSSI", "MARIO", "M", "PROVA", "Padova", 5, "Provincia non riconosciuta: «Padova»"},
        // A sex other than M or F stops without a failure code of its own, before the place is tested.
        {"ROSSI", "MARIO", "X", "", "", 0, "Sesso non specificato"},
        {"ROSSI", "MARIO", "", "PROVA", "PR", 0, "Sesso non specificato"},
        {"ROSSI", "MARIO", "MF", "PROVA", "PR", 0, "Sesso non specificato"},
    };
    for (const auto &c : casi) {
        const Esito e = calcola(c.cognome, c.nome, c.sesso, QDate(1980, 1, 1), c.comune, c.provincia);
        EXPECT_EQ(e.codice, QStringLiteral("****************")) << c.messaggio;
        EXPECT_EQ(e.errore, c.errore) << c.messaggio;
        EXPECT_EQ(e.messaggio, QString::fromUtf8(c.messaggio));
    }
    EXPECT_EQ(calcola("ROSSI", "MARIO", "M", QDate()).codice, QStringLiteral("****************"));
}

TEST(CodiceFiscale, CodiceCatastaleCortoNonPassaIlControllo)
{
    const Esito corto = calcola("ROSSI", "MARIO", "M", QDate(1980, 1, 1), "CORTO", "CO");
    EXPECT_EQ(corto.codice.size(), 15);
    EXPECT_EQ(corto.errore, 0);
    EXPECT_FALSE(Fiscale::ControllaCodiceFiscale(corto.codice));
}

TEST(ControllaCodiceFiscale, SoloLunghezzaECarattereDiControllo)
{
    const QString buono = QStringLiteral("RSSMRA80A01A000C");
    EXPECT_TRUE(Fiscale::ControllaCodiceFiscale(buono));
    EXPECT_FALSE(Fiscale::ControllaCodiceFiscale(QString()));
    EXPECT_FALSE(Fiscale::ControllaCodiceFiscale(buono.left(15)));
    EXPECT_FALSE(Fiscale::ControllaCodiceFiscale(buono + u'C'));
    EXPECT_FALSE(Fiscale::ControllaCodiceFiscale(buono.left(15) + u'D'));
    EXPECT_FALSE(Fiscale::ControllaCodiceFiscale(buono.toLower()));
    EXPECT_FALSE(Fiscale::ControllaCodiceFiscale(buono.left(15) + u'c'));
    // Letters in place of digits (omocodia) pass whenever the check letter matches the new sum.
    const QString lettere = QStringLiteral("RSSMRAULALMALLL");
    EXPECT_TRUE(Fiscale::ControllaCodiceFiscale(lettere + Fiscale::carattereControllo(lettere)));
    // Nothing but the check letter is judged.
    const QString strano = QStringLiteral("***************");
    EXPECT_TRUE(Fiscale::ControllaCodiceFiscale(strano + u'A'));
}
