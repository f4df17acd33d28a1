#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#endif

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QListWidget>
#include <QTest>

#include "comuni.h"
#include "filecomuni.h"
#include "frmmain.h"
#include "supporto.h"

using FileComuni::riga;

namespace {

const QByteArray kDati = FileComuni::file(
    {riga("ANZIO", "LAZIO", "00042"), riga("ROMA", "LAZIO", "00100"), riga("ROMA", "DALMAZIA", "00199"),
     riga("RIETI", "", "02100"), riga("UDINE", "FRIULI VENEZIA GIULIA", "33100"), riga("ZERI", "TOSCANA", "54029")});

// The picture shown, 0 when none; -1 when more than one.
int figuraVisibile(const Comuni &w)
{
    int visibile = 0;
    for (int i = 1; i <= 21; ++i) {
        if (!w.Italia[i]->isHidden())
            visibile = visibile ? -1 : i;
    }
    return visibile;
}

QStringList caselle(const Comuni &w)
{
    return {w.Codice->text(), w.Text1->text(), w.Text2->text(), w.Text3->text(), w.Text4->text()};
}

void cerca(Comuni &w, const QString &testo)
{
    w.Localita->setText(testo);
    QTest::keyClick(w.Localita, Qt::Key_Return);
}

struct Finestra {
    CartellaProgrammaFinta cartella;
    RegistroMessaggi registro;
    Comuni w;
    explicit Finestra(const QByteArray &dati = kDati)
    {
        cartella.scrivi(QStringLiteral("codes.dat"), dati);
        EXPECT_TRUE(w.carica());
        w.show();
        w.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&w));
    }
};

} // namespace

TEST(Comuni, AllApertura)
{
    Finestra f;
    Comuni &w = f.w;
    EXPECT_EQ(w.List1->count(), 6);
    EXPECT_EQ(w.List1->selectionMode(), QAbstractItemView::SingleSelection);
    EXPECT_EQ(w.Command1->text(), QStringLiteral("&Ok"));
    EXPECT_EQ(w.Command2->text(), QStringLiteral("&Reset"));
    EXPECT_EQ(figuraVisibile(w), 1);
    for (int i = 1; i <= 21; ++i)
        EXPECT_EQ(w.Italia[i]->Picture().size(), QSize(192, 219)) << i;
    EXPECT_EQ(caselle(w), QStringList(5, QString()));
    for (OsenXPTextBox *box : {w.Codice, w.Text1, w.Text2, w.Text3, w.Text4})
        EXPECT_FALSE(box->isEnabled() || box->TabStop());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    // Tab order: Localita, List1, Ok, Reset; the display boxes take no focus.
    QList<QWidget *> catena{w.Localita};
    while (catena.size() < 4) {
        QWidget *prossimo = catena.last()->nextInFocusChain();
        while (!(prossimo->focusPolicy() & Qt::TabFocus) || !prossimo->isEnabled())
            prossimo = prossimo->nextInFocusChain();
        catena << prossimo;
    }
    EXPECT_EQ(catena, (QList<QWidget *>{w.Localita, w.List1, w.Command1, w.Command2}));
}

TEST(Comuni, ErroriDelFileDeiComuni)
{
    const struct {
        const char *caso;
        const char *messaggio;
        bool aperta;
    } casi[] = {
        {"mancante", "File dei codici CODES.DAT non trovato, impossibile continuare", false},
        {"cartella", "Si è verificato un errore - code: 75 - Impossibile continuare", false},
#ifndef _WIN32 // a socket in the place of a file, which only POSIX systems have
        {"socket", "Disco non pronto", true},
#endif
    };
    for (const auto &c : casi) {
        CartellaProgrammaFinta cartella;
        const QString percorso = cartella.file(QStringLiteral("codes.dat"));
        [[maybe_unused]] int presa = -1;
        if (qstrcmp(c.caso, "cartella") == 0)
            QDir().mkdir(percorso);
#ifndef _WIN32
        if (qstrcmp(c.caso, "socket") == 0) {
            presa = ::socket(AF_UNIX, SOCK_STREAM, 0);
            sockaddr_un indirizzo{};
            indirizzo.sun_family = AF_UNIX;
            qstrncpy(indirizzo.sun_path, QFile::encodeName(percorso).constData(), sizeof indirizzo.sun_path);
            ASSERT_EQ(::bind(presa, reinterpret_cast<sockaddr *>(&indirizzo), sizeof indirizzo), 0);
        }
#endif
        // Each message, and whether the pointer was back to normal when it came.
        std::vector<std::pair<Modulo1::Messaggio, bool>> messaggi;
        Modulo1::impostaIntercettatoreMessaggi([&](const Modulo1::Messaggio &m) {
            messaggi.emplace_back(m, QApplication::overrideCursor() == nullptr);
            return 1;
        });
        Comuni w;
        EXPECT_EQ(w.carica(), c.aperta) << c.caso;
        ASSERT_EQ(messaggi.size(), 1u) << c.caso;
        EXPECT_EQ(messaggi[0].first.testo, QString::fromUtf8(c.messaggio));
        EXPECT_EQ(messaggi[0].first.stile, 48);
        EXPECT_EQ(messaggi[0].first.titolo, QStringLiteral("Errore"));
        EXPECT_TRUE(messaggi[0].second) << c.caso;
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
        EXPECT_EQ(w.List1->count(), 0);
        if (c.aperta) {
            // Reset with an empty list: nothing to select, the boxes cleared, the plain map.
            w.Text3->setText(QStringLiteral("LAZIO"));
            w.Command2_Click();
            EXPECT_EQ(w.List1->currentRow(), -1);
            EXPECT_EQ(caselle(w), QStringList(5, QString()));
            EXPECT_EQ(figuraVisibile(w), 1);
            w.Localita->setText(QStringLiteral("zeri"));
            w.Command1_Click();
            ASSERT_EQ(messaggi.size(), 2u);
            EXPECT_EQ(messaggi[1].first.testo, QStringLiteral("Comune non trovato"));
        }
        Modulo1::impostaIntercettatoreMessaggi({});
#ifndef _WIN32
        if (presa >= 0)
            ::close(presa);
#endif
    }
}

