#include <gtest/gtest.h>

#include <random>

#include <QDir>
#include <QFile>


#include "codici.h"
#include "cp1252.h"
#include "errorifile.h"
#include "supporto.h"
#include "tabellacodici.h"

using Fiscale::TabellaCodici;

namespace {

QByteArray molti(int quanti)
{
    QByteArray dati;
    dati.reserve(qsizetype(quanti) * 32);
    for (int i = 0; i < quanti; ++i)
        dati +=
            recordCodici("COMUNE " + QByteArray::number(i), "XX", QByteArray::number(i % 10000).rightJustified(4, '0'));
    return dati;
}

struct Caricata {
    int errore;
    TabellaCodici tabella;
};

Caricata carica(const QByteArray &contenuto)
{
    CartellaProgrammaFinta cartella;
    cartella.scrivi(QStringLiteral("codes.cf"), contenuto);
    Caricata c;
    c.errore = c.tabella.carica(cartella.file(QStringLiteral("codes.cf")));
    return c;
}

} // namespace

TEST(TabellaCodici, FileMancanteDa53)
{
    CartellaProgrammaFinta cartella;
    TabellaCodici tabella;
    EXPECT_EQ(tabella.carica(cartella.file(QStringLiteral("codes.cf"))), ErroriFile::FileNonTrovato);
    EXPECT_EQ(tabella.numeroVoci(), 0);
    EXPECT_FALSE(tabella.conteggio().has_value());
    EXPECT_EQ(tabella.trovacod(QStringLiteral("ROMA"), QStringLiteral("RM")), QStringLiteral("*NOTFOUND*"));
}

TEST(TabellaCodici, FineDellaTabellaEDelFile)
{
    const struct {
        const char *caso;
        QByteArray dati;
        int errore;
        int voci;
    } casi[] = {
        {"file vuoto", QByteArray(), 0, 0},
        {"solo END", fineCodici(), 0, 0},
        {"END maiuscolo chiude", recordCodici("ROMA") + fineCodici() + recordCodici("MILANO", "MI", "F205"), 0, 1},
        {"END con spazi davanti", recordCodici("ROMA") + recordCodici("   END") + recordCodici("MILANO"), 0, 1},
        {"end minuscolo e' una voce", recordCodici("ROMA") + recordCodici("end") + recordCodici("MILANO"), 0, 3},
        {"END senza il resto del record", recordCodici("ROMA") + QByteArray("END").leftJustified(20), 0, 1},
        {"END tronco nel nome", recordCodici("ROMA") + QByteArray("END"), ErroriFile::FineFileInattesa, 1},
        {"senza END fino alla fine", recordCodici("ROMA") + recordCodici("MILANO"), 0, 2},
        {"ultimo record tronco", recordCodici("ROMA") + recordCodici("MILANO").left(31), ErroriFile::FineFileInattesa,
         1},
        {"tronco nel nome", recordCodici("ROMA") + QByteArray("MIL"), ErroriFile::FineFileInattesa, 1},
        {"righe senza ritorno a capo", QByteArray("ROMA                RMH501    \nMILANO"),
         ErroriFile::FineFileInattesa, 1},
        {"9000 voci ed END", molti(9000) + fineCodici(), 0, 9000},
        {"9001 voci ed END", molti(9001) + fineCodici(), 0, 9001},
        {"20000 voci ed END", molti(20000) + fineCodici(), 0, 20000},
        {"20001 voci senza END", molti(20001), 0, 20001},
        {"20001 voci ed END", molti(20001) + fineCodici(), ErroriFile::IndiceFuoriIntervallo, 20001},
        {"file molto lungo", molti(25000), ErroriFile::IndiceFuoriIntervallo, 20001},
    };
    for (const auto &c : casi) {
        SCOPED_TRACE(c.caso);
        const Caricata r = carica(c.dati);
        EXPECT_EQ(r.errore, c.errore);
        EXPECT_EQ(r.tabella.numeroVoci(), c.voci);
        // The count is stored only when the whole file was read.
        EXPECT_EQ(r.tabella.conteggio().has_value(), c.errore == 0);
        if (c.errore == 0) {
            EXPECT_EQ(*r.tabella.conteggio(), c.voci);
        }
    }
}

