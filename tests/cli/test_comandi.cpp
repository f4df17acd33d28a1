#include <gtest/gtest.h>

#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <csignal>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "percorsi.h"
#include "rigadicomando.h"
#include "supporto.h"
#include "tabellacsv.h"

namespace {

struct Esito {
    int stato = -1;
    QString uscita, errori;
};

// sportello-cli with the shipped data files beside it.
Esito esegui(QStringList argomenti)
{
    Percorsi::impostaCartellaProgramma(QStringLiteral(SPORTELLO_SOURCE_DIR "/data"));
    Esito e;
    QTextStream uscita(&e.uscita), errori(&e.errori);
    argomenti.prepend(QStringLiteral("sportello-cli"));
    e.stato = Cli::esegui(argomenti, uscita, errori);
    Percorsi::impostaCartellaProgramma(QString());
    return e;
}

QByteArray leggi(const QString &percorso)
{
    QFile f(percorso);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(manca)");
}

void scrivi(const QString &percorso, const QByteArray &dati)
{
    QFile f(percorso);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(dati);
}

// The records of a table, each as its values (an empty line as no value), with what the reader found.
struct Letta {
    std::vector<std::vector<QByteArray>> righe;
    Csv::Codifica codifica = Csv::Codifica::Automatica;
    bool bom = false;
    QByteArray fineRiga;
};

Letta leggiTabella(const QByteArray &dati)
{
    QBuffer buffer;
    buffer.setData(dati);
    buffer.open(QIODevice::ReadOnly);
    Csv::Lettore lettore(buffer);
    Letta letta;
    Csv::Riga riga;
    while (lettore.leggi(riga)) {
        std::vector<QByteArray> campi;
        for (QByteArrayView c : riga.campi)
            campi.push_back(c.toByteArray());
        letta.righe.push_back(campi);
    }
    letta.codifica = lettore.codifica();
    letta.bom = lettore.bom();
    letta.fineRiga = lettore.fineRiga();
    return letta;
}

} // namespace

// Real exports of two sheets (tests/tabelle/esportazioni/README.md says how each was made): every row in its place with
// every column kept, in the input's encoding, separator and line end, and the right result on each row.
TEST(SportelloCli, EsportazioniVere)
{
    // Per data row of each sheet: the new values expected ("?": an esito, whatever its text; nothing for a
    // blank or total row, which has no data).
    const std::vector<QStringList> dipendenti = {{"RSSMRA80A01H501U", ""}, {"NCLNOE70C02D704G", ""},
                                                 {"DNGLCU85T41F205G", ""}, {},
                                                 {"BNCNNA75C55I199E", ""}, {"", "?"},
                                                 {"MLLJSO90R20A952B", ""}};
    // "*": not checked (the number with an "IT" prefix and spaces).
    const std::vector<QStringList> fornitori = {{"", "Torino"}, {"*", "*"}, {"?", ""}, {}, {"?", ""}, {}};
    const struct {
        const char *file, *comando;
        const std::vector<QStringList> &attese;
        const char *messaggio;
    } casi[] = {
        {"dipendenti-predefinito.csv", "calcola", dipendenti, "mese prima del giorno"},
        {"dipendenti-utf8.csv", "calcola", dipendenti, ""},
        {"dipendenti-en-utf8.csv", "calcola", dipendenti, "mese prima del giorno"},
        {"dipendenti-cp1252.csv", "calcola", dipendenti, ""},
        {"dipendenti-excel.csv", "calcola", dipendenti, ""},
        {"fornitori-predefinito.csv", "partita-iva", fornitori, ""},
        {"fornitori-utf8.csv", "partita-iva", fornitori, ""},
        {"fornitori-cp1252.csv", "partita-iva", fornitori, ""},
    };
    for (const auto &c : casi) {
        QTemporaryDir cartella;
        const QString ingresso = QStringLiteral(SPORTELLO_SOURCE_DIR "/tests/tabelle/esportazioni/") + QLatin1String(c.file);
        const QString uscita = cartella.filePath(QStringLiteral("out.csv"));
        const Esito e = esegui({c.comando, "--csv", ingresso, "-o", uscita});
        EXPECT_EQ(e.stato, 1) << c.file << e.errori.toStdString();
        EXPECT_EQ(e.errori.contains(QString::fromUtf8(c.messaggio)), true) << c.file << e.errori.toStdString();
        const Letta prima = leggiTabella(leggi(ingresso)), dopo = leggiTabella(leggi(uscita));
        EXPECT_EQ(dopo.codifica, prima.codifica) << c.file;
        EXPECT_EQ(dopo.bom, prima.bom) << c.file;
        EXPECT_EQ(dopo.fineRiga, prima.fineRiga) << c.file;
        ASSERT_EQ(dopo.righe.size(), prima.righe.size()) << c.file;
        ASSERT_EQ(dopo.righe.size(), c.attese.size() + 1) << c.file;
        for (size_t r = 0; r < dopo.righe.size(); ++r) {
            const std::vector<QByteArray> &in = prima.righe[r], &out = dopo.righe[r];
            if (in.empty()) { // an empty line stays empty
                EXPECT_TRUE(out.empty()) << c.file << " riga " << r;
                continue;
            }
            ASSERT_EQ(out.size(), in.size() + 2) << c.file << " riga " << r;
            EXPECT_TRUE(std::equal(in.begin(), in.end(), out.begin())) << c.file << " riga " << r;
            if (r == 0)
                continue;
            const QStringList &attese = c.attese[r - 1];
            const QString nuovo = Csv::decodifica(out[in.size()], prima.codifica);
            const QString secondo = Csv::decodifica(out[in.size() + 1], prima.codifica);
            if (attese.isEmpty()) {
                EXPECT_TRUE(nuovo.isEmpty() && secondo.isEmpty()) << c.file << " riga " << r;
                continue;
            }
            for (int i = 0; i < 2; ++i) {
                const QString &v = i == 0 ? nuovo : secondo;
                if (attese[i] == u"*")
                    continue;
                if (attese[i] == u"?")
                    EXPECT_FALSE(v.isEmpty()) << c.file << " riga " << r;
                else
                    EXPECT_EQ(v, attese[i]) << c.file << " riga " << r;
            }
        }
    }
    // The same sheet saved as an old .xls: named in one line, nothing written.
    const Esito e = esegui({"calcola", "--csv", QStringLiteral(SPORTELLO_SOURCE_DIR "/tests/tabelle/esportazioni/dipendenti.xls")});
    EXPECT_EQ(e.stato, 2);
    EXPECT_TRUE(e.errori.contains(u"vecchio formato Excel (.xls)") && e.errori.count(u'\n') == 1)
        << e.errori.toStdString();
    EXPECT_TRUE(e.uscita.isEmpty());
}

