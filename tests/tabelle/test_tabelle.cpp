#include <gtest/gtest.h>

#include "comandi.h"
#include "foglio.h"
#include "formati.h"
#include "scrittorexlsx.h"
#include "tabella.h"

#include <functional>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <zip.h>

using namespace Fogli;

namespace {

const QString kDati = QStringLiteral(SPORTELLO_SOURCE_DIR "/tests/tabelle/dati/");

// The sheet as rows of visible text, each cell prefixed by its kind (T text, N number, D date, B boolean)
// and marked with * when it lies in a merged area; a row as "numero: cell|cell", a merged title row marked.
QStringList comeTesto(LettoreFoglio &l, qsizetype massimo = -1)
{
    QStringList righe;
    Riga r;
    while (righe.size() != massimo && l.leggiRiga(r)) {
        QStringList celle;
        for (const Cella &c : r.celle) {
            static const char tipi[] = {' ', 'T', 'N', 'D', 'B'};
            QString s = QString(QChar::fromLatin1(tipi[static_cast<int>(c.tipo)])).trimmed() + testoVisibile(c);
            if (c.unita)
                s += u'*';
            celle.append(s);
        }
        righe.append(QString::number(r.numero) + QStringLiteral(": ") + celle.join(u'|') +
                     (rigaUnita(r) ? QStringLiteral(" (titolo unito)") : QString()));
    }
    return righe;
}

// The table the fixtures hold (dipendenti.fods, converted by LibreOffice; the same values written by
// libxlsxwriter in dipendenti-libxlsxwriter.xlsx).
const QStringList kDipendenti = {
    QStringLiteral("1: TElenco dipendenti 2026* (titolo unito)"),
    QStringLiteral("2: TCognome|TNome|TSesso|TData di nascita|TComune|TP.IVA|TEtichetta"),
    QStringLiteral("3: TD'Angelo|TNicolò|TM|D07/04/1968|TForlì|N743110157|TD'Angelo Nicolò"),
    QStringLiteral("4: "),
    QStringLiteral("5: TMüller|TZoë|TF|D15/03/1975|TBolzano|T00743110157|N1975"),
    QStringLiteral("6: TRossi|TMario|TM|D01/01/1980|TRoma|N10000000000|N1"),
    QStringLiteral("7: "),
    QStringLiteral("8: "),
    QStringLiteral("9: TBianchi|TGiulia|TF|D31/12/2001|TSant'Agata de' Goti|N1,5|Triga uno\nriga  due"),
};

QByteArray leggiFile(const QString &percorso)
{
    QFile f(percorso);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A zip of the given parts, through libzip into a temporary file.
QByteArray zipDi(const std::vector<std::pair<const char *, QByteArray>> &parti)
{
    QTemporaryDir d;
    const QByteArray percorso = QFile::encodeName(d.filePath(QStringLiteral("a.zip")));
    int e = 0;
    zip_t *z = zip_open(percorso.constData(), ZIP_CREATE | ZIP_TRUNCATE, &e);
    std::vector<QByteArray> tenuti;
    for (const auto &[nome, dati] : parti) {
        tenuti.push_back(dati);
        zip_source_t *s = zip_source_buffer(z, tenuti.back().constData(), static_cast<zip_uint64_t>(dati.size()), 0);
        zip_file_add(z, nome, s, ZIP_FL_OVERWRITE);
    }
    zip_close(z);
    return leggiFile(d.filePath(QStringLiteral("a.zip")));
}

// The smallest .xlsx with one sheet, its sheet part given; more parts may be added.
QByteArray xlsxDi(const QByteArray &foglio, std::vector<std::pair<const char *, QByteArray>> altre = {})
{
    altre.insert(altre.begin(),
                 {{"[Content_Types].xml",
                   R"(<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types"><Override )"
                   R"(PartName="/xl/workbook.xml" ContentType="application/vnd.openxmlformats-officedocument.)"
                   R"(spreadsheetml.sheet.main+xml"/></Types>)"},
                  {"xl/workbook.xml",
                   R"(<workbook xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships">)"
                   R"(<sheets><sheet name="Foglio1" sheetId="1" r:id="rId1"/></sheets></workbook>)"},
                  {"xl/_rels/workbook.xml.rels",
                   R"(<Relationships><Relationship Id="rId1" Target="worksheets/sheet1.xml"/></Relationships>)"},
                  {"xl/worksheets/sheet1.xml", foglio}});
    return zipDi(altre);
}

