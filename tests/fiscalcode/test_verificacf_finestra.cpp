// The window "Verifica Codice Fiscale", driven through real key events, and its button in the main menu.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QTest>

#include "calcolo.h"
#include "codici.h"
#include "frmmain.h"
#include "supporto.h"
#include "verificacfform.h"

namespace {

const QByteArray kCodici = recordCodici("ROMA", "RM", "H501") + recordCodici("FRANCIA", "EE", "Z110") +
                           recordCodici("FIUME", "FU", "D620", "1947") + fineCodici();

} // namespace

TEST(FinestraVerificaCF, NomiAccessibiliOrdineETestiInteri)
{
    CartellaProgrammaFinta programma;
    programma.scrivi(QStringLiteral("codes.cf"), kCodici);
    VerificaCF f;
    ASSERT_TRUE(f.carica());
    f.Form_Activate();
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(f.windowTitle(), QStringLiteral("Verifica Codice Fiscale"));
    EXPECT_EQ(f.OsenXPForm1()->Caption(), QStringLiteral("Verifica Codice Fiscale"));

    // The boxes that the user fills in, then the results, which are read-only.
    const QList<QPair<OsenXPTextBox *, const char *>> caselle{{f.CodFis, "Codice fiscale"},
                                                              {f.Cognome, "Cognome"},
                                                              {f.Nome, "Nome"},
                                                              {f.Esito, "Esito"},
                                                              {f.Sesso, "Sesso"},
                                                              {f.DataN, "Data di nascita"},
                                                              {f.Luogo, "Luogo di nascita"},
                                                              {f.CodBase, "Codice di base"},
                                                              {f.Confronto, "Confronto con cognome e nome"},
                                                              {f.Avviso, "Avviso"}};
    for (int i = 0; i < caselle.size(); ++i) {
        EXPECT_EQ(caselle[i].first->accessibleName(), QString::fromUtf8(caselle[i].second));
        EXPECT_EQ(caselle[i].first->isReadOnly(), i >= 3) << caselle[i].second;
    }
    EXPECT_EQ(f.Command1->accessibleName(), QStringLiteral("Verifica"));
    EXPECT_EQ(f.CopiaBut->accessibleName(), QStringLiteral("Copia"));

    // The longest texts the boxes can get fit without being cut.
    f.Cognome->setText(QStringLiteral("Verdi"));
    f.Nome->setText(QStringLiteral("Marco"));
    const struct {
        const char *codice;
        OsenXPTextBox *casella;
    } lunghi[] = {
        {"RSSMRAULALMHRLMD", f.Esito}, {"RSSMRAULALMHRLMD", f.Confronto}, {"RSSMRA80A01H50OU", f.Esito},
        {"RSSMRA80A01X999W", f.Luogo}, {"RSSMRA80A01D620V", f.Avviso},
    };
    for (const auto &l : lunghi) {
        f.CodFis->setText(QString::fromLatin1(l.codice));
        f.Command1_Click();
        const QRect spazio = l.casella->contentsRect().adjusted(4, 0, -4, 0);
        EXPECT_LE(l.casella->fontMetrics().horizontalAdvance(l.casella->text()), spazio.width())
            << qPrintable(l.casella->text());
    }
}

// Over the shipped table: every place shows its whole name, and the longest of them fits the box; a warning
// tells the day the place ceased.
TEST(FinestraVerificaCF, LuoghiInteriEGiorniDeiDatiSpediti)
{
    CartellaProgrammaFinta programma;
    QFile codici(QStringLiteral(SPORTELLO_SOURCE_DIR "/data/codes.cf"));
    ASSERT_TRUE(codici.open(QIODevice::ReadOnly));
    programma.scrivi(QStringLiteral("codes.cf"), codici.readAll());
    VerificaCF f;
    ASSERT_TRUE(f.carica());
    f.impostaOggi(QDate(2026, 6, 15));
    // The widest place text of all the codes, born on a day that adds no warning.
    QString largo;
    int larghezza = 0;
    for (int i = 0; i < f.tabella().numeroVoci(); ++i) {
        const QString codice = QStringLiteral("RSSMRA80A01") + f.tabella().voce(i).codice;
        f.CodFis->setText(codice + Fiscale::carattereControllo(codice));
        f.Command1_Click();
        const int l = f.Luogo->fontMetrics().horizontalAdvance(f.Luogo->text());
        if (l > larghezza) {
            larghezza = l;
            largo = f.Luogo->text();
        }
    }
    EXPECT_LE(larghezza, f.Luogo->contentsRect().adjusted(4, 0, -4, 0).width()) << qPrintable(largo);
    f.CodFis->setText(QStringLiteral("RSSMRA17H15A012Z"));
    QTest::keyClick(f.CodFis, Qt::Key_Return);
    EXPECT_EQ(f.Luogo->text(), QStringLiteral("ABETONE (PT) (soppresso il 31/12/2016)"));
    EXPECT_EQ(f.Avviso->text(), QStringLiteral("Comune non più esistente alla data di nascita (soppresso il 31/12/2016)"));
    EXPECT_FALSE(f.Avviso->isHidden());
}

TEST(FinestraVerificaCF, SenzaCodesCfSiChiudeComeIlCalcolo)
{
    CartellaProgrammaFinta programma;
    RegistroMessaggi registro;
    VerificaCF f;
    EXPECT_FALSE(f.carica());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    ASSERT_EQ(registro.conta(), 1);
    const Modulo1::Messaggio &m = registro.messaggi()[0];
    EXPECT_TRUE(m.testo == QStringLiteral("File dei codici CODES.CF non trovato, impossibile continuare") &&
                m.stile == 48 && m.titolo == QStringLiteral("Errore"));
}

