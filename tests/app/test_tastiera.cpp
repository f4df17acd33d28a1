// The windows from the keyboard alone: key sequences from the main menu, through the window system, and
// what the windows show after them.
#include <optional>

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTest>

#include "frmmain.h"
#include "supporto.h"

namespace {

struct Riga {
    std::vector<const char *> passi;
    // Control name (or "@finestra", "@fuoco", "@messaggi") and what it shows after the steps.
    std::vector<std::pair<const char *, const char *>> attese;
    bool messaggiVeri = false; // real message boxes instead of the recorder
};

const char *const kTitoloMenu = "Quietanza 3.0";

void provaTasti(const std::vector<Riga> &righe)
{
    CartellaProgrammaFinta cartella;
    for (const char *nome : {"codes.dat", "codes.cf"})
        QFile::copy(QStringLiteral(SPORTELLO_SOURCE_DIR "/data/") + QLatin1String(nome),
                    cartella.file(QLatin1String(nome)));
    for (const Riga &riga : righe) {
        std::optional<RegistroMessaggi> registro;
        if (!riga.messaggiVeri)
            registro.emplace();
        frmMain menu;
        menu.carica();
        menu.show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&menu));
        QStringList passi;
        for (const char *p : riga.passi)
            passi << QString::fromUtf8(p);
        const bool finiti = eseguiPassi(
            static_cast<int>(passi.size()), [&](int i) { return passi[i]; },
            [&] {
                for (const auto &[nome, atteso] : riga.attese) {
                    QString visto = mostra(nome);
                    if (qstrcmp(nome, "@messaggi") == 0) {
                        visto.clear();
                        // A path in a message as the table writes it, whatever the platform's separator.
                        for (const Modulo1::Messaggio &m : registro->messaggi())
                            visto += QDir::fromNativeSeparators(m.testo) + QLatin1Char('|');
                    }
                    EXPECT_EQ(visto, QString::fromUtf8(atteso)) << nome << " after " << passi.join(u' ').toStdString();
                }
                chiudiModali(&menu);
            },
            150);
        EXPECT_TRUE(finiti) << passi.join(u' ').toStdString();
    }
}

const char *const kEsatto = "Il codice è esatto! Il codice è stato emesso dall'ufficio iva di: Torino";
const char *const kNessunaValuta = "Scegliere una valuta dell'elenco: conversione non eseguita.";
const char *const kInizioPrefisso = "Il prefisso da comporre per chiamare dall'Italia è:";

} // namespace

TEST(Tastiera, Comuni)
{
    provaTasti({
        // Focus passing through the list picks nothing: Ok searches the name typed.
        {{"Alt+C", "t:Roma", "Tab", "Tab", "Space"}, {{"Localita", "Roma"}, {"Codice", "00100"}, {"Text1", "RM"}}},
        {{"Alt+C", "t:Roma", "Tab", "Tab", "Shift+Tab", "Tab", "Return"}, {{"Localita", "Roma"}, {"Codice", "00100"}}},
        {{"Alt+C", "t:Roma", "Tab", "Tab", "Num+Enter"}, {{"Codice", "00100"}, {"@fuoco", "Command1"}}},
        // The arrow keys pick; Return on a row searches that row, the second of two same names too.
        {{"Alt+C", "Tab", "Down"}, {{"Localita", "ABBADIA CERRETO"}, {"Codice", ""}}},
        {{"Alt+C", "Tab", "t:castro", "Down", "Return"},
         {{"Localita", "CASTRO"}, {"List1", "CASTRO (LE)"}, {"Text1", "LE"}, {"Codice", "73030"}}},
        {{"Alt+C", "Tab", "t:castro", "Down", "Space", "Shift+Tab", "Return"}, {{"Text1", "LE"}}},
        // A typed name of namesakes offers them, and the list shows the one chosen; a former name shows today's
        // municipality and says so.
        {{"Alt+C", "t:castro", "Return", "Down", "Return"},
         {{"Text1", "LE"}, {"Localita", "CASTRO"}, {"List1", "CASTRO (LE)"}}},
        {{"Alt+C", "Tab", "t:castro", "Down", "Shift+Tab", "End", "Backspace", "t:O", "Return", "Return"},
         {{"Text1", "BG"}, {"List1", "CASTRO (BG)"}}},
        {{"Alt+C", "t:Lenno", "Return"},
         {{"Localita", "TREMEZZINA"}, {"Text1", "CO"}, {"@messaggi", "LENNO (CO): soppresso il 03/02/2014, ora TREMEZZINA (CO)|"}}},
        // Reset by its access key; Escape keeps what was typed; Ctrl+W and Alt+F4 close, and the main
        // window has the keyboard again where it had it (an access key clicks without moving the focus).
        {{"Alt+C", "t:Roma", "Return", "Alt+R"}, {{"Codice", ""}, {"Localita", ""}}},
        {{"Alt+C", "t:Roma", "Escape"}, {{"@finestra", "Comuni"}, {"Localita", "Roma"}}},
        {{"Alt+C", "t:Roma", "Ctrl+W"}, {{"@finestra", kTitoloMenu}, {"@fuoco", "cmdAssegniRicevuti"}}},
        {{"Alt+C", "Alt+F4"}, {{"@finestra", kTitoloMenu}}},
        // A real message box: Return closes it and the keyboard is back in the box it came from.
        {{"Alt+C", "t:Xyz", "Return", "Return", "t:!"}, {{"@finestra", "Comuni"}, {"Localita", "Xyz!"}}, true},
    });
}