QByteArray foglioDi(const QByteArray &righe)
{
    return "<worksheet><sheetData>" + righe + "</sheetData></worksheet>";
}

// A command that takes any table: its one column may be missing.
class Qualsiasi final : public Tabelle::Comando
{
public:
    std::vector<Tabelle::Colonna> ingresso() const override { return {{QStringLiteral("valore"), false}}; }
    QStringList uscita() const override { return {QStringLiteral("esito")}; }
    void elabora(const Tabelle::Valori &, Tabelle::Risultato &) const override {}
};

// An OLE2 container whose directory lists an EncryptedPackage stream, as Office writes a file protected
// by a password: the header, then the directory in sector 0.
QByteArray ole2Cifrato()
{
    QByteArray b(1024, '\0');
    b.replace(0, 8, QByteArray("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8));
    b[30] = 9; // sectors of 512 bytes
    const QByteArray nome = QByteArray("E\0n\0c\0r\0y\0p\0t\0e\0d\0P\0a\0c\0k\0a\0g\0e\0", 32);
    b.replace(512 + 128, nome.size(), nome);
    return b;
}

} // namespace

// Sheets as spreadsheet programs write them (dati/README.md says how each was made).
TEST(Foglio, Fixture)
{
    const QStringList piede = {
        QStringLiteral("1: TCognome|TNome|TPartita IVA"),
        QStringLiteral("2: TRossi|TMario|T00743110157"),
        QStringLiteral("3: TBianchi|TAnna|T12345678903"),
        QStringLiteral("4: TVerdi|TLuca|T01234567890"),
        QStringLiteral("5: TTotale: 3 fornitori* (titolo unito)"),
    };
    const QStringList titolo = {
        QStringLiteral("1: TFornitori 2026* (titolo unito)"),
        QStringLiteral("2: TCognome|TNome|TPartita IVA"),
        QStringLiteral("3: TRossi|TMario|T00743110157"),
        QStringLiteral("4: TBianchi|TAnna|T12345678903"),
        QStringLiteral("5: TVerdi|TLuca|T01234567890"),
    };
    const QStringList righeUnite = {
        QStringLiteral("1: TPartita IVA* (titolo unito)"),
        QStringLiteral("2: T00743110157* (titolo unito)"),
        QStringLiteral("3: T12345678903* (titolo unito)"),
        QStringLiteral("4: "),
        QStringLiteral("5: T01234567890* (titolo unito)"),
    };
    const QStringList colonna = {
        QStringLiteral("1: TElenco partite IVA* (titolo unito)"),
        QStringLiteral("2: TPartita IVA"),
        QStringLiteral("3: T00743110157"),
        QStringLiteral("4: T12345678903"),
    };
    const struct {
        const char *file, *foglio;
        QStringList attese;
    } casi[] = {
        {"dipendenti.xlsx", "", kDipendenti},
        {"dipendenti.ods", "", kDipendenti},
        {"dipendenti-libxlsxwriter.xlsx", "", kDipendenti},
        // Conditional formats and validations name areas after the merged ones: they are not merged.
        {"casi.xlsx", "Piede unito", piede},
        {"casi.ods", "Piede unito", piede},
        {"casi.xlsx", "Titolo unito", titolo},
        {"casi.ods", "Titolo unito", titolo},
        {"casi.xlsx", "Righe unite", righeUnite},
        {"casi.ods", "Righe unite", righeUnite},
        // A title merged beyond the one column of full rows, its covered cells not in the file.
        {"casi.xlsx", "Colonna sola", colonna},
        {"casi.ods", "Colonna sola", colonna},
    };
    for (const auto &c : casi) {
        SCOPED_TRACE(std::string(c.file) + " " + c.foglio);
        LettoreFoglio l;
        ASSERT_TRUE(l.apri(kDati + QLatin1String(c.file), QString::fromUtf8(c.foglio))) << l.errore().toStdString();
        EXPECT_EQ(comeTesto(l), c.attese);
        EXPECT_TRUE(l.errore().isEmpty()) << l.errore().toStdString();
    }
    // Without looking for merged areas the title row of an .xlsx is plain text.
    LettoreFoglio l;
    l.impostaAreeUnite(false);
    ASSERT_TRUE(l.apri(kDati + QStringLiteral("dipendenti.xlsx")));
    EXPECT_EQ(l.nomeFoglio(), QStringLiteral("Dipendenti"));
    EXPECT_EQ(comeTesto(l).value(0), QStringLiteral("1: TElenco dipendenti 2026"));
}

// Merged areas of an .xlsx, found whichever row shows first that a cell could lie in one.
TEST(Foglio, AreeUniteXlsx)
{
    const auto riga = [](int n, const char *celle) {
        QByteArray r = "<row r=\"" + QByteArray::number(n) + "\">";
        for (const char *c = celle; *c; ++c) {
            if (*c == '-') // a cell written without a value
                r += "<c r=\"" + QByteArray(1, static_cast<char>('A' + (c - celle))) + QByteArray::number(n) + "\"/>";
            else if (*c != ' ')
                r += "<c r=\"" + QByteArray(1, static_cast<char>('A' + (c - celle))) + QByteArray::number(n) +
                     "\"><v>" + QByteArray(1, *c) + "</v></c>";
        }
        return r + "</row>";
    };
    QByteArray pieni; // 20,000 full rows: several blocks of the inflated part
    for (int n = 1; n <= 20000; ++n)
        pieni += riga(n, "12");
    const auto unite = [](const char *aree) { return QByteArray("<mergeCells>") + aree + "</mergeCells>"; };
    const struct {
        const char *caso;
        QByteArray righe, aree;
        QStringList attese; // the rows asked for by number, from 1
        std::vector<int> numeri;
    } casi[] = {
        {"titolo su una riga sola", riga(1, "1"), unite("<mergeCell ref=\"A1:C1\"/>"),
         {QStringLiteral("1: N1* (titolo unito)")}, {1}},
        {"titolo, poi righe più larghe", riga(1, "1") + riga(2, "12") + riga(3, "34"),
         unite("<mergeCell ref=\"A1:B1\"/>"),
         {QStringLiteral("1: N1* (titolo unito)"), QStringLiteral("2: N1|N2"), QStringLiteral("3: N3|N4")}, {1, 2, 3}},
        {"celle coperte senza valore", riga(1, "1--") + riga(2, "123"), unite("<mergeCell ref=\"A1:C1\"/>"),
         {QStringLiteral("1: N1* (titolo unito)"), QStringLiteral("2: N1|N2|N3")}, {1, 2}},
        {"verticale, la riga sotto con un vuoto", riga(1, "12") + riga(2, " 3") + riga(3, "45"),
         unite("<mergeCell ref=\"A1:A2\"/>"),
         {QStringLiteral("1: N1*|N2"), QStringLiteral("2: *|N3"), QStringLiteral("3: N4|N5")}, {1, 2, 3}},
        {"verticale su righe mancanti", riga(1, "12") + riga(4, "45"), unite("<mergeCell ref=\"A1:A3\"/>"),
         {QStringLiteral("1: N1*|N2"), QStringLiteral("4: N4|N5")}, {1, 4}},
        // Conditional formats and validations that follow name areas too, which are not merged.
        {"dopo molte righe piene", pieni + riga(20001, " 3") + riga(20002, "45"),
         unite("<mergeCell ref=\"B20000:B20000\"/><mergeCell ref=\"A20000:A20001\"/>") +
             "<conditionalFormatting sqref=\"A1:B20002\"/><dataValidations><dataValidation sqref=\"A1:A9\"/>"
             "</dataValidations><ignoredErrors><ignoredError sqref=\"B1:B5\"/></ignoredErrors>",
         {QStringLiteral("19999: N1|N2"), QStringLiteral("20000: N1*|N2* (titolo unito)"), QStringLiteral("20001: *|N3"),
          QStringLiteral("20002: N4|N5")},
         {19999, 20000, 20001, 20002}},
        {"con un prefisso", pieni + riga(20001, " 3"),
         "<x:mergeCells xmlns:x=\"u\" count=\"1\"><x:mergeCell ref=\"A19999:A20001\"/></x:mergeCells>"
         "<x:conditionalFormatting xmlns:x=\"u\" sqref=\"A1:B3\"/>",
         {QStringLiteral("1: N1|N2"), QStringLiteral("19999: N1*|N2"), QStringLiteral("20001: *|N3")}, {1, 19999, 20001}},
        {"nessuna area", pieni, unite(""), {QStringLiteral("20000: N1|N2")}, {20000}},
    };
    for (const auto &c : casi) {
        SCOPED_TRACE(c.caso);
        LettoreFoglio l;
        ASSERT_TRUE(l.apriDati(
            xlsxDi("<worksheet><sheetData>" + c.righe + "</sheetData>" + c.aree + "</worksheet>")));
        const QStringList tutte = comeTesto(l);
        EXPECT_TRUE(l.errore().isEmpty()) << l.errore().toStdString();
        QStringList scelte;
        for (const int n : c.numeri)
            scelte.append(tutte.value(n - 1));
        EXPECT_EQ(scelte, c.attese);
    }
}

// One rule in both formats: the sheet so named (the same case first, then any case), then a number by place.
TEST(Foglio, SceltaDelFoglio)
{
    const QStringList dipendenti = {QStringLiteral("Dipendenti"), QStringLiteral("Secondo")};
    QStringList numerati = {QStringLiteral("Totale")};
    for (int n = 1; n <= 12; ++n)
        numerati.append(QString::number(n));
    const struct {
        const char *file, *foglio, *prima, *errore;
    } casi[] = {
        {"dipendenti", "", "1: TElenco dipendenti 2026* (titolo unito)", ""},
        {"dipendenti", "Secondo", "1: Tsolo", ""},
        {"dipendenti", "SECONDO", "1: Tsolo", ""},
        {"dipendenti", "2", "1: Tsolo", ""},
        {"dipendenti", "3", "", "Il foglio \"3\" non esiste; fogli presenti: Dipendenti, Secondo"},
        {"dipendenti", "Terzo", "", "Il foglio \"Terzo\" non esiste; fogli presenti: Dipendenti, Secondo"},
        // Sheets Totale, 1 ... 12: a number is a name first.
        {"fogli-numerati", "", "1: Tfoglio Totale", ""},
        {"fogli-numerati", "2", "1: Tfoglio 2", ""},
        {"fogli-numerati", "12", "1: Tfoglio 12", ""},
        {"fogli-numerati", "totale", "1: Tfoglio Totale", ""},
        {"fogli-numerati", "13", "1: Tfoglio 12", ""}, // by place: the thirteenth sheet
        {"fogli-numerati", "14", "", "Il foglio \"14\" non esiste; fogli presenti: Totale, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12"},
        {"fogli-numerati", "0", "", "Il foglio \"0\" non esiste; fogli presenti: Totale, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12"},
    };
    for (const char *formato : {".xlsx", ".ods"}) {
        for (const auto &c : casi) {
            const QString file = QLatin1String(c.file) + QLatin1String(formato);
            SCOPED_TRACE(file.toStdString() + " " + c.foglio);
            LettoreFoglio l;
            const bool ok = l.apri(kDati + file, QString::fromUtf8(c.foglio));
            EXPECT_EQ(l.errore(), QString::fromUtf8(c.errore));
            if (!ok)
                continue;
            EXPECT_EQ(comeTesto(l, 1).value(0), QString::fromUtf8(c.prima));
            // The list of every sheet, read on from the first row for an .ods.
            EXPECT_EQ(l.tuttiIFogli(), *c.file == 'd' ? dipendenti : numerati);
            EXPECT_TRUE(l.errore().isEmpty());
        }
    }
}

// The rule alone, also while an .ods's names are still coming (tutti false): only a name in the same case,
// or the first sheet for no text, is sure before every name is known.
TEST(Foglio, RegolaDellaScelta)
{
    const QStringList nomi = {"dati", "2", "Dati", "1"};
    const struct {
        const char *foglio;
        bool tutti;
        int atteso;
    } casi[] = {
        {"", true, 0},      {"", false, 0},      {"Dati", true, 2},  {"Dati", false, 2}, {"DATI", true, 0},
        {"DATI", false, -1}, {"2", true, 1},      {"1", true, 3},     {"1", false, 3},    {"3", true, 2},
        {"3", false, -1},   {"4", true, 3},      {"5", true, -1},    {"0", true, -1},    {"-1", true, -1},
        {"Altro", true, -1},
    };
    for (const auto &c : casi)
        EXPECT_EQ(sceltaFoglio(nomi, QString::fromUtf8(c.foglio), c.tutti), c.atteso) << c.foglio << ' ' << c.tutti;
    EXPECT_EQ(sceltaFoglio({}, QString(), true), -1);
}

TEST(Foglio, TestoVisibile)
{
    const struct {
        Cella cella;
        const char *atteso;
    } casi[] = {
        {Cella::diNumero(743110157), "743110157"}, // a P.IVA that lost its leading zeros keeps its digits
        {Cella::diNumero(1e10), "10000000000"},
        {Cella::diNumero(123456789012345678.0), "123456789012345680"},
        {Cella::diNumero(1.5), "1,5"},
        {Cella::diNumero(-0.25), "-0,25"},
        {Cella::diNumero(0.1 + 0.2), "0,30000000000000004"},
        {Cella::diNumero(-0.0), "0"},
        {Cella::diNumero(1e300), "1e+300"},
        {Cella::diNumero(1e-9), "1e-09"},
        {Cella::diData(QDate(1968, 4, 7)), "07/04/1968"},
        {Cella::diData(QDate(1980, 1, 1), QTime(10, 30)), "01/01/1980 10:30"},
        {Cella::diData(QDate(2000, 2, 29), QTime(23, 59, 7)), "29/02/2000 23:59:07"},
        {Cella::diData(QDate(2026, 12, 9), QTime(0, 0)), "09/12/2026"},
        {Cella::diData(QDate(999, 11, 30)), "30/11/0999"},
        {Cella::diData(QDate(9999, 12, 31), QTime(0, 0, 1)), "31/12/9999 00:00:01"},
        {Cella::diNumero(0), "0"},
        {Cella::diNumero(-1234.5), "-1234,5"},
        {Cella::diBooleano(true), "VERO"},
        {Cella::diTesto(QStringLiteral("00123")), "00123"},
        {Cella(), ""},
    };
    for (const auto &c : casi)
        EXPECT_EQ(testoVisibile(c.cella), QString::fromUtf8(c.atteso)) << c.atteso;
}

TEST(Foglio, NumeroDelGiorno)
{
    const struct {
        double numero;
        QDate data;
    } casi[] = {
        {1, QDate(1900, 1, 1)},
        {59, QDate(1900, 2, 28)},
        {61, QDate(1900, 3, 1)},
        {25569, QDate(1970, 1, 1)},
        {29221, QDate(1980, 1, 1)},
        {2958465, QDate(9999, 12, 31)},
        {60, QDate()}, // the 29 February 1900 of the 1900 system
        {0, QDate()},
        {-1, QDate()},
        {2958466, QDate()},
    };
    for (const auto &c : casi) {
        QDate d;
        QTime o;
        EXPECT_EQ(dataDaNumero(c.numero, &d, &o), c.data.isValid()) << c.numero;
        if (c.data.isValid()) {
            EXPECT_EQ(d, c.data) << c.numero;
            EXPECT_EQ(numeroDaData(d), c.numero);
        }
    }
}

TEST(Foglio, AndataERitorno)
{
    QTemporaryDir d;
    const QString percorso = d.filePath(QStringLiteral("risultato.xlsx"));
    const std::vector<std::vector<Cella>> righe = {
        {Cella::diTesto(QStringLiteral("NICOLÒ")), Cella::diTesto(QStringLiteral("00743110157")),
         Cella::diData(QDate(1968, 4, 7)), Cella::diNumero(743110157), Cella::diBooleano(false)},
        {},
        {Cella(), Cella::diTesto(QStringLiteral("a < b & \"c\"\tä\nß €😀")), Cella::diNumero(-1.25),
         Cella::diData(QDate(1899, 1, 1)), Cella::diData(QDate(2000, 2, 29), QTime(23, 59))},
    };
    ScrittoreXlsx s(percorso);
    ASSERT_TRUE(s.apri({QStringLiteral("Nome"), QStringLiteral("Codice"), QStringLiteral("Nato il"),
                        QStringLiteral("Numero"), QStringLiteral("Sì")}));
    for (size_t i = 0; i < righe.size(); ++i)
        ASSERT_TRUE(s.scriviRiga(righe[i], i == 2)) << s.errore().toStdString();
    ASSERT_TRUE(s.chiudi({{QStringLiteral("Righe"), QStringLiteral("3")}, {QStringLiteral("Esito"), "x"}}));
    EXPECT_EQ(QDir(d.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("risultato.xlsx")});

    LettoreFoglio l;
    ASSERT_TRUE(l.apri(percorso)) << l.errore().toStdString();
    const QStringList attese = {
        QStringLiteral("1: TNome|TCodice|TNato il|TNumero|TSì"),
        QStringLiteral("2: TNICOLÒ|T00743110157|D07/04/1968|N743110157|BFALSO"),
        QStringLiteral("3: "),
        // A date before 1900 is no date to a spreadsheet: it is written as the text it shows.
        QStringLiteral("4: |Ta < b & \"c\"\tä\nß €😀|N-1,25|T01/01/1899|D29/02/2000 23:59"),
    };
    EXPECT_EQ(comeTesto(l), attese);
    ASSERT_TRUE(l.apri(percorso, QStringLiteral("Riepilogo")));
    EXPECT_EQ(comeTesto(l), (QStringList{QStringLiteral("1: TRighe|N3"), QStringLiteral("2: TEsito|Tx")}));
}

TEST(Foglio, ScritturaInterrotta)
{
    QTemporaryDir d;
    const QString percorso = d.filePath(QStringLiteral("risultato.xlsx"));
    {
        ScrittoreXlsx s(percorso);
        ASSERT_TRUE(s.apri({QStringLiteral("A")}));
        ASSERT_TRUE(s.scriviRiga({Cella::diTesto(QStringLiteral("x"))}));
        s.annulla();
        ScrittoreXlsx senzaChiudere(percorso);
        ASSERT_TRUE(senzaChiudere.apri({QStringLiteral("A")}));
        ASSERT_FALSE(senzaChiudere.scriviRiga({Cella::diTesto(QString(40000, u'x'))}));
        EXPECT_EQ(senzaChiudere.errore(), QStringLiteral("Una cella della riga 2 supera 32.767 caratteri"));
    }
    EXPECT_TRUE(QDir(d.path()).entryList(QDir::Files | QDir::Hidden).isEmpty());
    ScrittoreXlsx manca(d.filePath(QStringLiteral("manca/r.xlsx")));
    EXPECT_FALSE(manca.apri({QStringLiteral("A")}));
    EXPECT_TRUE(manca.errore().startsWith(QStringLiteral("Impossibile scrivere nella cartella ")))
        << manca.errore().toStdString();
}

TEST(Foglio, InputNonValido)
{
    const QByteArray xlsx = leggiFile(kDati + QStringLiteral("dipendenti.xlsx"));
    const QByteArray ods = leggiFile(kDati + QStringLiteral("dipendenti.ods"));
    QByteArray rovinato = xlsx;
    for (int i = 300; i < rovinato.size() - 300; i += 97)
        rovinato[i] = static_cast<char>(rovinato[i] ^ 0x5A);
    const QByteArray bomba = "<!DOCTYPE r [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\">"
                             "<!ENTITY c \"&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;\">]>";
    const QString danneggiato = QStringLiteral("Il file è danneggiato o incompleto");
    const QString dtd = QStringLiteral(": dichiarazioni DTD, che un foglio di calcolo non contiene)");
    const struct {
        const char *caso;
        std::function<QByteArray()> dati;
        QString errore;
    } casi[] = {
        {"vuoto", [] { return QByteArray(); }, QStringLiteral("Il file è vuoto")},
        {"testo", [] { return QByteArray("nome;cognome\n"); },
         QStringLiteral("Il file non è un foglio di calcolo .xlsx o .ods")},
        {"xls", [] { return leggiFile(kDati + QStringLiteral("dipendenti.xls")); },
         QStringLiteral("Il file è nel vecchio formato Excel (.xls): salvalo come .xlsx o .ods e riprova")},
        {"cifrato", ole2Cifrato, QStringLiteral("Il file è protetto da password: salvalo senza password e riprova")},
        {"troncato", [&] { return xlsx.left(xlsx.size() / 2); },
         danneggiato + QStringLiteral(" (archivio zip non valido)")},
        {"rovinato", [&] { return rovinato; }, danneggiato + QStringLiteral(" (archivio zip non valido)")},
        {"ods troncato", [&] { return ods.left(ods.size() - 10); },
         danneggiato + QStringLiteral(" (archivio zip non valido)")},
        {"zip qualsiasi",
         [] {
             return zipDi({{"a.txt", "ciao"}});
         },
         QStringLiteral("Il file è un archivio zip ma non un foglio di calcolo .xlsx o .ods")},
        {"documento",
         [] {
             return zipDi({{"mimetype", "application/vnd.oasis.opendocument.text"}});
         },
         QStringLiteral("Il file è un documento OpenDocument ma non un foglio di calcolo")},
        {"senza foglio",
         [] {
             return zipDi({{"mimetype", "application/vnd.oasis.opendocument.spreadsheet"}});
         },
         danneggiato + QStringLiteral(" (manca content.xml)")},
        {"bomba xlsx",
         [&] { return xlsxDi(bomba + foglioDi("<row><c t=\"inlineStr\"><is><t>&c;</t></is></c></row>")); },
         danneggiato + QStringLiteral(" (xl/worksheets/sheet1.xml") + dtd},
        {"bomba condivise",
         [&] {
             return xlsxDi(
                 foglioDi(""),
                 {{"xl/sharedStrings.xml", bomba + "<sst><si><t>&c;</t></si></sst>"},
                  {"xl/_rels/workbook.xml.rels",
                   R"(<Relationships><Relationship Id="rId1" Target="worksheets/sheet1.xml"/>)"
                   R"(<Relationship Id="rId2" Type="x/sharedStrings" Target="sharedStrings.xml"/></Relationships>)"}});
         },
         danneggiato + QStringLiteral(" (xl/sharedStrings.xml") + dtd},
        {"bomba ods",
         [&] {
             return zipDi({{"mimetype", "application/vnd.oasis.opendocument.spreadsheet"},
                           {"content.xml", bomba + "<r>&c;</r>"}});
         },
         danneggiato + QStringLiteral(" (content.xml") + dtd},
        {"espansione",
         [] {
             // 40 MiB of spaces inside the sheet, about 40 KiB compressed: far beyond 250 times.
             return xlsxDi(foglioDi(QByteArray(qsizetype(40) * 1024 * 1024, ' ')));
         },
         QStringLiteral("Il file si espande oltre il limite consentito: archivio anomalo o malevolo, non letto")},
        {"righe", [] { return xlsxDi(foglioDi("<row r=\"1048577\"><c><v>1</v></c></row>")); },
         QStringLiteral("Il foglio supera il limite di 1.048.576 righe")},
        {"colonne", [] { return xlsxDi(foglioDi("<row><c r=\"XFE1\"><v>1</v></c></row>")); },
         QStringLiteral("Il foglio supera il limite di 16.384 colonne")},
        {"righe fuori ordine", [] { return xlsxDi(foglioDi("<row r=\"3\"/><row r=\"2\"/>")); },
         danneggiato + QStringLiteral(" (righe fuori ordine)")},
        {"stringa condivisa mancante", [] { return xlsxDi(foglioDi("<row><c t=\"s\"><v>7</v></c></row>")); },
         danneggiato + QStringLiteral(" (testo condiviso mancante)")},
        {"xml troncato", [] { return xlsxDi("<worksheet><sheetData><row><c><v>1</v></c></row>"); },
         danneggiato + QStringLiteral(" (xl/worksheets/sheet1.xml, riga 1: XML non valido)")},
        {"colonne ods",
         [] {
             return zipDi({{"mimetype", "application/vnd.oasis.opendocument.spreadsheet"},
                           {"content.xml", "<r xmlns:table=\"urn:oasis:names:tc:opendocument:xmlns:table:1.0\" "
                                           "xmlns:office=\"o\"><table:table table:name=\"a\"><table:table-row>"
                                           "<table:table-cell table:number-columns-repeated=\"20000\" "
                                           "office:value-type=\"float\" office:value=\"1\"/></table:table-row>"
                                           "</table:table></r>"}});
         },
         QStringLiteral("Il foglio supera il limite di 16.384 colonne")},
        {"righe ods",
         [] {
             return zipDi({{"mimetype", "application/vnd.oasis.opendocument.spreadsheet"},
                           {"content.xml", "<r xmlns:table=\"urn:oasis:names:tc:opendocument:xmlns:table:1.0\" "
                                           "xmlns:office=\"o\"><table:table table:name=\"a\"><table:table-row "
                                           "table:number-rows-repeated=\"2000000\"><table:table-cell "
                                           "office:value-type=\"float\" office:value=\"1\"/></table:table-row>"
                                           "</table:table></r>"}});
         },
         QStringLiteral("Il foglio supera il limite di 1.048.576 righe")},
    };
    for (const auto &c : casi) {
        SCOPED_TRACE(c.caso);
        const QByteArray dati = c.dati();
        LettoreFoglio l;
        if (l.apriDati(dati)) {
            Riga r;
            while (l.leggiRiga(r)) {
            }
        }
        EXPECT_EQ(l.errore(), c.errore);
        // The same through a file on disk.
        QTemporaryDir d;
        QFile f(d.filePath(QStringLiteral("foglio.xlsx")));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(dati);
        f.close();
        LettoreFoglio daFile;
        if (daFile.apri(f.fileName())) {
            Riga r;
            while (daFile.leggiRiga(r)) {
            }
        }
        EXPECT_EQ(daFile.errore(), c.errore);
        // Through the table engine, when the bytes say sheet: the same reason as a problem of reading, nothing
        // written under the output's name, CSV or .xlsx.
        if (!dati.startsWith("PK") && !dati.startsWith("\xD0\xCF\x11\xE0"))
            continue;
        for (const char *uscita : {"out.csv", "out.xlsx"}) {
            Qualsiasi comando;
            Tabelle::OpzioniTabella o;
            o.ingresso = f.fileName();
            o.uscita = d.filePath(QLatin1String(uscita));
            Tabelle::Osservatore osservatore;
            const Tabelle::Conclusione fine = Tabelle::eseguiTabella(comando, o, osservatore);
            EXPECT_EQ(fine.stato, Tabelle::Stato::Errore);
            EXPECT_EQ(fine.problema.tipo, Tabelle::Problema::Tipo::Lettura) << uscita;
            EXPECT_EQ(fine.problema.motivo, c.errore.left(1).toLower() + c.errore.mid(1)) << uscita;
            EXPECT_EQ(QDir(d.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"foglio.xlsx"});
        }
    }
}