TEST(Comuni, RicercaConInvioEConOk)
{
    Finestra f;
    Comuni &w = f.w;
    cerca(w, QStringLiteral(""));
    cerca(w, QStringLiteral("   "));
    EXPECT_EQ(f.registro.conta(), 0);

    cerca(w, QStringLiteral(" udine "));
    EXPECT_EQ(caselle(w), (QStringList{"33100", "RM", "ROMA              ", "FRIULI VENEZIA GIULIA", "06  "}));
    EXPECT_EQ(figuraVisibile(w), 6);
    EXPECT_EQ(w.Localita->text(), QStringLiteral(" udine ")); // Enter is not swallowed, and changes nothing
    EXPECT_EQ(w.List1->currentRow(), 4);                      // the list shows the municipality found

    w.Localita->setText(QStringLiteral("Atlantide"));
    w.Command1->click();
    ASSERT_EQ(f.registro.conta(), 1);
    EXPECT_EQ(f.registro.messaggi()[0].testo, QStringLiteral("Comune non trovato"));
    EXPECT_EQ(f.registro.messaggi()[0].stile, 48);
    EXPECT_EQ(f.registro.messaggi()[0].titolo, QStringLiteral("Errore"));
    EXPECT_EQ(w.Codice->text(), QStringLiteral("33100"));
    EXPECT_EQ(figuraVisibile(w), 6);

    cerca(w, QStringLiteral("zeri"));
    EXPECT_EQ(figuraVisibile(w), 17);
    cerca(w, QStringLiteral("rieti")); // no region in the file: the plain map
    EXPECT_EQ(w.Text3->text(), QString(19, ' '));
    EXPECT_EQ(figuraVisibile(w), 1);
}

// After the exact search: postal codes and names as people write them, from luoghi.dat; several answers
// are offered to choose from with the keyboard.
TEST(Comuni, CapEFormeDellaGenteDopoLaRicercaEsatta)
{
    Finestra f;
    Comuni &w = f.w;
    f.cartella.scrivi(QStringLiteral("luoghi.dat"),
                      "# prova\nC;00184;ROMA;RM\nC;02100;RIETI;RM\nC;02100;ANZIO;RM\nA;Udin;UDINE;RM\n"
                      "A;Citta;ANZIO;RM\nA;Citta;RIETI;RM\n");
    const struct {
        const char *testo;
        int riga;             // the row picked in the choice, -1 none offered, -2 Esc
        const char *localita; // what Localita shows after the search
        const char *cap;
        int corrente; // the list's current row
    } casi[] = {
        {"00184", -1, "ROMA", "00184", 1}, // the postal code searched for, not the directory's
        {"Udine'", -1, "UDINE", "33100", 4}, {"udin", -1, "UDINE", "33100", 4},  {"02100", 1, "RIETI", "02100", 3},
        {"Citta", 0, "ANZIO", "00042", 0},   {"Citta", -2, "Citta", "00042", 0}, // Esc: nothing changes
        {"Zeir", 0, "ZERI", "54029", 5},                                         // one letter off: offered, even alone
    };
    for (const auto &c : casi) {
        QString domanda, nomeLista;
        QStringList voci;
        if (c.riga != -1) {
            quandoModale([&](QWidget *scelta) {
                domanda = scelta->findChild<QLabel *>(QStringLiteral("Domanda"))->text();
                nomeLista = scelta->findChild<QListWidget *>(QStringLiteral("Luoghi"))->accessibleName();
                voci = scegliLuogo(scelta, c.riga);
            });
        }
        cerca(w, QString::fromUtf8(c.testo));
        EXPECT_EQ(w.Localita->text(), QString::fromUtf8(c.localita)) << c.testo;
        EXPECT_EQ(w.Codice->text(), QString::fromLatin1(c.cap)) << c.testo;
        EXPECT_EQ(w.List1->currentRow(), c.corrente) << c.testo;
        if (QByteArray(c.testo) == "Zeir") {
            EXPECT_EQ(domanda, QStringLiteral("Forse cercavi:"));
            EXPECT_EQ(voci, QStringList{"ZERI (RM)"});
        } else if (c.riga != -1) {
            const bool perCap = QByteArray(c.testo) == "02100";
            EXPECT_EQ(domanda, perCap ? QStringLiteral("Comuni con questo CAP:") : QStringLiteral("Forse cercavi:"));
            EXPECT_EQ(nomeLista, perCap ? QStringLiteral("Comuni con questo CAP") : QStringLiteral("Forse cercavi"));
            EXPECT_EQ(voci, (QStringList{"ANZIO (RM)", "RIETI (RM)"})) << c.testo;
        }
    }
    EXPECT_EQ(f.registro.conta(), 0);
}