TEST(Tastiera, PartIva)
{
    provaTasti({
        // Alt with a letter types nothing in a box that takes digits only.
        {{"Alt+P", "t:12", "Alt+A", "Alt+X", "t:3"}, {{"Text1", "123"}}},
        {{"Alt+P", "t:12345670017", "Return"}, {{"responso", kEsatto}, {"@fuoco", "Text1"}}},
        {{"Alt+P", "t:12345670017", "Tab", "Return"}, {{"responso", kEsatto}, {"@fuoco", "Command1"}}},
        {{"Alt+P", "t:1", "Tab", "Num+Enter"}, {{"responso", "Errore: la partita iva deve essere di 11 cifre!"}}},
        {{"Alt+P", "t:123", "Ctrl+W"}, {{"@finestra", kTitoloMenu}, {"@fuoco", "cmdAssegniRicevuti"}}},
    });
}

TEST(Tastiera, Euroconv)
{
    provaTasti({
        {{"Alt+E", "Shift+Tab", "Down", "Down", "Tab", "t:100", "Tab", "Tab", "Tab", "Return"},
         {{"Combo1", "Marco tedesco"}, {"Text2", "51"}, {"Text3", "13"}, {"Label4", ""}}},
        // Typing over the currency: the conversion follows the text, and no text names no currency.
        {{"Alt+E", "Shift+Tab", "Down", "Down", "Ctrl+A", "t:Peseta", "Tab", "t:100", "Tab", "Tab", "Tab", "Return"},
         {{"Combo1", "Peseta"}, {"Text2", ""}, {"Label4", kNessunaValuta}}},
        {{"Alt+E", "Shift+Tab", "t:peseta spagnola", "Tab", "t:16638.6", "Tab", "Tab", "Tab", "Space"},
         {{"Text2", "100"}, {"Text3", "0"}}},
        {{"Alt+E", "Tab", "Tab", "Tab", "Return"}, {{"Text2", ""}, {"Label4", kNessunaValuta}}},
        // Exactly half a cent rounds up.
        {{"Alt+E", "Shift+Tab", "Down", "Tab", "t:1225668.59135", "Tab", "Tab", "Tab", "Return"},
         {{"Text2", "633"}, {"Text3", "1"}}},
        {{"Alt+E", "Shift+Tab", "Down", "Tab", "Tab", "t:1", "Tab", "Tab", "Tab", "Num+Enter"},
         {{"Text1", "1936,27"}, {"@fuoco", "Command2"}}},
        {{"Alt+E", "t:100", "Ctrl+W"}, {{"@finestra", kTitoloMenu}, {"@fuoco", "cmdAssegniRicevuti"}}},
    });
}

TEST(Tastiera, Prefix)
{
    provaTasti({
        {{"Alt+R", "Down"}, {{"Label1", "Il prefisso da comporre per chiamare dall'Italia è: 0093"}}},
        // The sentence never shows the prefix of an entry that the box no longer shows.
        {{"Alt+R", "Down", "Ctrl+A", "t:Russia"}, {{"Combo1", "Russia"}, {"Label1", kInizioPrefisso}}},
        {{"Alt+R", "Ctrl+A", "t:Canada               001"},
         {{"Label1", "Il prefisso da comporre per chiamare dall'Italia è: 001"}}},
        {{"Alt+R", "Down", "Alt+F4"}, {{"@finestra", kTitoloMenu}, {"@fuoco", "cmdAssegniRicevuti"}}},
    });
}