TEST(TabellaCodici, TabellaPienaTrovaLUltimaVoce)
{
    const Caricata r = carica(molti(20000) + fineCodici());
    ASSERT_EQ(r.errore, 0);
    EXPECT_EQ(r.tabella.trovacod(QStringLiteral("comune 19999"), QStringLiteral("xx")), QStringLiteral("9999"));
    EXPECT_EQ(r.tabella.trovacod(QStringLiteral("COMUNE 0"), QStringLiteral("XX")), QStringLiteral("0000"));
}

TEST(TabellaCodici, CampiSenzaSpaziMaIlRestoIntatto)
{
    const Caricata r = carica(QByteArray("  SAN  PIETRO").leftJustified(20) + "RM" + "A1 2" + "xxxx\r\n" +
                              QByteArray("\tTAB").leftJustified(20) + "X " + " Z9 " + "    \r\n");
    ASSERT_EQ(r.errore, 0);
    ASSERT_EQ(r.tabella.numeroVoci(), 2);
    EXPECT_EQ(r.tabella.voce(0).nome, u"SAN  PIETRO");
    EXPECT_EQ(r.tabella.voce(0).provincia, u"RM");
    EXPECT_EQ(r.tabella.voce(0).codice, u"A1 2");
    EXPECT_EQ(r.tabella.voce(1).nome, u"\tTAB");
    EXPECT_EQ(r.tabella.voce(1).provincia, u"X");
    EXPECT_EQ(r.tabella.voce(1).codice, u"Z9");
    // Four characters that are not a year count as blank: valid today.
    EXPECT_EQ(r.tabella.annoFine(0), 0);
    EXPECT_EQ(r.tabella.annoFine(1), 0);
}

TEST(TabellaCodici, DecodificaWindows1252)
{
    // 0xCC is Ì, 0x8A is Š (U+0160), not a C1 control as in Latin-1; 0xD2 is Ò.
    const Caricata r = carica(recordCodici("FORL\xCC", "FC", "D704") +
                              recordCodici("\x8A"
                                           "ENTA",
                                           "ZZ", "Z999") +
                              recordCodici("NICOL\xD2", "AA", "A111"));
    ASSERT_EQ(r.errore, 0);
    EXPECT_EQ(r.tabella.voce(1).nome, QString::fromUtf8("ŠENTA"));
    EXPECT_EQ(r.tabella.trovacod(QString::fromUtf8("Forlì"), QStringLiteral("fc")), QStringLiteral("D704"));
    EXPECT_EQ(r.tabella.trovacod(QString::fromUtf8("šenta"), QStringLiteral("ZZ")), QStringLiteral("Z999"));
    EXPECT_EQ(r.tabella.trovacod(QString::fromUtf8("NICOLÒ"), QStringLiteral("AA")), QStringLiteral("A111"));
    // Every byte is one character: the file's length in characters equals its length in bytes.
    QByteArray tutti;
    for (int b = 1; b < 256; ++b)
        tutti += b == ' ' ? 'x' : char(b);
    const Caricata s = carica(tutti.left(20) + "AB" + "C123" + "      ");
    ASSERT_EQ(s.errore, 0);
    EXPECT_EQ(s.tabella.voce(0).nome, Cp1252::decodifica(tutti.left(20)));
    const Caricata alti = carica(tutti.mid(0x7F, 20) + "AB" + "C123" + "      ");
    ASSERT_EQ(alti.errore, 0);
    EXPECT_EQ(alti.tabella.voce(0).nome, Cp1252::decodifica(tutti.mid(0x7F, 20)));
    EXPECT_EQ(alti.tabella.voce(0).nome[0], QChar(0x20AC));
}

