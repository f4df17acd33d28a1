#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QTest>

#include "frmmain.h"
#include "modulo1.h"
#include "partiva.h"
#include "supporto.h"

namespace {

class FinestraPartIva : public ProvaFinestra<PartIva>
{
protected:
    void SetUp() override
    {
        ProvaFinestra::SetUp();
        f.Text1->setFocus();
    }
};

} // namespace

TEST_F(FinestraPartIva, StatoAllApertura)
{
    EXPECT_EQ(f.windowTitle(), QStringLiteral("Controllo Partita Iva"));
    EXPECT_EQ(f.OsenXPForm1()->Caption(), QStringLiteral("Controllo Partita Iva"));
    EXPECT_EQ(f.Label2->text(), QStringLiteral("Partita Iva:"));
    EXPECT_EQ(f.Command1->text(), QStringLiteral("Controlla"));
    EXPECT_EQ(f.Text1->text(), QString());
    EXPECT_EQ(f.Text1->maxLength(), 11);
    EXPECT_EQ(f.responso->text(), QString());
    EXPECT_EQ(f.Text1->toolTip(), QStringLiteral("Digitare qui la partita iva da controllare"));
    EXPECT_EQ(f.Command1->toolTip(), QStringLiteral("Cliccare qui per avviare il controllo"));
    EXPECT_EQ(f.officefinder(58), QStringLiteral("Roma 1"));
    EXPECT_EQ(f.officefinder(0), QString());
    EXPECT_EQ(f.officefinder(101), QString());
}

TEST_F(FinestraPartIva, IlPulsanteControllaEScriveIlResponso)
{
    f.Text1->setText(QStringLiteral("12345670017"));
    QTest::mouseClick(f.Command1, Qt::LeftButton);
    EXPECT_EQ(f.responso->text(),
              QStringLiteral("Il codice è esatto! Il codice è stato emesso dall'ufficio iva di: Torino"));
    // Each check replaces the whole result line.
    f.Text1->setText(QStringLiteral("123"));
    QTest::mouseClick(f.Command1, Qt::LeftButton);
    EXPECT_EQ(f.responso->text(), QStringLiteral("Errore: la partita iva deve essere di 11 cifre!"));
}

TEST_F(FinestraPartIva, SoloCifreEBackspaceDallaTastiera)
{
    const struct {
        Qt::Key tasto;
        // cppcheck-suppress unusedStructMember ; tells the reader what the key types
        char carattere;
        Qt::KeyboardModifiers modificatori;
    } rifiutati[] = {
        {Qt::Key_A, 'a', Qt::NoModifier},     {Qt::Key_A, 'A', Qt::ShiftModifier},
        {Qt::Key_Space, ' ', Qt::NoModifier}, {Qt::Key_Period, '.', Qt::NoModifier},
        {Qt::Key_Minus, '-', Qt::NoModifier}, {Qt::Key_Slash, '/', Qt::NoModifier},
    };
    QTest::keyClicks(f.Text1, QStringLiteral("123"));
    const int prima = Modulo1::beepSuonati();
    for (const auto &r : rifiutati)
        QTest::keyClick(f.Text1, r.tasto, r.modificatori);
    EXPECT_EQ(f.Text1->text(), QStringLiteral("123"));
    EXPECT_EQ(Modulo1::beepSuonati() - prima, static_cast<int>(std::size(rifiutati)));

    // A letter of the Italian keyboard too.
    QKeyEvent accentata(QEvent::KeyPress, Qt::Key_Egrave, Qt::NoModifier, QStringLiteral("è"));
    QApplication::sendEvent(f.Text1, &accentata);
    EXPECT_EQ(f.Text1->text(), QStringLiteral("123"));
    EXPECT_EQ(Modulo1::beepSuonati() - prima, static_cast<int>(std::size(rifiutati)) + 1);

    const int dopoLettere = Modulo1::beepSuonati();
    QTest::keyClick(f.Text1, Qt::Key_Backspace);
    QTest::keyClicks(f.Text1, QStringLiteral("4567890123"));
    EXPECT_EQ(f.Text1->text(), QStringLiteral("12456789012"));
    EXPECT_EQ(Modulo1::beepSuonati(), dopoLettere);
}

TEST_F(FinestraPartIva, InvioControllaEPoiSuona)
{
    QTest::keyClicks(f.Text1, QStringLiteral("12345670018"));
    const int prima = Modulo1::beepSuonati();
    QTest::keyClick(f.Text1, Qt::Key_Return);
    EXPECT_EQ(f.responso->text(), QStringLiteral("Errore! L'ultimo numero doveva essere: 7"));
    EXPECT_EQ(Modulo1::beepSuonati() - prima, 1);
    EXPECT_EQ(f.Text1->text(), QStringLiteral("12345670018"));

    QTest::keyClick(f.Text1, Qt::Key_Backspace);
    QTest::keyClick(f.Text1, Qt::Key_7);
    QTest::keyClick(f.Text1, Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(f.responso->text(),
              QStringLiteral("Il codice è esatto! Il codice è stato emesso dall'ufficio iva di: Torino"));
    EXPECT_EQ(Modulo1::beepSuonati() - prima, 2);
    EXPECT_TRUE(f.isVisible());
}

TEST_F(FinestraPartIva, IncollareFunzionaAncheConLettere)
{
    QApplication::clipboard()->setText(QStringLiteral("1234567001a-extra"));
    const int prima = Modulo1::beepSuonati();
    QTest::keyClick(f.Text1, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(Modulo1::beepSuonati(), prima);
    // The box keeps at most 11 characters, pasted or typed.
    EXPECT_EQ(f.Text1->text(), QStringLiteral("1234567001a"));
    QTest::mouseClick(f.Command1, Qt::LeftButton);
    EXPECT_EQ(f.responso->text(), QStringLiteral("Errore: la partita iva deve contenere solo cifre!"));
}

TEST_F(FinestraPartIva, IlResponsoPiuLungoStaTuttoNellEtichetta)
{
    f.Text1->setText(QStringLiteral("10000000991"));
    f.Command1_Click();
    ASSERT_EQ(f.responso->text(),
              QStringLiteral("Il codice è esatto! Il codice è stato emesso dall'ufficio iva di: Chiavari (Genova 2)"));
    EXPECT_LE(f.responso->heightForWidth(f.responso->width()), f.responso->height());
    EXPECT_LE(f.responso->geometry().bottom(), f.height());
}

TEST(PartIvaDalMenu, SiApreESiChiude)
{
    frmMain menu;
    menu.carica();
    menu.show();
    bool aperta = false;
    quandoModale([&](QWidget *finestra) {
        auto *f = qobject_cast<PartIva *>(finestra);
        aperta = QTest::qWaitForWindowActive(finestra) && f && f->officefinder(1) == QStringLiteral("Torino") &&
                 f->Text1->hasFocus();
        finestra->close();
    });
    menu.cmdReportistica->click();
    EXPECT_TRUE(aperta);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}