// A sheet gives, row for row, the results its CSV export gives: each command over each sheet file, compared
// with the same command over the CSV (tests/tabelle/esportazioni/README.md and tests/tabelle/dati/README.md say
// how each was made). Every column of the sheet comes through, and the output is a table of the same rows.
TEST(SportelloCli, FogliComeCsv)
{
    const QString esportazioni = QStringLiteral(SPORTELLO_SOURCE_DIR "/tests/tabelle/esportazioni/");
    const QString dati = QStringLiteral(SPORTELLO_SOURCE_DIR "/tests/tabelle/dati/");
    const struct {
        QString foglio, csv;
        QStringList argomenti;
        int stato;
    } casi[] = {
        {esportazioni + "dipendenti.xlsx", esportazioni + "dipendenti-utf8.csv", {"calcola"}, 1},
        {esportazioni + "dipendenti.ods", esportazioni + "dipendenti-utf8.csv", {"calcola"}, 1},
        {esportazioni + "dipendenti.ods", esportazioni + "dipendenti-utf8.csv", {"comune", "--colonna", "comune=Luogo di nascita"}, 1},
        {dati + "dipendenti.xlsx", dati + "dipendenti.csv", {"partita-iva"}, 1},
        {dati + "dipendenti.ods", dati + "dipendenti.csv", {"partita-iva"}, 1},
        {dati + "dipendenti-libxlsxwriter.xlsx", dati + "dipendenti.csv", {"partita-iva"}, 1},
        {dati + "dipendenti.xlsx", dati + "dipendenti.csv", {"comune"}, 0},
        {dati + "dipendenti.ods", dati + "dipendenti.csv", {"comune"}, 0},
        {dati + "dipendenti-libxlsxwriter.xlsx", dati + "dipendenti.csv", {"comune"}, 0},
        // The place repeated as its province: a municipality that no other bears needs none.
        {dati + "dipendenti.xlsx", dati + "dipendenti.csv", {"calcola", "--colonna", "provincia=Comune"}, 0},
    };
    // The rows of a table that hold a value, each as its fields.
    auto piene = [](const Letta &t) {
        std::vector<std::vector<QByteArray>> r;
        for (const auto &campi : t.righe) {
            if (std::any_of(campi.begin(), campi.end(), [](const QByteArray &c) { return !c.isEmpty(); }))
                r.push_back(campi);
        }
        return r;
    };
    for (const auto &c : casi) {
        QTemporaryDir cartella;
        const std::string nome = (c.foglio + u' ' + c.argomenti.join(u' ')).toStdString();
        const Esito daFoglio = esegui(c.argomenti + QStringList{"--file", c.foglio, "-o", cartella.filePath("f.csv")});
        const Esito daCsv = esegui(c.argomenti + QStringList{"--file", c.csv, "-o", cartella.filePath("c.csv")});
        EXPECT_EQ(daFoglio.stato, c.stato) << nome << daFoglio.errori.toStdString();
        EXPECT_EQ(daCsv.stato, c.stato) << nome << daCsv.errori.toStdString();
        const QByteArray scritto = leggi(cartella.filePath("f.csv"));
        EXPECT_TRUE(scritto.startsWith("\xEF\xBB\xBF")) << nome; // UTF-8 with its mark, as Excel needs it
        const Letta foglio = leggiTabella(scritto), csv = leggiTabella(leggi(cartella.filePath("c.csv")));
        EXPECT_EQ(foglio.fineRiga, "\r\n") << nome;
        const auto righeFoglio = piene(foglio), righeCsv = piene(csv);
        ASSERT_EQ(righeFoglio.size(), righeCsv.size()) << nome;
        ASSERT_GE(righeFoglio.size(), 5u) << nome;
        for (size_t r = 0; r < righeFoglio.size(); ++r) {
            ASSERT_EQ(righeFoglio[r].size(), righeCsv[r].size()) << nome << " riga " << r;
            for (size_t i = 0; i < righeFoglio[r].size(); ++i)
                EXPECT_EQ(righeFoglio[r][i].toStdString(), righeCsv[r][i].toStdString()) << nome << " riga " << r;
        }
    }
}