TEST(TabellaCodici, RegoleDiTrovacod)
{
    const QByteArray dati =
        recordCodici("ROMA", "RM", "H501") + recordCodici("ROMA", "RM", "H502") +
        recordCodici("SAN GIORGIO", "AA", "A001") + recordCodici("SAN GIORGIO", "BB", "B001") +
        recordCodici("castello", "CC", "C001") + recordCodici("SAN GIOVANNI IN PERSICETO", "BO", "G467") +
        recordCodici("ABCDEFGHIJKLMNOPQRS TUVWXYZ", "PV", "P999") + recordCodici("ROMA", "", "E000") + fineCodici();
    const Caricata r = carica(dati);
    ASSERT_EQ(r.errore, 0);
    const struct {
        const char *comune;
        const char *provincia;
        const char *atteso;
    } casi[] = {
        {"ROMA", "RM", "H502"}, // the later duplicate wins
        {"roma", "rm", "H502"}, // the keys are upper-cased
        {"Roma", "Rm", "H502"},
        {"ROMA ", "RM", "*NOTFOUND*"}, // a trailing space is not removed
        {" ROMA", "RM", "*NOTFOUND*"},
        {"ROMA", "RM ", "*NOTFOUND*"},
        {"ROMA", "", "E000"},          // an empty province matches an empty field
        {"SAN GIORGIO", "AA", "A001"}, // the province decides
        {"SAN GIORGIO", "BB", "B001"},
        {"SAN GIORGIO", "CC", "*NOTFOUND*"},
        {"castello", "CC", "*NOTFOUND*"}, // stored in lower case: never found
        {"CASTELLO", "CC", "*NOTFOUND*"},
        {"SAN GIOVANNI IN PERSICETO", "BO", "G467"}, // longer than 20: its first 20 characters
        {"San Giovanni in Persichino", "bo", "G467"},
        {"SAN GIOVANNI IN PERS", "BO", "G467"},
        {"SAN GIOVANNI IN PER", "BO", "*NOTFOUND*"},
        {"ABCDEFGHIJKLMNOPQRS TUVWXYZ", "PV", "P999"}, // cut on a space: the key loses it too
        {"ABCDEFGHIJKLMNOPQRS  ", "PV", "P999"},
        {"ABCDEFGHIJKLMNOPQRS ", "PV", "*NOTFOUND*"}, // 20 characters typed: compared as typed
        {"ABCDEFGHIJKLMNOPQRS", "PV", "P999"},
        {"END", "", "*NOTFOUND*"},
        {"", "", "*NOTFOUND*"},
    };
    for (const auto &c : casi) {
        EXPECT_EQ(r.tabella.trovacod(QString::fromUtf8(c.comune), QString::fromUtf8(c.provincia)),
                  QString::fromUtf8(c.atteso))
            << c.comune << " / " << c.provincia;
    }
}