TEST(Comuni, ListaClicDoppioClicEReset)
{
    Finestra f;
    Comuni &w = f.w;
    const auto clic = [&](int riga) {
        QTest::mouseClick(w.List1->viewport(), Qt::LeftButton, {}, w.List1->rettangoloRiga(riga).center());
    };
    clic(0);
    EXPECT_EQ(w.Localita->text(), QStringLiteral("ANZIO"));
    EXPECT_EQ(w.Codice->text(), QString());
    QTest::keyClick(w.List1, Qt::Key_Down);
    EXPECT_EQ(w.Localita->text(), QStringLiteral("ROMA"));
    w.Localita->clear();
    clic(1); // the item already selected
    EXPECT_EQ(w.Localita->text(), QStringLiteral("ROMA"));

    // The second ROMA, double-clicked through the window system: its own details, where the name typed
    // finds the first.
    const QPoint punto = w.List1->viewport()->mapTo(&w, w.List1->rettangoloRiga(2).center());
    QTest::mouseDClick(w.windowHandle(), Qt::LeftButton, {}, punto);
    EXPECT_EQ(w.List1->currentRow(), 2);
    EXPECT_EQ(w.Localita->text(), QStringLiteral("ROMA"));
    EXPECT_EQ(w.Codice->text(), QStringLiteral("00199"));
    EXPECT_EQ(figuraVisibile(w), 0);
    QTest::keyClick(w.Localita, Qt::Key_End);
    QTest::keyClick(w.Localita, Qt::Key_Return);
    EXPECT_EQ(w.Codice->text(), QStringLiteral("00199"));
    QTest::keyClick(w.Localita, Qt::Key_A);
    QTest::keyClick(w.Localita, Qt::Key_Backspace);
    QTest::keyClick(w.Localita, Qt::Key_Return);
    EXPECT_EQ(w.Codice->text(), QStringLiteral("00100"));
    EXPECT_EQ(figuraVisibile(w), 8);
    EXPECT_EQ(f.registro.conta(), 0);

    w.Command2->click();
    EXPECT_EQ(caselle(w), QStringList(5, QString()));
    EXPECT_EQ(w.Localita->text(), QString());
    EXPECT_EQ(w.List1->currentRow(), 0);
    EXPECT_TRUE(w.List1->selectionModel()->isRowSelected(0));
    EXPECT_EQ(figuraVisibile(w), 1);
}

TEST(Comuni, DalMenuPrincipale)
{
    CartellaProgrammaFinta cartella;
    RegistroMessaggi registro;
    frmMain menu;
    menu.carica();
    menu.show();
    // Each opening reads the file again.
    for (const char *cap : {"00042", "00043"}) {
        cartella.scrivi(QStringLiteral("codes.dat"), FileComuni::file({riga("ANZIO", "LAZIO", cap)}));
        QString trovato;
        QString dopoReset = QStringLiteral("?");
        quandoModale([&](QWidget *finestra) {
            auto *w = qobject_cast<Comuni *>(finestra);
            ASSERT_NE(w, nullptr);
            EXPECT_TRUE(QTest::qWaitForWindowActive(w));
            QTest::keyClicks(w->Localita, QStringLiteral("Anzio"));
            QTest::keyClick(w->Localita, Qt::Key_Return);
            trovato = w->Codice->text();
            // The access key clicks the button after its short pressed look.
            QTest::keyClick(w->Localita, Qt::Key_R, Qt::AltModifier);
            EXPECT_TRUE(QTest::qWaitFor([w] { return w->Codice->text().isEmpty(); }));
            dopoReset = w->Codice->text() + w->Localita->text();
            w->close();
        });
        menu.cmdAssegniRicevuti->click();
        EXPECT_EQ(trovato, QString::fromLatin1(cap));
        EXPECT_EQ(dopoReset, QString());
        EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    }
    EXPECT_EQ(registro.conta(), 0);
}