TEST(SportelloCli, TabellaDaCapoAFondo)
{
    const struct {
        const char *nome;
        QStringList argomenti;
        QByteArray ingresso, atteso;
        int stato;
    } casi[] = {
        {"calcola",
         {"calcola"},
         "Cognome;Nome;Sesso;Data di nascita;Luogo di nascita;Prov\r\n"
         "Rossi;Mario;M;01/01/1980;Roma;RM\r\n"
         "fo;lucia;f;1-12-1985;milano;mi\r\n"
         "Bianchi;Anna;F;31/04/1990;Roma;RM\r\n"
         "Verdi;\"Luca;Maria\";M;1980-02-29;Atlantide;XX\r\n"
         "Neri;\"aperta;M;1/1/1980;Roma;RM\r\n"
         "Nicolò;Noè;M;2/3/1970;Forlì;FC\r\n"
         "Lefèvre;François;M;2/3/1970;Forlì;FC\r\n"
         "Müßig;Jörg;M;2/3/1970;Forlì;FC\r\n"
         "Иванов;Иван;M;01/01/1980;Roma;RM\r\n"
         "Rossi;Mario;M;01/01/1980;S. Giovanni Rotondo;FG\r\n"
         "Rossi;Mario;M;01/01/1980;00184;RM\r\n"
         "Rossi;Mario;M;01/01/1980;USA;EE\r\n"
         "Rossi;Mario;M;01/01/1980;Milamo;MI\r\n",
         "Cognome;Nome;Sesso;Data di nascita;Luogo di nascita;Prov;codice_fiscale;esito\r\n"
         "Rossi;Mario;M;01/01/1980;Roma;RM;RSSMRA80A01H501U;\r\n"
         "fo;lucia;f;1-12-1985;milano;mi;FOXLCU85T41F205X;\r\n"
         "Bianchi;Anna;F;31/04/1990;Roma;RM;;Data non valida\r\n"
         "Verdi;\"Luca;Maria\";M;1980-02-29;Atlantide;XX;;Comune non trovato\r\n"
         "Neri;\"aperta;M;1/1/1980;Roma;RM\";;;;;;Riga non valida: virgolette non chiuse\r\n"
         "Nicolò;Noè;M;2/3/1970;Forlì;FC;NCLNOE70C02D704G;\r\n"
         "Lefèvre;François;M;2/3/1970;Forlì;FC;LFVFNC70C02D704Y;\r\n"
         "Müßig;Jörg;M;2/3/1970;Forlì;FC;MSSJRG70C02D704X;\r\n"
         "Иванов;Иван;M;01/01/1980;Roma;RM;;Cognome senza lettere latine: scriverlo come nel documento\r\n"
         "Rossi;Mario;M;01/01/1980;S. Giovanni Rotondo;FG;RSSMRA80A01H926T;\r\n"
         "Rossi;Mario;M;01/01/1980;00184;RM;RSSMRA80A01H501U;\r\n"
         "Rossi;Mario;M;01/01/1980;USA;EE;RSSMRA80A01Z404R;\r\n"
         "Rossi;Mario;M;01/01/1980;Milamo;MI;;Comune non trovato. Forse cercavi: MILANO (MI)\r\n",
         1},
        {"calcola: sesso e provincia come si scrivono",
         {"calcola"},
         "cognome;nome;sesso;data_nascita;comune;provincia\n"
         "Rossi;Mario;Maschio;01/01/1980;Roma;Roma\n"
         "Nicolò;Noè;uomo;2/3/1970;Forlì;Forlì-Cesena\n"
         "Nicolò;Noè;M.;2/3/1970;Forlì;FORLI' CESENA\n"
         "fo;lucia;Femminile;1-12-1985;milano;milano\n"
         "fo;lucia;female;1-12-1985;milano;Atlantide\n"
         "fo;lucia;f;1-12-1985;milano;mı\n"
         "Rossi;Mario;M;10/01/2014;Bellagio;CO\n"
         "Rossi;Mario;M;01/06/2020;Civenna;CO\n"
         "Rossi;Mario;M;01/01/1980;Monza;Monza e della Brianza\n"
         "Rossi;Mario;M;01/01/1980;Germania;\n"
         "Rossi;Mario;M;01/01/1980;Castro;\n"
         "Rossi;Mario;M;01/01/1980;Roma;MI\n"
         "Rossi;Mario;X;01/01/1980;Roma;RM\n"
         "Rossi;Mario;\"maschio\tforse\";01/01/1980;Roma;RM\n"
         "Rossi;Mario;;01/01/1980;Roma;RM\n",
         "cognome;nome;sesso;data_nascita;comune;provincia;codice_fiscale;esito\n"
         "Rossi;Mario;Maschio;01/01/1980;Roma;Roma;RSSMRA80A01H501U;\n"
         "Nicolò;Noè;uomo;2/3/1970;Forlì;Forlì-Cesena;NCLNOE70C02D704G;\n"
         "Nicolò;Noè;M.;2/3/1970;Forlì;FORLI' CESENA;NCLNOE70C02D704G;\n"
         "fo;lucia;Femminile;1-12-1985;milano;milano;FOXLCU85T41F205X;\n"
         "fo;lucia;female;1-12-1985;milano;Atlantide;;Provincia non riconosciuta: «Atlantide»\n"
         "fo;lucia;f;1-12-1985;milano;mı;;Provincia non riconosciuta: «mı»\n"
         "Rossi;Mario;M;10/01/2014;Bellagio;CO;RSSMRA14A10A744R;\n"
         "Rossi;Mario;M;01/06/2020;Civenna;CO;;Comune non più esistente alla data di nascita: CIVENNA (CO), "
         "soppresso il 03/02/2014\n"
         "Rossi;Mario;M;01/01/1980;Monza;Monza e della Brianza;RSSMRA80A01F704F;\n"
         "Rossi;Mario;M;01/01/1980;Germania;;RSSMRA80A01Z112F;\n"
         "Rossi;Mario;M;01/01/1980;Castro;;;Comune ambiguo: indicare la provincia. Forse cercavi: CASTRO (BG), "
         "CASTRO (LE)\n"
         "Rossi;Mario;M;01/01/1980;Roma;MI;;Provincia errata per ROMA: MI. Forse cercavi: ROMA (RM)\n"
         "Rossi;Mario;X;01/01/1980;Roma;RM;;Sesso non riconosciuto: «X»\n"
         "Rossi;Mario;\"maschio\tforse\";01/01/1980;Roma;RM;;Sesso non riconosciuto: «maschio?forse»\n"
         "Rossi;Mario;;01/01/1980;Roma;RM;;Sesso non specificato\n",
         1},
        {"verifica: omocodici, soppressi, cognome e nome, lettere simili",
         {"verifica"},
         "codice_fiscale;cognome;nome\n"
         "RSSMRA80A01H50MM;;\n"
         "RSSMRA50A01A744Y;;\n"
         "RSSMRA80A01H501U;Rossi;Mario\n"
         "RSSMRA80A01H501U;Bianchi;\n"
         "MNZNGI70C02D704Q;Muñoz;Iñigo\n"
         "YXXRCE08B60ı825A;;\n",
         "codice_fiscale;cognome;nome;esito;sesso;data_nascita;comune;provincia;codice_base;avviso\n"
         "RSSMRA80A01H50MM;;;;M;01/01/1980;ROMA;RM;RSSMRA80A01H501U;\n"
         "RSSMRA50A01A744Y;;;;M;01/01/1950;BELLAGIO (CO) (soppresso il 03/02/2014);CO;;\n"
         "RSSMRA80A01H501U;Rossi;Mario;;M;01/01/1980;ROMA;RM;;\n"
         "RSSMRA80A01H501U;Bianchi;;Cognome (BNC): diverso, nel codice RSS;M;01/01/1980;ROMA;RM;;\n"
         "MNZNGI70C02D704Q;Muñoz;Iñigo;;M;02/03/1970;FORLÌ;FC;;\n"
         "YXXRCE08B60ı825A;;;Carattere non valido in posizione 12: 'ı' non è una lettera;;;;;;\n",
         1},
        {"partita-iva come la tengono i fogli",
         {"partita-iva"},
         "partita_iva\nIT00743110157\n007.431.101.57\n743110157\n00000000000\n0074311015A\nA0743110157\n"
         "10000001015\n00000000729\n",
         "partita_iva;esito;ufficio\nIT00743110157;;Milano 1\n007.431.101.57;;Milano 1\n"
         "743110157;Errore: la partita iva deve essere di 11 cifre! (forse 00743110157);\n"
         "00000000000;Errore: la partita iva non può essere di soli zeri!;\n"
         "0074311015A;Errore: la partita iva deve contenere solo cifre!;\n"
         "A0743110157;Errore: la partita iva deve contenere solo cifre!;\n"
         "10000001015;Errore: il codice ufficio 101 non corrisponde a nessun ufficio iva!;\n"
         "00000000729;Errore: il numero dell'azienda (le prime 7 cifre) non può essere 0000000!;\n",
         1},
        {"calcola in Windows-1252, virgola, colonna mappata",
         {"calcola", "--colonna", "comune=nato a"},
         "cognome,nome,sesso,data_nascita,nato a,provincia\nNicol\xF2,No\xE8,M,2/3/1970,Forl\xEC,FC\n"
         "Lef\xE8vre,Fran\xE7ois,M,2/3/1970,Forl\xEC,FC\nM\xFC\xDFig,J\xF6rg,M,2/3/1970,Forl\xEC,FC\n",
         "cognome,nome,sesso,data_nascita,nato a,provincia,codice_fiscale,esito\n"
         "Nicol\xF2,No\xE8,M,2/3/1970,Forl\xEC,FC,NCLNOE70C02D704G,\n"
         "Lef\xE8vre,Fran\xE7ois,M,2/3/1970,Forl\xEC,FC,LFVFNC70C02D704Y,\n"
         "M\xFC\xDFig,J\xF6rg,M,2/3/1970,Forl\xEC,FC,MSSJRG70C02D704X,\n",
         0},
        {"partita-iva con BOM",
         {"partita-iva"},
         "\xEF\xBB\xBFP.IVA;nota\n12345670017;a\n12345670018;b\n123;c\n00000000000;d\n",
         "\xEF\xBB\xBFP.IVA;nota;esito;ufficio\n12345670017;a;;Torino\n"
         "12345670018;b;Errore! L'ultimo numero doveva essere: 7;\n"
         "123;c;Errore: la partita iva deve essere di 11 cifre!;\n"
         "00000000000;d;Errore: la partita iva non può essere di soli zeri!;\n",
         1},
        {"comune",
         {"comune"},
         "comune;provincia\nRoma;\nCastro;LE\nCastro;\nSamone (TO);\nForli';\nBozen;BZ\n00184;\n39049;\n"
         "Paterno';\nCastro;Lecce\nMilamo;\nS. Giovanni Rotondo;\nLenno;\nMonza;MI\nCarbonia;SU\nIonadi;\nRoma;MI\n"
         "Forli;Forlì-Cesena\n",
         "comune;provincia;denominazione;cap;provincia_comune;sigla;regione;prefisso;esito;avviso\n"
         "Roma;;ROMA;00100;ROMA;RM;LAZIO;06;;\nCastro;LE;CASTRO;73030;LECCE;LE;PUGLIA;0836;;\n"
         "Castro;;;;;;;;Comune ambiguo: indicare la provincia. Forse cercavi: CASTRO (BG), CASTRO (LE);\n"
         "Samone (TO);;SAMONE;10010;TORINO;TO;PIEMONTE;0125;;\n"
         "Forli';;FORLÌ;47100;FORLÌ-CESENA;FC;EMILIA ROMAGNA;0543;;\n"
         "Bozen;BZ;BOLZANO;39100;BOLZANO/BOZEN;BZ;TRENTINO ALTO ADIGE;0471;;\n"
         "00184;;ROMA;00184;ROMA;RM;LAZIO;06;;\n"
         "39049;;;;;;;;CAP di più comuni: VAL DI VIZZE (BZ), VIPITENO (BZ);\n"
         "Paterno';;PATERNÒ;95047;CATANIA;CT;SICILIA;095;;\n"
         "Castro;Lecce;CASTRO;73030;LECCE;LE;PUGLIA;0836;;\n"
         "Milamo;;;;;;;;Comune non trovato. Forse cercavi: MILANO (MI);\n"
         "S. Giovanni Rotondo;;SAN GIOVANNI ROTONDO;71013;FOGGIA;FG;PUGLIA;0882;;\n"
         // A former name with what became of it, a province of any time, the whole name of a province.
         "Lenno;;TREMEZZINA;22016;COMO;CO;LOMBARDIA;0344;;LENNO (CO): soppresso il 03/02/2014, ora TREMEZZINA (CO)\n"
         "Monza;MI;MONZA;20900;MONZA E DELLA BRIANZA;MB;LOMBARDIA;039;;\n"
         "Carbonia;SU;CARBONIA;09013;SULCIS IGLESIENTE;CI;SARDEGNA;0781;;\n"
         "Ionadi;;JONADI;89851;VIBO VALENTIA;VV;CALABRIA;0963;;IONADI (VV): ora JONADI (VV)\n"
         "Roma;MI;;;;;;;Provincia errata per ROMA: MI. Forse cercavi: ROMA (RM);\n"
         "Forli;Forlì-Cesena;FORLÌ;47100;FORLÌ-CESENA;FC;EMILIA ROMAGNA;0543;;\n",
         1},
        {"comune per cap",
         {"comune"},
         "cap\n00184\n",
         "cap;denominazione;cap_comune;provincia;sigla;regione;prefisso;esito;avviso\n00184;ROMA;00184;ROMA;RM;LAZIO;"
         "06;;\n",
         0},
        {"righe corte e lunghe: oltre l'intestazione una nota, o dove sono finiti i campi di una riga con esito",
         {"partita-iva"},
         "partita_iva;a;b\n12345670017\n12345670017;1;2;;\n12345670017;1;2;3\n12345670018;1;2;3\n",
         "partita_iva;a;b;esito;ufficio\n12345670017;;;;Torino\n12345670017;1;2;;Torino\n12345670017;1;2;;Torino;3\n"
         "12345670018;1;2;\"Errore! L'ultimo numero doveva essere: 7; Riga con 4 campi, l'intestazione ne ha 3: "
         "quelli "
         "in più seguono le nuove colonne\";;3\n",
         1},
        {"solo l'intestazione", {"partita-iva"}, "cf;partita iva\n", "cf;partita iva;esito;ufficio\n", 0},
        {"righe vuote al loro posto, righe senza dati senza esito",
         {"partita-iva"},
         "\nfornitore;P.I.\nAlfa;12345670017\n\n;\nTotale;\n",
         "\nfornitore;P.I.;esito;ufficio\nAlfa;12345670017;;Torino\n\n;;;\nTotale;;;\n",
         0},
        {"intestazioni come le scrive la gente",
         {"calcola"},
         "Cognome e nome;COGNOME;Nome;M/F;Nato/a il (gg/mm/aaaa);Località di nascita;Prov. nascita\n"
         "Rossi Mario;Rossi;Mario;M;01/01/1980;Roma;RM\n",
         "Cognome e nome;COGNOME;Nome;M/F;Nato/a il (gg/mm/aaaa);Località di nascita;Prov. "
         "nascita;codice_fiscale;esito\n"
         "Rossi Mario;Rossi;Mario;M;01/01/1980;Roma;RM;RSSMRA80A01H501U;\n",
         0},
        {"la stessa tabella due volte: le colonne del comando sostituite",
         {"calcola"},
         "cognome;nome;sesso;data_nascita;comune;provincia;codice_fiscale;esito;note\n"
         "Rossi;Mario;M;1/1/1980;Roma;RM;XXX;vecchio;a\n",
         "cognome;nome;sesso;data_nascita;comune;provincia;codice_fiscale;esito;note\n"
         "Rossi;Mario;M;1/1/1980;Roma;RM;RSSMRA80A01H501U;;a\n",
         0},
        {"le colonne di un altro comando restano, le nuove hanno il loro nome",
         {"verifica"},
         "codice_fiscale;esito;sesso\nRSSMRA80A01H501U;;M\n",
         "codice_fiscale;esito;sesso;esito_verifica;sesso_verifica;data_nascita;comune;provincia;codice_base;avviso\n"
         "RSSMRA80A01H501U;;M;;M;01/01/1980;ROMA;RM;;\n",
         0},
        {"date con il mese prima",
         {"calcola"},
         "cognome;nome;sesso;data_nascita;comune;provincia\nRossi;Mario;M;07/04/1968;Roma;RM\n"
         "Rossi;Mario;M;03/15/1975;Roma;RM\n",
         "cognome;nome;sesso;data_nascita;comune;provincia;codice_fiscale;esito\n"
         "Rossi;Mario;M;07/04/1968;Roma;RM;RSSMRA68L04H501K;\nRossi;Mario;M;03/15/1975;Roma;RM;RSSMRA75C15H501P;\n",
         0},
        {"date in ordine imposto",
         {"calcola", "--data", "gg/mm"},
         "cognome;nome;sesso;data_nascita;comune;provincia\nRossi;Mario;M;07/04/1968;Roma;RM\n"
         "Rossi;Mario;M;03/15/1975;Roma;RM\n",
         "cognome;nome;sesso;data_nascita;comune;provincia;codice_fiscale;esito\n"
         "Rossi;Mario;M;07/04/1968;Roma;RM;RSSMRA68D07H501V;\nRossi;Mario;M;03/15/1975;Roma;RM;;Data non valida\n",
         1},
        {"due fogli incollati: una codifica sola in uscita, quella della maggioranza",
         {"comune"},
         "comune;provincia\nForl\xC3\xAC;FC\nCant\xC3\xB9;CO\nForl\xEC;FC\n",
         "comune;provincia;denominazione;cap;provincia_comune;sigla;regione;prefisso;esito;avviso\n"
         "Forl\xC3\xAC;FC;FORL\xC3\x8C;47100;FORL\xC3\x8C-CESENA;FC;EMILIA ROMAGNA;0543;;\n"
         "Cant\xC3\xB9;CO;CANT\xC3\x99;22063;COMO;CO;LOMBARDIA;031;;\n"
         "Forl\xC3\xAC;FC;FORL\xC3\x8C;47100;FORL\xC3\x8C-CESENA;FC;EMILIA ROMAGNA;0543;;\n",
         0},
        {"codifica per nome: latin1",
         {"partita-iva", "--codifica", "latin1"},
         "partita_iva;nota\n12345670017;Citt\xC3\xA0\n",
         "partita_iva;nota;esito;ufficio\n12345670017;Citt\xC3\xA0;;Torino\n",
         0},
        {"date di sole cifre: un numero di giorno solo se plausibile, mai una data sbagliata",
         {"calcola"},
         "cognome;nome;sesso;data_nascita;comune;provincia\n"
         "Rossi;Mario;M;1011980;Roma;RM\nRossi;Mario;M;29221;Roma;RM\nRossi;Mario;M;100000;Roma;RM\n"
         "Rossi;Mario;M;150375;Roma;RM\nRossi;Mario;M;31/12/9999;Roma;RM\nRossi;Mario;M;2958465;Roma;RM\n"
         "Rossi;Mario;M;1/1/80;184;RM\n",
         "cognome;nome;sesso;data_nascita;comune;provincia;codice_fiscale;esito\n"
         "Rossi;Mario;M;1011980;Roma;RM;RSSMRA80A01H501U;\nRossi;Mario;M;29221;Roma;RM;RSSMRA80A01H501U;\n"
         "Rossi;Mario;M;100000;Roma;RM;;Data non valida\nRossi;Mario;M;150375;Roma;RM;RSSMRA75C15H501P;\n"
         "Rossi;Mario;M;31/12/9999;Roma;RM;;Data di nascita nel futuro\n"
         "Rossi;Mario;M;2958465;Roma;RM;;Data non valida\n"
         "Rossi;Mario;M;1/1/80;184;RM;;Comune non trovato (forse 00184)\n",
         1},
        {"CAP che hanno perso gli zeri",
         {"comune"},
         "comune;cap\n;184\n;4100\n;999\n",
         "comune;cap;denominazione;cap_comune;provincia;sigla;regione;prefisso;esito;avviso\n"
         ";184;;;;;;;Comune non trovato (forse 00184);\n;4100;;;;;;;Comune non trovato (forse 04100);\n"
         ";999;;;;;;;Comune non trovato;\n",
         1},
        {"riga troppo lunga",
         {"partita-iva", "--riga-massima", "1"},
         "partita_iva;nota\n12345670017;" + QByteArray(2 << 20, 'x') + "\n12345670017;b\n",
         "partita_iva;nota;esito;ufficio\n;;\"Riga troppo lunga: supera 1 MiB (inizia con "
         "«12345670017;xxxxxxxxxxxxxxxxxxxxxxxxxxxx…»); non letta\";\n12345670017;b;;Torino\n",
         1},
    };
    for (const auto &c : casi) {
        QTemporaryDir cartella;
        const QString ingresso = cartella.filePath(QStringLiteral("in.csv"));
        const QString uscita = cartella.filePath(QStringLiteral("out.csv"));
        scrivi(ingresso, c.ingresso);
        const Esito e = esegui(c.argomenti + QStringList{"--csv", ingresso, "--output", uscita});
        EXPECT_EQ(e.stato, c.stato) << c.nome << ": " << e.errori.toStdString();
        EXPECT_EQ(leggi(uscita).toStdString(), c.atteso.toStdString()) << c.nome;
        EXPECT_EQ(QDir(cartella.path()).entryList(QDir::Files).size(), 2) << c.nome; // no temporary file left
    }
}

