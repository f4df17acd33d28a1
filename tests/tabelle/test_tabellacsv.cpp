#include <gtest/gtest.h>

#include <optional>

#include <QBuffer>
#include <QFile>

#include "supporto.h"
#include "tabella.h"
#include "tabellacsv.h"

using Csv::Codifica;

namespace {

struct Letto {
    std::vector<std::vector<QByteArray>> righe;
    std::vector<bool> valide, troppoLunghe;
    QByteArray fineRiga;
    char separatore = 0;
    bool bom = false;
    Codifica codifica = Codifica::Automatica;
};

Letto leggiTutto(const QByteArray &dati, char separatore = 0, qsizetype massimo = Csv::Lettore::kMassimoRiga)
{
    QBuffer buffer;
    buffer.setData(dati);
    buffer.open(QIODevice::ReadOnly);
    Csv::Lettore lettore(buffer, separatore, Codifica::Automatica, massimo);
    Letto letto;
    Csv::Riga riga;
    while (lettore.leggi(riga)) {
        std::vector<QByteArray> campi;
        for (QByteArrayView c : riga.campi)
            campi.push_back(c.toByteArray());
        letto.righe.push_back(campi);
        letto.valide.push_back(riga.valida);
        letto.troppoLunghe.push_back(riga.troppoLunga);
    }
    letto.fineRiga = lettore.fineRiga();
    letto.separatore = lettore.separatore();
    letto.bom = lettore.bom();
    letto.codifica = lettore.codifica();
    return letto;
}

using Righe = std::vector<std::vector<QByteArray>>;

} // namespace

TEST(LettoreCsv, RecordComeLiScrivonoIFogliDiCalcolo)
{
    const struct {
        const char *nome;
        QByteArray dati;
        Righe attese;
        char separatore;
        QByteArray fineRiga;
    } casi[] = {
        {"punto e virgola, LF", "a;b\n1;2\n", {{"a", "b"}, {"1", "2"}}, ';', "\n"},
        {"virgola, CRLF", "a,b\r\n1,2\r\n", {{"a", "b"}, {"1", "2"}}, ',', "\r\n"},
        {"tabulazione", "a\tb\n1\t2\n", {{"a", "b"}, {"1", "2"}}, '\t', "\n"},
        {"più ; che , nell'intestazione", "a;b,c;d\n1;2,3;4\n", {{"a", "b,c", "d"}, {"1", "2,3", "4"}}, ';', "\n"},
        {"virgolette", "a;b\n\"x;y\";\"di \"\"lui\"\"\"\n", {{"a", "b"}, {"x;y", "di \"lui\""}}, ';', "\n"},
        {"a capo tra virgolette",
         "a;b\r\n\"riga 1\r\nriga 2\";z\r\n",
         {{"a", "b"}, {"riga 1\r\nriga 2", "z"}},
         ';',
         "\r\n"},
        {"righe vuote tenute al loro posto",
         "a;b\n\n1;2\r\n\r\n\n3;4\n\n",
         {{"a", "b"}, {}, {"1", "2"}, {}, {}, {"3", "4"}, {}},
         ';',
         "\n"},
        {"riga vuota prima dell'intestazione", "\r\na,b\r\n1,2\r\n", {{}, {"a", "b"}, {"1", "2"}}, ',', "\r\n"},
        {"senza a capo finale", "a;b\n1;2", {{"a", "b"}, {"1", "2"}}, ';', "\n"},
        {"campi vuoti", "a;b;c\n;;\n", {{"a", "b", "c"}, {"", "", ""}}, ';', "\n"},
        {"ritorno a capo solitario nel valore", "a;b\nx\ry;2\n", {{"a", "b"}, {"x\ry", "2"}}, ';', "\n"},
        {"solo l'intestazione", "a;b\n", {{"a", "b"}}, ';', "\n"},
        {"vuoto", "", {}, ';', "\n"},
    };
    for (const auto &c : casi) {
        const Letto letto = leggiTutto(c.dati);
        EXPECT_EQ(letto.righe, c.attese) << c.nome;
        if (!c.attese.empty()) {
            EXPECT_EQ(letto.separatore, c.separatore) << c.nome;
            EXPECT_EQ(letto.fineRiga, c.fineRiga) << c.nome;
        }
    }
}