// Born in a year: the entry valid on 31 December of that year, the earliest last year after the birth year.
TEST(TabellaCodici, TrovacodPerAnnoDiNascita)
{
    const QByteArray dati = recordCodici("BELLAGIO", "CO", "A744", "2014") + recordCodici("BELLAGIO", "CO", "M335") +
                            recordCodici("TRE", "AA", "T003") + recordCodici("TRE", "AA", "T002", "1950") +
                            recordCodici("TRE", "AA", "T001", "1920") + recordCodici("PARI", "BZ", "P002", "1928") +
                            recordCodici("PARI", "BZ", "P001", "1928") + recordCodici("SPARITO", "TN", "S002", "1955") +
                            recordCodici("SPARITO", "TN", "S001", "1928") + recordCodici("SOLO", "PV", "U001", "1930") +
                            recordCodici("STORTO", "AO", "W001", "19x0") +
                            recordCodici("STORTO", "AO", "W002", "1940") + fineCodici();
    const Caricata r = carica(dati);
    ASSERT_EQ(r.errore, 0);
    EXPECT_EQ(r.tabella.annoFine(0), 2014);
    EXPECT_EQ(r.tabella.voce(0).annoFine, 2014);
    EXPECT_EQ(r.tabella.annoFine(1), 0);
    const struct {
        const char *comune, *provincia;
        QDate nascita;
        const char *atteso;
    } casi[] = {
        {"Bellagio", "co", QDate(1950, 6, 1), "A744"},
        {"BELLAGIO", "CO", QDate(2013, 12, 31), "A744"},
        {"BELLAGIO", "CO", QDate(2014, 1, 1), "M335"}, // the year of the change: the later code
        {"BELLAGIO", "CO", QDate(2020, 1, 1), "M335"},
        {"BELLAGIO", "CO", QDate(), "M335"}, // no date: the last entry
        {"TRE", "AA", QDate(1900, 1, 1), "T001"},
        {"TRE", "AA", QDate(1920, 1, 1), "T002"},
        {"TRE", "AA", QDate(1949, 1, 1), "T002"},
        {"TRE", "AA", QDate(1950, 1, 1), "T003"},
        {"TRE", "AA", QDate(), "T001"},            // the order of the file, not of the years
        {"PARI", "BZ", QDate(1927, 1, 1), "P001"}, // same last year: the later entry
        {"SPARITO", "TN", QDate(1930, 1, 1), "S002"},
        {"SPARITO", "TN", QDate(1960, 1, 1), "S001"}, // none valid then: as without a date
        {"SOLO", "PV", QDate(1990, 1, 1), "U001"},    // one entry: whatever its year
        {"STORTO", "AO", QDate(1930, 1, 1), "W002"},  // "19x0" is no year: valid today, ends last
        {"STORTO", "AO", QDate(1950, 1, 1), "W001"},
        {"NESSUNO", "CO", QDate(1950, 1, 1), "*NOTFOUND*"},
    };
    for (const auto &c : casi) {
        EXPECT_EQ(r.tabella.trovacod(QString::fromLatin1(c.comune), QString::fromLatin1(c.provincia), c.nascita),
                  QString::fromLatin1(c.atteso))
            << c.comune << " " << c.nascita.year();
    }
    // The bytes lookup: exact keys, the entry number, a day as YYYYMMDD.
    EXPECT_EQ(r.tabella.cerca("BELLAGIO", "CO", 19500101), 0);
    EXPECT_EQ(r.tabella.cerca("BELLAGIO", "CO"), 1);
    EXPECT_EQ(r.tabella.cerca("bellagio", "CO", 19500101), -1);
}

// The index must answer as the scan of the whole table, last match in file order winning.
TEST(TabellaCodici, IndiceComeLaScansione)
{
    std::mt19937 caso(4242);
    const char *nomi[] = {"A", "B", "AB", "BA", "ROMA", "ROMA ", "roma", "", " ", "SAN MARCO", "SANMARCO", "X Y"};
    const char *province[] = {"", "R", "RM", "rm", "MI", "M "};
    QByteArray dati;
    for (int i = 0; i < 3000; ++i) {
        dati += recordCodici(nomi[caso() % std::size(nomi)], province[caso() % std::size(province)],
                             QByteArray::number(i).rightJustified(4, '0'));
    }
    TabellaCodici tabella;
    ASSERT_EQ(tabella.analizza(dati), 0);

    auto scansione = [&](const QString &comune, const QString &provincia) {
        QString nome = Cp1252::maiuscole(comune.left(20));
        if (comune.size() > 20) {
            while (nome.endsWith(u' '))
                nome.chop(1);
        }
        const QString prov = Cp1252::maiuscole(provincia);
        QString trovato = QStringLiteral("*NOTFOUND*");
        for (int i = 0; i < tabella.numeroVoci(); ++i) {
            if (tabella.voce(i).nome == nome && tabella.voce(i).provincia == prov)
                trovato = tabella.voce(i).codice;
        }
        return trovato;
    };
    for (const char *n : nomi) {
        for (const char *p : province) {
            const QString comune = QString::fromLatin1(n);
            const QString provincia = QString::fromLatin1(p);
            EXPECT_EQ(tabella.trovacod(comune, provincia), scansione(comune, provincia)) << n << "/" << p;
        }
    }
}