TEST(FinestraVerificaCF, DalMenuConLaTastieraEGliAppunti)
{
    CartellaProgrammaFinta programma;
    programma.scrivi(QStringLiteral("codes.cf"), kCodici);
    RegistroMessaggi registro;
    frmMain menu;
    menu.carica();
    menu.show();
    menu.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&menu));
    QGuiApplication::clipboard()->setText(QStringLiteral("prima"));

    // What the result boxes show, after each verification: the hidden ones as "-".
    QStringList visti;
    QStringList fuoco, appunti;
    QString titolo, esitoRifiuto;
    quandoModale([&](QWidget *finestra) {
        auto *f = qobject_cast<VerificaCF *>(finestra);
        ASSERT_NE(f, nullptr);
        ASSERT_TRUE(QTest::qWaitForWindowActive(f));
        titolo = f->windowTitle();
        f->impostaOggi(QDate(2026, 6, 15));
        auto vedi = [&]() {
            QStringList righe;
            for (OsenXPTextBox *t : {f->Esito, f->Sesso, f->DataN, f->Luogo, f->CodBase, f->Confronto})
                righe << (t->isVisible() ? t->text() : QStringLiteral("-"));
            visti << righe.join(u'|');
        };
        // The code box has the focus; Copia with nothing in it beeps and leaves the clipboard alone. A
        // button's access key clicks it a moment later, as a mouse click would show.
        const int beep = Modulo1::beepSuonati();
        QTest::keyClick(f, Qt::Key_C, Qt::AltModifier);
        EXPECT_TRUE(QTest::qWaitFor([&]() { return Modulo1::beepSuonati() == beep + 1; }));
        appunti << QGuiApplication::clipboard()->text();

        // Typed with spaces and in lower case, Return verifies.
        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("rss mra 80a01 h5lmx"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        vedi();
        // A seventeenth character does not go in.
        QTest::keyClick(f->CodFis, Qt::Key_Z);
        esitoRifiuto = f->Esito->text();

        // Tab goes through the boxes and the buttons; Alt+O and Alt+N reach surname and name.
        for (int i = 0; i < 4; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            fuoco << QApplication::focusWidget()->objectName();
        }
        QTest::keyClick(f, Qt::Key_O, Qt::AltModifier);
        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("Rossi"));
        QTest::keyClick(f, Qt::Key_N, Qt::AltModifier);
        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("Marco"));
        QTest::keyClick(f, Qt::Key_V, Qt::AltModifier);
        EXPECT_TRUE(QTest::qWaitFor([&]() { return !f->Confronto->text().isEmpty(); }));
        vedi();
        QTest::keyClick(f, Qt::Key_C, Qt::AltModifier);
        EXPECT_TRUE(QTest::qWaitFor([&]() { return QGuiApplication::clipboard()->text() != u"prima"; }));
        appunti << QGuiApplication::clipboard()->text();

        // A pasted code with spaces goes in; a pasted text too long is refused whole, with a message.
        QTest::keyClick(f, Qt::Key_F, Qt::AltModifier);
        QTest::keyClick(f->CodFis, Qt::Key_A, Qt::ControlModifier);
        QGuiApplication::clipboard()->setText(QStringLiteral("DPN JHN 70C15 Z110O"));
        QTest::keyClick(f->CodFis, Qt::Key_V, Qt::ControlModifier);
        QTest::keyClick(f->CodFis, Qt::Key_Enter);
        vedi();
        QTest::keyClick(f->CodFis, Qt::Key_A, Qt::ControlModifier);
        QGuiApplication::clipboard()->setText(QStringLiteral("RSSMRA80A01H501UX"));
        QTest::keyClick(f->CodFis, Qt::Key_V, Qt::ControlModifier);
        appunti << f->CodFis->text() << f->Esito->text();
        f->close();
    });
    QTest::keyClick(&menu, Qt::Key_V, Qt::AltModifier);
    EXPECT_TRUE(QTest::qWaitFor([&]() { return !titolo.isEmpty() && !QApplication::activeModalWidget(); }));

    EXPECT_EQ(titolo, QStringLiteral("Verifica Codice Fiscale"));
    EXPECT_EQ(registro.conta(), 0);
    EXPECT_EQ(visti, (QStringList{
                         "Codice valido (omocodico, 2 caratteri sostituiti; codice di base: RSSMRA80A01H501U)|M|"
                         "01/01/1980|ROMA (RM)|RSSMRA80A01H501U|-",
                         "Codice valido (omocodico, 2 caratteri sostituiti; codice di base: RSSMRA80A01H501U)|M|"
                         "01/01/1980|ROMA (RM)|RSSMRA80A01H501U|Cognome (RSS): corrisponde; nome (MRC): diverso, "
                         "nel codice MRA",
                         "Codice valido|M|15/03/1970|FRANCIA (Stato estero)|-|Cognome (RSS): diverso, nel codice DPN; "
                         "nome (MRC): diverso, nel codice JHN"}));
    EXPECT_EQ(esitoRifiuto, QStringLiteral("Testo troppo lungo: il codice fiscale ha 16 caratteri"));
    EXPECT_EQ(fuoco, (QStringList{"Cognome", "Nome", "Command1", "CopiaBut"}));
    EXPECT_EQ(appunti, (QStringList{"prima", "RSSMRA80A01H5LMX", "DPN JHN 70C15 Z110O",
                                    "Testo troppo lungo: il codice fiscale ha 16 caratteri"}));
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}