// Sheets as offices fill them (tests/tabelle/dati/README.md says how they were made): numbers in a date column
// and numbers under formats of zeros read as the sheet shows them, a hidden first sheet, a coloured cell on
// the sheet's last row that adds no row.
TEST(SportelloCli, FormeDeiFogli)
{
    const QString dati = QStringLiteral(SPORTELLO_SOURCE_DIR "/tests/tabelle/dati/");
    const QByteArray persone =
        "\xEF\xBB\xBF"
        "Cognome;Nome;Sesso;Data di nascita;Comune;Provincia;CAP;Partita IVA;codice_fiscale;esito\r\n"
        "Rossi;Mario;M;01/01/1980;Roma;RM;00184;00743110157;RSSMRA80A01H501U;\r\n"
        "Rossi;Mario;M;1011980;Roma;RM;00184;00743110157;RSSMRA80A01H501U;\r\n"
        "Rossi;Mario;M;100000;Roma;RM;00184;00743110157;;Data non valida\r\n"
        "Rossi;Mario;M;29221;Roma;RM;00184;00743110157;;Data non valida\r\n"
        "Rossi;Mario;M;01/01/2099;Roma;RM;00184;00743110157;;Data di nascita nel futuro\r\n"
        "Rossi;Mario;M;01011980;Roma;RM;00184;00743110157;RSSMRA80A01H501U;\r\n";
    for (const QStringList &argomenti :
         {QStringList{"--file", dati + "celle.xlsx"}, QStringList{"-f", dati + "celle.ods"},
          QStringList{"-f", dati + "celle.xlsx", "--foglio", "Persone"}}) {
        QTemporaryDir cartella;
        const Esito e = esegui(QStringList{"calcola", "-o", cartella.filePath("out.csv")} + argomenti);
        EXPECT_EQ(e.stato, 1) << argomenti.join(' ').toStdString() << e.errori.toStdString();
        EXPECT_EQ(leggi(cartella.filePath("out.csv")).toStdString(), persone.toStdString())
            << argomenti.join(' ').toStdString();
    }
}