TEST(TabellaCodici, DopoUnErroreDiLetturaLeVociLetteRestano)
{
    for (int errore : {ErroriFile::DiscoNonPronto, ErroriFile::ErroreLettura}) {
        TabellaCodici tabella;
        // The read stopped inside the third record: the error is the read's, not an early end.
        const QByteArray letti = recordCodici("ROMA") + recordCodici("MILANO", "MI", "F205") + QByteArray("TORI");
        EXPECT_EQ(tabella.analizza(letti, errore), errore);
        EXPECT_EQ(tabella.numeroVoci(), 2);
        EXPECT_FALSE(tabella.conteggio().has_value());
        EXPECT_EQ(tabella.trovacod(QStringLiteral("MILANO"), QStringLiteral("MI")), QStringLiteral("F205"));
        // An END met before the failure ends the table normally.
        EXPECT_EQ(tabella.analizza(recordCodici("ROMA") + fineCodici(), errore), 0);
    }
}

TEST(TabellaCodici, CodesCfCheEUnaCartella)
{
    CartellaProgrammaFinta cartella;
    QDir(cartella.percorso()).mkdir(QStringLiteral("codes.cf"));
    TabellaCodici tabella;
    const int errore = tabella.carica(cartella.file(QStringLiteral("codes.cf")));
    EXPECT_TRUE(ErroriFile::chiudeFinestra(errore));
    EXPECT_NE(errore, 0);
    EXPECT_NE(errore, ErroriFile::FileNonTrovato);
    EXPECT_EQ(tabella.numeroVoci(), 0);
}

TEST(TabellaCodici, FileSenzaPermessoDiLettura)
{
    TabellaCodici tabella;
    if (!letturaNegabile())
        GTEST_SKIP() << "root, and Windows, read files without read permission";
    CartellaProgrammaFinta altra;
    altra.scrivi(QStringLiteral("codes.cf"), recordCodici("ROMA"));
    QFile::setPermissions(altra.file(QStringLiteral("codes.cf")), QFileDevice::Permissions());
    EXPECT_EQ(tabella.carica(altra.file(QStringLiteral("codes.cf"))), ErroriFile::PermessoNegato);
}

TEST(TabellaCodici, UnNuovoCaricamentoRiparteDaVuoto)
{
    CartellaProgrammaFinta cartella;
    cartella.scrivi(QStringLiteral("codes.cf"), recordCodici("ROMA"));
    TabellaCodici tabella;
    ASSERT_EQ(tabella.carica(cartella.file(QStringLiteral("codes.cf"))), 0);
    cartella.scrivi(QStringLiteral("codes.cf"), recordCodici("MILANO", "MI", "F205"));
    ASSERT_EQ(tabella.carica(cartella.file(QStringLiteral("codes.cf"))), 0);
    EXPECT_EQ(tabella.numeroVoci(), 1);
    EXPECT_EQ(tabella.trovacod(QStringLiteral("ROMA"), QStringLiteral("RM")), QStringLiteral("*NOTFOUND*"));
    QFile::remove(cartella.file(QStringLiteral("codes.cf")));
    EXPECT_EQ(tabella.carica(cartella.file(QStringLiteral("codes.cf"))), ErroriFile::FileNonTrovato);
    EXPECT_EQ(tabella.trovacod(QStringLiteral("MILANO"), QStringLiteral("MI")), QStringLiteral("*NOTFOUND*"));
}