TEST(LettoreCsv, VirgoletteNonChiuse_LaRigaResta_LaLetturaProsegue)
{
    // In the middle: the record is its first line; the lines after it are read as records again.
    Letto letto = leggiTutto("a;b\n1;\"aperta\n2;y\n");
    ASSERT_EQ(letto.righe.size(), 3u);
    EXPECT_EQ(letto.righe[1], (std::vector<QByteArray>{"1", "aperta"}));
    EXPECT_EQ(letto.valide, (std::vector<bool>{true, false, true}));
    EXPECT_EQ(letto.righe[2], (std::vector<QByteArray>{"2", "y"}));

    // A quote open for more than the longest record: memory stays bounded, the rest is still read.
    QByteArray lungo = "a;b\n1;\"x\n";
    for (int i = 0; i < 40000; ++i)
        lungo += QByteArray::number(i) + ";riga senza virgolette di chiusura\n";
    letto = leggiTutto(lungo);
    ASSERT_EQ(letto.righe.size(), 40002u);
    EXPECT_FALSE(letto.valide[1]);
    EXPECT_EQ(letto.righe.back(), (std::vector<QByteArray>{"39999", "riga senza virgolette di chiusura"}));
}

TEST(LettoreCsv, RigaTroppoLunga_UnEsito_LaLetturaRiprendeAlCapo)
{
    const QByteArray lunga(5000, 'x');
    const struct {
        const char *nome;
        QByteArray dati;
        std::vector<bool> troppoLunghe;
    } casi[] = {
        {"in mezzo", "a;b\n" + lunga + "\n1;2\n", {false, true, false}},
        {"tra virgolette", "a;b\n1;\"" + lunga + "\n1;2\n", {false, true, false}},
        {"un valore tra virgolette su più righe: si riprende dopo la virgoletta che lo chiude",
         "a;b\n1;\"" + lunga + "\n;" + lunga + "\n\"\n1;2\n",
         {false, true, false}},
        {"senza a capo", "a;b\n1;2\n" + lunga, {false, false, true}},
        {"su più blocchi", "a;b\n" + QByteArray(3 << 20, 'y') + "\n1;2\n", {false, true, false}},
    };
    for (const auto &c : casi) {
        const Letto letto = leggiTutto(c.dati, 0, 1000);
        EXPECT_EQ(letto.troppoLunghe, c.troppoLunghe) << c.nome;
        if (c.troppoLunghe.back())
            continue;
        EXPECT_EQ(letto.righe.back(), (std::vector<QByteArray>{"1", "2"})) << c.nome;
    }
}

TEST(LettoreCsv, RecordACavalloDeiBlocchiDiLettura)
{
    QByteArray dati = "n;testo\n";
    for (int i = 0; i < 100000; ++i)
        dati += QByteArray::number(i) + ";\"valore " + QByteArray::number(i) + "\nsu due righe\"\n";
    const Letto letto = leggiTutto(dati);
    ASSERT_EQ(letto.righe.size(), 100001u);
    for (int i : {0, 12345, 99999})
        EXPECT_EQ(letto.righe[size_t(i) + 1][1], "valore " + QByteArray::number(i) + "\nsu due righe");
}

TEST(LettoreCsv, Codifica)
{
    const struct {
        QByteArray dati;
        Codifica attesa;
        bool bom;
        QByteArray ultimo = {}; // the first value of the last record, in the table's encoding
    } casi[] = {
        // Decided by the lines of the whole input: a line in the other encoding is converted.
        {"cognome\nRossi\nNicol\xC3\xB2\nNo\xC3\xA8\nForl\xEC\n", Codifica::Utf8, false, "Forl\xC3\xAC"},
        {"cognome\nNicol\xF2\nNo\xE8\nForl\xC3\xAC\n", Codifica::Windows1252, false, "Forl\xEC"},
        {"cognome\nNicol\xF2\nNo\xC3\xA8\n", Codifica::Utf8, false, "No\xC3\xA8"},
        {"\xEF\xBB\xBF"
         "cognome\nNicol\xF2\nNo\xF2\n",
         Codifica::Utf8, true, "No\xC3\xB2"},
        {"cognome\nNicol\xC3\xB2\n", Codifica::Utf8, false},
        {"cognome\nNicol\xF2\n", Codifica::Windows1252, false},
        {"cognome\nROSSI\n", Codifica::Automatica, false},
        {"\xEF\xBB\xBF"
         "cognome\nROSSI\n",
         Codifica::Utf8, true},
        {"cognome\n\xC3\xB2 poi \xF2\n", Codifica::Windows1252, false}, // one invalid sequence decides
    };
    for (const auto &c : casi) {
        const Letto letto = leggiTutto(c.dati);
        EXPECT_EQ(letto.codifica, c.attesa) << c.dati.toStdString();
        EXPECT_EQ(letto.bom, c.bom) << c.dati.toStdString();
        EXPECT_EQ(letto.righe.front().front(), "cognome");
        if (!c.ultimo.isEmpty()) {
            EXPECT_EQ(letto.righe.back().front(), c.ultimo) << c.dati.toStdString();
        }
    }

    const struct {
        const char *nome;
        std::optional<Codifica> codifica;
    } nomi[] = {{"utf-8", Codifica::Utf8},         {"UTF8", Codifica::Utf8},
                {"latin1", Codifica::Windows1252}, {"ISO-8859-1", Codifica::Windows1252},
                {"cp1252", Codifica::Windows1252}, {"auto", Codifica::Automatica},
                {"utf-16", std::nullopt}};
    for (const auto &n : nomi)
        EXPECT_EQ(Csv::codificaDaNome(QString::fromLatin1(n.nome)), n.codifica) << n.nome;
}