// Tables as offices lay them out: the header below a title, birth columns beside residence ones, another
// command's answers, old Mac line ends, Excel's separator line, total rows, notes beside the table, quotes
// and NUL bytes as LibreOffice reads them. A fixture (`file`) is one of tests/tabelle/esportazioni, whose
// README.md says how it was made; else `ingresso` is the CSV.
TEST(SportelloCli, FormeDelleTabelle)
{
    const QByteArray intestazione =
        "Cognome;Nome;Sesso;Data di nascita;Luogo di nascita;Prov. nascita;Comune;Provincia;"
        "Note;codice_fiscale;esito\r\n";
    const QByteArray persone = "Rossi;Mario;M;01/01/1980;Roma;RM;Fiumicino;RM;;RSSMRA80A01H501U;\r\n"
                               "Bianchi;Anna;F;15/03/1975;Milano;MI;Monza;MB;;BNCNNA75C55F205P;\r\n"
                               "Totale;2;;;;;;;;;\r\n";
    const QByteArray sopraFoglio = "\xEF\xBB\xBF"
                                   "Ditta Rossi S.p.A. - Ufficio del personale;;;;;;;;;;\r\n"
                                   "Estrazione del 15/01/2026;;;;;;;;;;\r\n\r\n";
    const QByteArray lunga(600, 'x'); // the NUL byte past the first bytes, where a binary file is told
    const QByteArray nul(1, '\0');
    const struct {
        const char *nome;
        QStringList argomenti;
        const char *file;
        QByteArray ingresso, atteso;
        int stato;
    } casi[] = {
        {"titolo sopra l'intestazione: le righe sopra copiate",
         {"calcola"},
         "ufficio.csv",
         {},
         "Ditta Rossi S.p.A. - Ufficio del personale;;;;;;;;;;\n"
         "Estrazione del 15/01/2026;;;;;;;;;;\n;;;;;;;;;;\n" +
             intestazione.chopped(2).replace("\r\n", "\n") + "\n" + QByteArray(persone).replace("\r\n", "\n"),
         0},
        {"titolo sopra l'intestazione, .xlsx",
         {"calcola"},
         "ufficio.xlsx",
         {},
         sopraFoglio + intestazione + persone,
         0},
        {"titolo sopra l'intestazione, .ods", {"calcola"}, "ufficio.ods", {}, sopraFoglio + intestazione + persone, 0},
        {"--intestazione",
         {"calcola", "--intestazione", "2"},
         nullptr,
         "Elenco\ncognome;nome;sesso;data_nascita;comune;provincia\nRossi;Mario;M;01/01/1980;Roma;RM\n",
         "Elenco;;;;;;;\ncognome;nome;sesso;data_nascita;comune;provincia;codice_fiscale;esito\n"
         "Rossi;Mario;M;01/01/1980;Roma;RM;RSSMRA80A01H501U;\n",
         0},
        {"--intestazione oltre la fine",
         {"calcola", "--intestazione", "9"},
         nullptr,
         "cognome;nome;sesso;data_nascita;comune;provincia\n",
         "(manca)",
         2},
        {"nascita prima della residenza, in qualunque ordine",
         {"calcola"},
         nullptr,
         "Cognome;Nome;Sesso;Data di nascita;Comune;Provincia;Comune di nascita;Provincia di nascita;"
         "Comune di residenza\nRossi;Mario;M;01/01/1980;Fiumicino;RM;Roma;RM;Fiumicino\n",
         "Cognome;Nome;Sesso;Data di nascita;Comune;Provincia;Comune di nascita;Provincia di nascita;"
         "Comune di residenza;codice_fiscale;esito\nRossi;Mario;M;01/01/1980;Fiumicino;RM;Roma;RM;Fiumicino;"
         "RSSMRA80A01H501U;\n",
         0},
        {"la residenza non è mai la nascita",
         {"calcola"},
         nullptr,
         "cognome;nome;sesso;data_nascita;Comune di residenza;Provincia di residenza\n"
         "Rossi;Mario;M;01/01/1980;Roma;RM\n",
         "(manca)",
         2},
        {"calcola sull'uscita di verifica: non le sue risposte",
         {"calcola"},
         nullptr,
         "cognome;nome;sesso;Data di nascita;Luogo di nascita;Prov;codice_fiscale;esito;sesso_verifica;"
         "data_nascita;comune;provincia;codice_base;avviso\n"
         "Rossi;Mario;M;01/01/1980;Roma;RM;RSSMRA80A01H501U;;M;02/01/1980;FIUMICINO;RM;;\n",
         "cognome;nome;sesso;Data di nascita;Luogo di nascita;Prov;codice_fiscale;esito;sesso_verifica;"
         "data_nascita;comune;provincia;codice_base;avviso\n"
         "Rossi;Mario;M;01/01/1980;Roma;RM;RSSMRA80A01H501U;;M;02/01/1980;FIUMICINO;RM;;\n",
         0},
        {"separatore di Excel",
         {"calcola"},
         nullptr,
         "sep=,\r\ncognome,nome,sesso,data_nascita,comune,provincia\r\nRossi,Mario,M,01/01/1980,Roma,RM\r\n",
         "sep=,\r\ncognome,nome,sesso,data_nascita,comune,provincia,codice_fiscale,esito\r\n"
         "Rossi,Mario,M,01/01/1980,Roma,RM,RSSMRA80A01H501U,\r\n",
         0},
        {"vecchio Mac: CR a fine riga",
         {"calcola"},
         nullptr,
         "cognome\tnome\tsesso\tdata_nascita\tcomune\tprovincia\rRossi\tMario\tM\t01/01/1980\tRoma\tRM\r"
         "Bianchi\tAnna\tF\t32/03/1975\tMilano\tMI\r",
         "cognome\tnome\tsesso\tdata_nascita\tcomune\tprovincia\tcodice_fiscale\tesito\r"
         "Rossi\tMario\tM\t01/01/1980\tRoma\tRM\tRSSMRA80A01H501U\t\r"
         "Bianchi\tAnna\tF\t32/03/1975\tMilano\tMI\t\tData non valida\r",
         1},
        {"righe di totale",
         {"calcola"},
         nullptr,
         "cognome;nome;sesso;data_nascita;comune;provincia\nRossi;Mario;M;01/01/1980;Roma;RM\nTOTALE;;;;;\n"
         ";Totali:;;;;\nTot.;1;;;Roma;\n",
         "cognome;nome;sesso;data_nascita;comune;provincia;codice_fiscale;esito\n"
         "Rossi;Mario;M;01/01/1980;Roma;RM;RSSMRA80A01H501U;\nTOTALE;;;;;;;\n;Totali:;;;;;;\nTot.;1;;;Roma;;;\n",
         0},
        {"una nota accanto alla tabella",
         {"verifica"},
         nullptr,
         "codice_fiscale;nome\nRSSMRA80A01H501U;Mario;da richiamare\nRSSMRA80A01H501X;Mario;;\n",
         "codice_fiscale;nome;esito;sesso;data_nascita;comune;provincia;codice_base;avviso\n"
         "RSSMRA80A01H501U;Mario;;M;01/01/1980;ROMA;RM;;Nota accanto alla tabella: «da richiamare», tenuta dopo "
         "le nuove colonne;da richiamare\n"
         "RSSMRA80A01H501X;Mario;Carattere di controllo errato: doveva essere U;;;;;;\n",
         1},
        {"virgolette dentro un valore, come le legge LibreOffice",
         {"calcola"},
         nullptr,
         "cognome;nome;sesso;data_nascita;comune;provincia\nRossi;\"Ugo\" detto Ughetto;M;01/01/1980;Roma;RM\n",
         "cognome;nome;sesso;data_nascita;comune;provincia;codice_fiscale;esito\n"
         "Rossi;\"Ugo\" detto Ughetto;M;01/01/1980;Roma;RM;RSSGTT80A01H501N;\n",
         0},
        {"un byte NUL in mezzo al file",
         {"partita-iva"},
         nullptr,
         "partita_iva;nota\n12345670017;" + lunga + "\n1234567" + nul + "0017;b\n12345670017;c\n",
         "partita_iva;nota;esito;ufficio\n12345670017;" + lunga + ";;Torino\n1234567" + nul +
             "0017;b;Riga non valida: contiene un byte nullo, non è testo;\n12345670017;c;;Torino\n",
         1},
    };
    for (const auto &c : casi) {
        QTemporaryDir cartella;
        QString ingresso = cartella.filePath(QStringLiteral("in.csv"));
        if (c.file)
            ingresso = QStringLiteral(SPORTELLO_SOURCE_DIR "/tests/tabelle/esportazioni/") + QLatin1String(c.file);
        else
            scrivi(ingresso, c.ingresso);
        const QString uscita = cartella.filePath(QStringLiteral("out.csv"));
        const Esito e = esegui(c.argomenti + QStringList{"--csv", ingresso, "--output", uscita});
        EXPECT_EQ(e.stato, c.stato) << c.nome << ": " << e.errori.toStdString();
        EXPECT_EQ(leggi(uscita).toStdString(), c.atteso.toStdString()) << c.nome;
    }
}