// The days after the END record: each entry's name from its first to its last day, the whole name of a name
// cut to 20, the province names. A file whose days are damaged is read by its years, as one without them.
TEST(TabellaCodici, GiorniDopoLaFine)
{
    const QByteArray record = recordCodici("BELLAGIO", "CO", "A744", "2014") + recordCodici("BELLAGIO", "CO", "M335") +
                              recordCodici("ABANO", "PD", "A001", "1924") + recordCodici("ABANO TERME", "PD", "A001") +
                              recordCodici("SANTA MARGHERITA DI", "PV", "I227", "1929") +
                              recordCodici("SANTA MARGHERITA DI", "PV", "I230") + recordCodici("MONZA", "MI", "F704") +
                              recordCodici("MONZA", "MB", "F704") + fineCodici();
    const QByteArray giorni = "#PERIODI 1\r\n"
                              "00000000;20140203;T;M335;\r\n20140204;99991231;T;;\r\n"
                              "00000000;19241113;T;;\r\n19241114;99991231;T;;\r\n"
                              "00000000;19290527;T;;SANTA MARGHERITA DI BOBBIO\r\n"
                              "19290528;99991231;T;;SANTA MARGHERITA DI STAFFORA\r\n"
                              "00000000;99991231;T;;\r\n00000000;99991231;T;;\r\n";
    const QByteArray province = "#PROVINCE\r\nMB;MONZA E DELLA BRIANZA\r\nMB;Monza\r\nMI;MILANO\r\n";
    const struct {
        const char *comune, *provincia;
        QDate nascita;
        const char *conGiorni, *senza; // the code with the days, and with the days damaged
    } casi[] = {
        {"BELLAGIO", "CO", QDate(2014, 1, 10), "A744", "M335"},
        {"BELLAGIO", "CO", QDate(2014, 2, 3), "A744", "M335"},
        {"BELLAGIO", "CO", QDate(2014, 2, 4), "M335", "M335"},
        {"BELLAGIO", "CO", QDate(), "M335", "M335"},
        {"ABANO TERME", "PD", QDate(1920, 1, 1), "A001", "A001"}, // a name of its code, which existed then
        {"ABANO", "PD", QDate(2020, 1, 1), "A001", "A001"},
        {"SANTA MARGHERITA DI BOBBIO", "PV", QDate(1920, 1, 1), "I227", "I227"},
        {"SANTA MARGHERITA DI BOBBIO", "PV", QDate(2020, 1, 1), "*NOTFOUND*", "I230"},
        {"SANTA MARGHERITA DI STAFFORA", "PV", QDate(1920, 1, 1), "*NOTFOUND*", "I227"},
        {"SANTA MARGHERITA DI", "PV", QDate(2020, 1, 1), "I230", "I230"},
        {"MONZA", "MI", QDate(2020, 1, 1), "F704", "F704"},
    };
    const QByteArray guasti[] = {
        record + giorni.left(giorni.size() - 25) + province,                    // a line missing
        record + QByteArray(giorni).replace("20140204", "2014020X") + province, // not a day
        record + giorni,                                                         // no province names
        record + QByteArray(giorni).replace("DI BOBBIO", "DI  BOBBIO").replace("SANTA MARGHERITA DI STAFFORA", "ALTRO") +
            province, // a whole name that is not the record's
        record + QByteArray(giorni).replace(";T;M335;", ";X;M335;") + province, // an unknown mark
    };
    TabellaCodici tabella;
    ASSERT_EQ(tabella.analizza(record + giorni + province), 0);
    ASSERT_TRUE(tabella.conGiorni());
    EXPECT_EQ(tabella.voce(4).nomeIntero, QStringLiteral("SANTA MARGHERITA DI BOBBIO"));
    EXPECT_EQ(tabella.voce(0).successore, QStringLiteral("M335"));
    EXPECT_EQ(tabella.province().nome(QStringLiteral("MB")), QStringLiteral("MONZA E DELLA BRIANZA"));
    EXPECT_EQ(tabella.province().sigle(QStringLiteral("monza")), QStringList{QStringLiteral("MB")});
    EXPECT_EQ(tabella.province().sigle(QStringLiteral("mı")), QStringList());
    for (const auto &c : casi) {
        EXPECT_EQ(tabella.trovacod(QString::fromLatin1(c.comune), QString::fromLatin1(c.provincia), c.nascita),
                  QString::fromLatin1(c.conGiorni))
            << c.comune << " " << c.nascita.toString(Qt::ISODate).toStdString();
    }
    for (const QByteArray &guasto : guasti) {
        TabellaCodici t;
        ASSERT_EQ(t.analizza(guasto), 0);
        EXPECT_FALSE(t.conGiorni());
        EXPECT_EQ(t.numeroVoci(), 8);
        for (const auto &c : casi) {
            EXPECT_EQ(t.trovacod(QString::fromLatin1(c.comune), QString::fromLatin1(c.provincia), c.nascita),
                      QString::fromLatin1(c.senza))
                << c.comune << " " << c.nascita.toString(Qt::ISODate).toStdString();
        }
    }
}