TEST(LettoreCsv, FileCheNonSonoTabelle)
{
    const struct {
        QByteArray inizio;
        const char *cosa; // "" for a table
    } casi[] = {
        {QByteArray("PK\x03\x04\x14\0\0\0[Content_Types].xml....xl/workbook.xml", 45), "Excel (.xlsx)"},
        {QByteArray("PK\x03\x04\x14\0\0\0mimetypeapplication/vnd.oasis.opendocument.spreadsheet", 63),
         "OpenDocument (.ods)"},
        {"\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", "formato vecchio"},
        {QByteArray("\xFF\xFE"
                    "c\0o\0g\0",
                    8),
         "UTF-16"},
        {QByteArray("c\0o\0g\0n\0o\0m\0e\0;\0", 16), "UTF-16"},
        {QByteArray("\0c\0o\0g\0n\0o\0m\0e", 14), "UTF-16"},
        {QByteArray("\x7F"
                    "ELF\2\1\1\0",
                    8),
         "ELF"},
        {QByteArray("MZ\x90\0\3\0", 6), "Windows"},
        {"%PDF-1.7\n", "PDF"},
        {"cognome;nome\nRossi;Mario\n", ""},
        {"\xEF\xBB\xBF"
         "cognome\n",
         ""},
        {"MZ;Rossi\n", ""},
    };
    for (const auto &c : casi) {
        const QString cosa = Csv::nonTabella(c.inizio);
        if (*c.cosa == 0)
            EXPECT_TRUE(cosa.isEmpty()) << cosa.toStdString();
        else
            EXPECT_TRUE(cosa.contains(QString::fromUtf8(c.cosa))) << c.cosa << ": " << cosa.toStdString();
    }
    // Messages quote a short excerpt, without control characters.
    EXPECT_EQ(Csv::estratto("ab\x1B[2Jcd\r\n" + QByteArray(100, 'x'), Codifica::Utf8, 10), u"ab·[2Jcd··…");
}

TEST(ScrittoreCsv, VirgoletteSoloDoveServono)
{
    const struct {
        QByteArray valore, atteso;
    } casi[] = {
        {"abc", "abc"},
        {"a;b", "\"a;b\""},
        {"di \"lui\"", "\"di \"\"lui\"\"\""},
        {"a\nb", "\"a\nb\""},
        {"a,b", "a,b"},
        {"", ""},
        {"\xEF\xBB\xBF"
         "codice",
         "\"\xEF\xBB\xBF"
         "codice\""}, // first in a file, read back as a byte order mark
    };
    for (const auto &c : casi) {
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        {
            Csv::Scrittore scrittore(buffer, ';', "\r\n");
            scrittore.campo(c.valore);
            scrittore.fineRiga();
        }
        EXPECT_EQ(buffer.data(), c.atteso + "\r\n");
    }
}

TEST(ScrittoreCsv, DiscoPieno_SiSaPerche)
{
    // /dev/full refuses every write with "no space left": the reason reaches the message.
    QFile pieno(QStringLiteral("/dev/full"));
    ASSERT_TRUE(pieno.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
    Csv::Scrittore scrittore(pieno, ';', "\n");
    scrittore.campo("valore");
    scrittore.fineRiga();
    EXPECT_FALSE(scrittore.scarica());
    EXPECT_EQ(Tabelle::motivoScrittura(scrittore.numeroErrore()), QStringLiteral("spazio esaurito sul disco"));
}