TEST(SportelloCli, ErroriDUso_StatoDue_NessunFileScritto)
{
    QTemporaryDir cartella;
    const QString ingresso = cartella.filePath(QStringLiteral("in.csv"));
    const QString uscita = cartella.filePath(QStringLiteral("out.csv"));
    scrivi(ingresso, "nome;cognome\nMario;Rossi\n");
    const QString partite = cartella.filePath(QStringLiteral("piva.csv"));
    scrivi(partite, "partita_iva\n12345670017\n");
    const QString foglio = cartella.filePath(QStringLiteral("foglio.csv"));
    const char zip[] = "PK\x03\x04\x14\0\0\0[Content_Types].xml xl/workbook.xml";
    scrivi(foglio, QByteArray(zip, sizeof zip - 1));
    const QString esportazioni = QStringLiteral(SPORTELLO_SOURCE_DIR "/tests/tabelle/esportazioni/");
    const QString troncato = cartella.filePath(QStringLiteral("troncato.xlsx"));
    scrivi(troncato, leggi(esportazioni + "dipendenti.xlsx").left(3000));
    scrivi(uscita, "da non toccare");
    const QString cifrato = QStringLiteral(SPORTELLO_SOURCE_DIR "/tests/tabelle/dati/cifrato.ods");
    const struct {
        QStringList argomenti;
        const char *messaggio;
    } casi[] = {
        {{"calcola", "--csv", ingresso, "-o", uscita}, "manca la colonna «sesso»"},
        {{"calcola", "--csv", cartella.filePath("nessuno.csv"), "-o", uscita}, "il file non esiste"},
        {{"verifica-tutto"}, "comando sconosciuto"},
        {{"calcola", "--csv", ingresso, "--separatore", "|"}, "separatore «|» non valido"},
        {{"calcola", "--csv", ingresso, "--colonna", "altezza=nome"}, "non è una colonna di questo comando"},
        {{"partita-iva", "--csv", partite, "-o", cartella.filePath("no/out.csv")}, "Impossibile scrivere"},
        {{"partita-iva"}, "mancano i valori"},
        {{"euro", "abc", "lira italiana"}, "Importo non valido"},
        {{"euro", "1", "lira"}, "Valuta ambigua"},
        {{"calcola", "--csv", ingresso, "--colonna", "sesso=Genere"}, "--colonna sesso=Genere"},
        {{"calcola", "--csv", foglio}, "foglio.csv»: il file è danneggiato o incompleto (archivio zip non valido)"},
        {{"calcola", "--file", esportazioni + "dipendenti.xls", "-o", uscita}, "il file è nel vecchio formato Excel"},
        {{"calcola", "-f", troncato, "-o", uscita}, "troncato.xlsx»: il file è danneggiato o incompleto"},
        {{"calcola", "-f", troncato, "-o", cartella.filePath("out.xlsx")}, "il file è danneggiato o incompleto"},
        {{"calcola", "--file", ingresso, "--foglio", "2"}, "--foglio vale solo per un file .xlsx o .ods"},
        {{"calcola", "--file", esportazioni + "dipendenti.ods", "--foglio", "Altro", "-o", cartella.filePath("o.xlsx")},
         "il foglio \"Altro\" non esiste; fogli presenti: "},
        {{"partita-iva", "12345670017", "--foglio", "1"}, "valgono solo con --file (--csv)"},
        {{"calcola", "--csv", cartella.path()}, "è una cartella"},
        {{"partita-iva", "--csv", partite, "-o", cartella.filePath("no/out.csv")}, "la cartella"},
        {{"partita-iva", "--csv", partite, "--codifica", "utf-16"}, "codifica «utf-16» non valida"},
        {{"partita-iva", "--csv", partite, "--intestazione", "0"}, "--intestazione «0» non valida"},
        {{"partita-iva", "--csv", partite, "--intestazione", "3"}, "--intestazione 3: il file «"},
        {{"calcola", "--csv", ingresso, "--data", "aaaa"}, "--data «aaaa» non valido"},
        {{"partita-iva", "--csv", partite, "-o", cartella.filePath("out.ods")}, "il formato .ods non è tra quelli"},
        {{"partita-iva", "--csv", partite, "-o", cartella.filePath("out.XLS")}, "il formato .xls non è tra quelli"},
        {{"calcola", "--file", cifrato, "-o", uscita}, "protetto da password"},
    };
    for (const auto &c : casi) {
        const Esito e = esegui(c.argomenti);
        EXPECT_EQ(e.stato, 2) << c.argomenti.join(' ').toStdString();
        EXPECT_TRUE(e.errori.contains(QString::fromUtf8(c.messaggio))) << e.errori.toStdString();
    }
    EXPECT_EQ(leggi(uscita), "da non toccare");
    EXPECT_EQ(QDir(cartella.path()).entryList(QDir::Files | QDir::Hidden).size(), 5);
}