TEST(Tastiera, CodiceFiscale)
{
    const std::vector<const char *> dati{"Alt+F",  "t:Rossi", "Tab",  "t:Mario", "Tab",
                                         "t:Roma", "Tab",     "t:RM", "Tab",     "t:1/1/1980"};
    const auto con = [&dati](std::vector<const char *> altri) {
        std::vector<const char *> passi = dati;
        passi.insert(passi.end(), altri.begin(), altri.end());
        return passi;
    };
    provaTasti({
        // Return on Calcola shows the card; Ctrl+W closes it and the fiscal code window has the keyboard.
        {con({"Tab", "Tab", "Return"}), {{"@finestra", "Codice Fiscale di MARIO ROSSI"}, {"cf", "RSSMRA80A01H501U"}}},
        {con({"Tab", "Tab", "Return", "Ctrl+W"}), {{"@finestra", "Codice Fiscale"}, {"@fuoco", "Command1"}}},
        // The arrow keys move between the two options.
        {con({"Tab", "Right", "Tab", "Space"}), {{"Sex", "F"}, {"cf", "RSSMRA80A41H501Y"}}},
        // Namesakes without a province: the arrow keys and Return choose one.
        {{"Alt+F", "t:Rossi", "Tab", "t:Mario", "Tab", "t:Castro", "Tab", "Tab", "t:1/1/1980", "Tab", "Tab", "Return",
          "Down", "Return"},
         {{"cf", "RSSMRA80A01M261X"}, {"Provinc", "LE"}}},
        {{"Alt+F", "Tab", "Tab", "Ctrl+W"}, {{"@finestra", kTitoloMenu}, {"@fuoco", "cmdAssegniRicevuti"}}},
    });
}

TEST(Tastiera, Informazioni)
{
    provaTasti({
        {{"Alt+I", "Tab", "Tab", "Return"}, {{"@finestra", kTitoloMenu}, {"@fuoco", "cmdAssegniRicevuti"}}},
        {{"Alt+I", "Alt+O"}, {{"@finestra", kTitoloMenu}}},
    });
}

TEST(Tastiera, Tabella)
{
    const char *const dipendenti = "t:" SPORTELLO_SOURCE_DIR "/tests/tabelle/esportazioni/dipendenti-utf8.csv";
    provaTasti({
        // Return in the file box reads the file and moves on to the operation; the arrows choose it.
        {{"Alt+T", dipendenti, "Return"}, {{"@finestra", "Elabora Tabella"}, {"@fuoco", "cboOperazione"}}},
        {{"Alt+T", dipendenti, "Return", "Down", "Down"},
         {{"cboOperazione", "Controlla partita IVA"}, {"cboColonna1", "(nessuna)"}}},
        // Access keys reach the boxes; Tab goes on in order.
        {{"Alt+T", dipendenti, "Return", "Alt+R"}, {{"@fuoco", "txtUscita"}}},
        {{"Alt+T", dipendenti, "Return", "Alt+P"}, {{"@fuoco", "tblAnteprima"}}},
        {{"Alt+T", dipendenti, "Return", "Alt+P", "Tab"}, {{"@fuoco", "cboColonna1"}, {"cboColonna1", "Cognome"}}},
        // A CSV file has no sheets to choose: Tab passes over the empty box.
        {{"Alt+T", dipendenti, "Return", "Tab"}, {{"@fuoco", "tblAnteprima"}}},
        {{"Alt+T", "Alt+S"}, {{"@finestra", "Scegli il file da elaborare"}}},
        // A name that is no file: one message, what was typed stays.
        {{"Alt+T", "t:/non/esiste.csv", "Return"},
         {{"@messaggi", "Il file «/non/esiste.csv» non esiste.|"}, {"txtFile", "/non/esiste.csv"}}},
        {{"Alt+T", dipendenti, "Ctrl+W"}, {{"@finestra", kTitoloMenu}, {"@fuoco", "cmdAssegniRicevuti"}}},
    });
}