TEST(SportelloCli, ValoriSullaRigaDiComando)
{
    const struct {
        QStringList argomenti;
        const char *uscita;
        int stato;
    } casi[] = {
        {{"calcola", "Rossi", "Mario", "M", "01/01/1980", "Roma", "RM"}, "RSSMRA80A01H501U\n", 0},
        {{"calcola", "Rossi", "Mario", "M", "01/01/1980", "Roma", "RM "}, "RSSMRA80A01H501U\n", 0},
        {{"calcola", "Rossi", "Mario", "M", "01/01/1980", "Roma", "MI"}, "", 1},
        {{"calcola", "Rossi", "Mario", "M", "1011980", "Roma", "RM"}, "RSSMRA80A01H501U\n", 0}, // a zero lost
        {{"calcola", "Rossi", "Mario", "M", "100000", "Roma", "RM"}, "", 1},                  // not the year 2173
        {{"calcola", "Rossi", "Mario", "M", "01/01/2099", "Roma", "RM"}, "", 1},
        {{"partita-iva", "12345670017"},
         "Il codice è esatto! Il codice è stato emesso dall'ufficio iva di: Torino\n",
         0},
        {{"partita-iva", "IT 00743110157"},
         "Il codice è esatto! Il codice è stato emesso dall'ufficio iva di: Milano 1\n",
         0},
        {{"partita-iva", ""}, "Partita IVA non specificata\n", 1},
        {{"calcola", "Rossi", "Mario", "maschio", "01/01/1980", "Roma", "Roma"}, "RSSMRA80A01H501U\n", 0},
        {{"verifica", "RSSMRA50A01A744Y"},
         "sesso: M\ndata_nascita: 01/01/1950\ncomune: BELLAGIO (CO) (soppresso il 03/02/2014)\nprovincia: CO\n"
         "codice_base: \navviso: \n",
         0},
        {{"comune", "roma"},
         "denominazione: ROMA\ncap: 00100\nprovincia: ROMA\nsigla: RM\nregione: LAZIO\nprefisso: 06\navviso: \n",
         0},
        {{"comune", "00184"},
         "denominazione: ROMA\ncap: 00184\nprovincia: ROMA\nsigla: RM\nregione: LAZIO\nprefisso: 06\navviso: \n",
         0},
        {{"comune", "Lenno"},
         "denominazione: TREMEZZINA\ncap: 22016\nprovincia: COMO\nsigla: CO\nregione: LOMBARDIA\nprefisso: 0344\n"
         "avviso: LENNO (CO): soppresso il 03/02/2014, ora TREMEZZINA (CO)\n",
         0},
        // The day of a change of code, a place that did not exist on the day of birth.
        {{"calcola", "ROSSI", "MARIO", "M", "10/01/2014", "Bellagio", "CO"}, "RSSMRA14A10A744R\n", 0},
        {{"calcola", "ROSSI", "MARIO", "M", "01/06/2020", "Civenna", "CO"}, "", 1},
        // Not as written: accents, other names, short forms; several answers name them.
        {{"calcola", "Rossi", "Mario", "M", "01/01/1980", "Forli", "FC"}, "RSSMRA80A01D704D\n", 0},
        {{"calcola", "Rossi", "Mario", "M", "01/01/1980", "Bozen", "BZ"}, "RSSMRA80A01A952F\n", 0},
        {{"calcola", "Rossi", "Mario", "M", "01/01/1980", "Reggio Emilia", "RE"}, "RSSMRA80A01H223V\n", 0},
        {{"euro", "10000", "lira italiana"}, "5,16\n", 0},
        {{"euro", "3862.86", "ITL"}, "2,00\n", 0},
        {{"euro", "1.936,27", "lira it"}, "1,00\n", 0},
        {{"euro", "--da-euro", "5,16", "ITL"}, "9991,1532\n", 0},
        {{"prefisso", "costa", "d'avorio"}, "00225\n", 0},
        {{"prefisso", "Perù"}, "0051\n", 0},
        {{"prefisso", "Atlantide"}, "", 1},
        {{"--version"}, "sportello-cli " SPORTELLO_VERSIONE_ATTESA "\n", 0},
    };
    for (const auto &c : casi) {
        const Esito e = esegui(c.argomenti);
        EXPECT_EQ(e.stato, c.stato) << c.argomenti.join(' ').toStdString() << e.errori.toStdString();
        EXPECT_EQ(e.uscita, QString::fromUtf8(c.uscita)) << c.argomenti.join(' ').toStdString();
    }
}

TEST(SportelloCli, AiutoDiOgniComando_UnaRigaDUsoCheSiPuoEseguire)
{
    // Each with the headers its columns are found by (none for a command without tables) and the manual.
    const struct {
        const char *comando, *intestazioni;
    } casi[] = {{"calcola", "  data_nascita: data_nascita, Data di nascita, Nascita,"},
                {"verifica", "  cognome (facoltativa): cognome\n"},
                {"partita-iva", "  partita_iva: partita_iva, P.IVA, Part. IVA,"},
                {"comune", "  cap (facoltativa): cap\n"},
                {"euro", nullptr},
                {"prefisso", nullptr}};
    for (const auto &c : casi) {
        const char *comando = c.comando;
        const Esito e = esegui({comando, "--help"});
        EXPECT_EQ(e.stato, 0) << comando;
        EXPECT_TRUE(e.uscita.startsWith(QStringLiteral("Uso: sportello-cli %1 ").arg(comando)))
            << e.uscita.toStdString();
        EXPECT_FALSE(e.uscita.contains(QStringLiteral("Utilizzo"))) << comando;
        EXPECT_EQ(e.uscita.contains(QStringLiteral("Intestazioni riconosciute")), c.intestazioni != nullptr) << comando;
        if (c.intestazioni) {
            EXPECT_TRUE(e.uscita.contains(QString::fromUtf8(c.intestazioni))) << e.uscita.toStdString();
        }
        EXPECT_TRUE(e.uscita.endsWith(QStringLiteral("sportello-cli(1).\n"))) << comando;
    }
    EXPECT_TRUE(esegui({"--help"}).uscita.startsWith(QStringLiteral("Uso: sportello-cli COMANDO")));
}

#ifndef _WIN32
// Devices and pipes as outputs: a full disk under a value's answer or a table is named with exit status 2;
// a pipe gets the table, CSV or .xlsx; none is replaced by a file, and nothing is left in the folder.
TEST(SportelloCli, UscitaSuDispositivi)
{
    for (const QStringList &argomenti : {QStringList{"calcola", "Rossi", "Mario", "M", "01/01/1980", "Roma", "RM"},
                                         {"verifica", "RSSMRA80A01H501U"},
                                         {"partita-iva", "00743110157"},
                                         {"comune", "Roma"},
                                         {"euro", "10000", "lira italiana"},
                                         {"prefisso", "Francia"}}) {
        QProcess cli;
        cli.setStandardOutputFile(QStringLiteral("/dev/full"));
        cli.start(QStringLiteral(SPORTELLO_CLI), argomenti);
        ASSERT_TRUE(cli.waitForFinished(60000)) << argomenti.join(' ').toStdString();
        EXPECT_EQ(cli.exitCode(), 2) << argomenti.join(' ').toStdString();
        EXPECT_TRUE(cli.readAllStandardError().contains("spazio esaurito")) << argomenti.join(' ').toStdString();
    }
    QTemporaryDir cartella;
    const QString ingresso = cartella.filePath(QStringLiteral("in.csv"));
    scrivi(ingresso, "partita_iva\n00743110157\n");
    const QByteArray pipeCsv = QFile::encodeName(cartella.filePath("pipe.csv"));
    const QByteArray pipeXlsx = QFile::encodeName(cartella.filePath("pipe.xlsx"));
    const struct {
        QByteArray uscita;
        int stato;
        const char *inizio; // of what the pipe reads; null for a device
    } casi[] = {{"/dev/full", 2, nullptr},
                {"/dev/null", 0, nullptr},
                {pipeCsv, 0, "partita_iva;esito;ufficio"},
                {pipeXlsx, 0, "PK"}};
    for (const auto &c : casi) {
        int lettura = -1; // the pipe's end, open before the run; the output fits in its buffer
        if (c.inizio) {
            ASSERT_EQ(::mkfifo(c.uscita.constData(), 0600), 0);
            lettura = ::open(c.uscita.constData(), O_RDONLY | O_NONBLOCK);
            ASSERT_GE(lettura, 0);
        }
        const Esito e = esegui({"partita-iva", "--csv", ingresso, "-o", QString::fromLocal8Bit(c.uscita)});
        EXPECT_EQ(e.stato, c.stato) << c.uscita.constData() << e.errori.toStdString();
        EXPECT_EQ(e.errori.contains(QStringLiteral("spazio esaurito")), c.stato == 2) << c.uscita.constData();
        struct stat s {};
        EXPECT_TRUE(::stat(c.uscita.constData(), &s) == 0 && !S_ISREG(s.st_mode)) << c.uscita.constData();
        if (c.inizio) {
            QByteArray letti(1 << 16, '\0');
            letti.truncate(std::max<qsizetype>(0, ::read(lettura, letti.data(), static_cast<size_t>(letti.size()))));
            ::close(lettura);
            ::unlink(c.uscita.constData());
            EXPECT_TRUE(letti.startsWith(c.inizio)) << c.uscita.constData();
        }
    }
    EXPECT_EQ(QDir(cartella.path()).entryList(QDir::Files | QDir::Hidden | QDir::System), QStringList{"in.csv"});
}

// Ctrl-C while an .xlsx is written: the run stops, the workbook goes without being zipped, the program ends
// by the signal as the shell expects; nothing is left in the folder, neither under the output's name nor
// under a temporary one.
TEST(SportelloCli, CtrlCNonLasciaNulla)
{
    QByteArray tabella = "partita_iva\n";
    for (int i = 0; i < 400000; ++i)
        tabella += "00743110157\n";
    for (const char *uscita : {"out.xlsx"}) {
        QTemporaryDir cartella;
        const QString ingresso = cartella.filePath(QStringLiteral("in.csv"));
        scrivi(ingresso, tabella);
        QProcess cli;
        cli.start(QStringLiteral(SPORTELLO_CLI),
                  {"partita-iva", "--csv", ingresso, "-o", cartella.filePath(QLatin1String(uscita))});
        ASSERT_TRUE(cli.waitForStarted());
        // Interrupted once the output has been started.
        QElapsedTimer attesa;
        attesa.start();
        while (QDir(cartella.path()).entryList(QDir::Files | QDir::Hidden).size() < 2 && attesa.elapsed() < 30000 &&
               cli.state() == QProcess::Running)
            QThread::msleep(5);
        ASSERT_EQ(cli.state(), QProcess::Running) << uscita << ": the run ended before it could be interrupted";
        ::kill(static_cast<pid_t>(cli.processId()), SIGINT);
        ASSERT_TRUE(cli.waitForFinished(60000));
        EXPECT_EQ(cli.exitStatus(), QProcess::CrashExit) << uscita;
        EXPECT_TRUE(cli.readAllStandardError().contains("interrotto, nessun file scritto")) << uscita;
        EXPECT_EQ(QDir(cartella.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"in.csv"}) << uscita;
    }
}
// On Windows there is neither /dev/full nor mkfifo, and Ctrl-C reaches a whole console group and cannot be
// sent to one child process from here.
#endif
