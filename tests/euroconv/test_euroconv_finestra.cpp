#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QTest>

#include "euroconv.h"
#include "frmmain.h"
#include "supporto.h"

namespace {

class FinestraEuroconv : public ProvaFinestra<Euroconv>
{
protected:

    // Picks a currency as the user does, with the arrow keys from the top of the list.
    void scegli(int posizione)
    {
        f.Combo1->setFocus();
        while (f.Combo1->currentIndex() > 0)
            QTest::keyClick(f.Combo1, Qt::Key_Up);
        for (int i = f.Combo1->currentIndex(); i < posizione; ++i)
            QTest::keyClick(f.Combo1, Qt::Key_Down);
        ASSERT_EQ(f.Combo1->currentIndex(), posizione);
    }

    QStringList testi() const { return {f.Text1->text(), f.Text2->text(), f.Text3->text()}; }
};

// The user's regional settings for the length of a test.
class Impostazioni final
{
public:
    explicit Impostazioni(const QLocale &locale) { QLocale::setDefault(locale); }
    ~Impostazioni() { QLocale::setDefault(m_prima); }

private:
    QLocale m_prima;
};

} // namespace

TEST_F(FinestraEuroconv, StatoAllApertura)
{
    EXPECT_EQ(f.windowTitle(), QStringLiteral("Euroconvertitore"));
    EXPECT_EQ(f.OsenXPForm1()->Caption(), QStringLiteral("Euroconvertitore"));
    EXPECT_TRUE(f.Combo1->isEditable());
    EXPECT_EQ(f.Combo1->count(), 10);
    EXPECT_EQ(f.Combo1->itemText(0), QStringLiteral("Lira italiana"));
    EXPECT_EQ(f.Combo1->itemText(9), QStringLiteral("Marco finlandese"));
    EXPECT_EQ(f.Combo1->currentIndex(), -1);
    EXPECT_EQ(f.Combo1->currentText(), QStringLiteral("Scegliere la valuta"));
    EXPECT_EQ(testi(), (QStringList{"", "", ""}));
    EXPECT_EQ(f.Label2->text(), QStringLiteral("Euro"));
    EXPECT_EQ(f.Label3->text(), QStringLiteral("Cents"));
    EXPECT_EQ(f.Label4->text(), QString());
    EXPECT_EQ(f.cambi[0], 1936.27);
    EXPECT_TRUE(f.Text1->hasFocus());
    for (OsenXPButton *b : {f.Command1, f.Command2}) {
        EXPECT_EQ(b->text(), QString());
        EXPECT_EQ(b->Picture().size(), QSize(24, 24));
        // The picture fits inside the button's border.
        EXPECT_GE(b->height() - 6, 24);
    }
    EXPECT_EQ(f.Command1->toolTip(), QStringLiteral("Cliccare qui per convertire in Euro"));
    EXPECT_EQ(f.Command2->toolTip(), QStringLiteral("Cliccare qui per convertire nella valuta prescelta"));
}

TEST_F(FinestraEuroconv, SenzaValutaNonSuccedeNulla)
{
    f.Text1->setText(QStringLiteral("10000"));
    f.Text2->setText(QStringLiteral("5"));
    f.Text3->setText(QStringLiteral("16"));
    QTest::mouseClick(f.Command1, Qt::LeftButton);
    QTest::mouseClick(f.Command2, Qt::LeftButton);
    EXPECT_EQ(testi(), (QStringList{"10000", "5", "16"}));

    // Typing a currency's name does not choose it.
    f.Combo1->setFocus();
    QTest::keyClicks(f.Combo1->lineEdit(), QStringLiteral("Lira"));
    f.Text1->setFocus();
    EXPECT_EQ(f.Combo1->currentIndex(), -1);
    QTest::mouseClick(f.Command1, Qt::LeftButton);
    EXPECT_EQ(testi(), (QStringList{"10000", "5", "16"}));
}

TEST_F(FinestraEuroconv, DallaValutaAllEuro)
{
    const struct {
        int valuta;
        const char *importo;
        const char *euro;
        const char *centesimi;
    } casi[] = {
        {0, "10000", "5", "16"}, {0, "3862.86", "2", "0"}, {1, "100", "51", "13"},
        {0, "-1", "0", "0"},     {0, "", "0", "0"},        {8, "200482000", "1000000", "0"},
    };
    for (const auto &c : casi) {
        scegli(c.valuta);
        f.Text1->setText(QString::fromUtf8(c.importo));
        f.Text2->setText(QStringLiteral("x"));
        f.Text3->setText(QStringLiteral("y"));
        QTest::mouseClick(f.Command1, Qt::LeftButton);
        EXPECT_EQ(testi(), (QStringList{QString::fromUtf8(c.importo), QString::fromUtf8(c.euro),
                                        QString::fromUtf8(c.centesimi)}))
            << c.importo;
    }
}

TEST_F(FinestraEuroconv, DallEuroAllaValuta)
{
    const struct {
        QLocale impostazioni;
        const char *euro;
        const char *centesimi;
        const char *importo;
    } casi[] = {
        {QLocale(QLocale::Italian, QLocale::Italy), "5", "16", "9991,1532"},
        {QLocale(QLocale::Italian, QLocale::Italy), "1", "", "1936,27"},
        {QLocale(QLocale::Italian, QLocale::Italy), "0", "5", "96,8135"},
        {QLocale(QLocale::Italian, QLocale::Italy), "1000000", "0", "1936270000"},
        {QLocale(QLocale::English, QLocale::UnitedKingdom), "5", "16", "9991.1532"},
        {QLocale(QLocale::English, QLocale::UnitedKingdom), "1", "", "1936.27"},
    };
    scegli(0);
    for (const auto &c : casi) {
        Impostazioni impostazioni(c.impostazioni);
        f.Text1->setText(QStringLiteral("x"));
        f.Text2->setText(QString::fromUtf8(c.euro));
        f.Text3->setText(QString::fromUtf8(c.centesimi));
        QTest::mouseClick(f.Command2, Qt::LeftButton);
        EXPECT_EQ(testi(), (QStringList{QString::fromUtf8(c.importo), QString::fromUtf8(c.euro),
                                        QString::fromUtf8(c.centesimi)}))
            << c.importo;
    }
}

TEST_F(FinestraEuroconv, UnRisultatoScrittoConLaVirgolaSiRileggeFinoAllaVirgola)
{
    scegli(0);
    f.Text2->setText(QStringLiteral("5"));
    f.Text3->setText(QStringLiteral("16"));
    QTest::mouseClick(f.Command2, Qt::LeftButton);
    ASSERT_EQ(f.Text1->text(), QStringLiteral("9991,1532"));
    QTest::mouseClick(f.Command1, Qt::LeftButton);
    // 9991 lire: 5.15992... euro.
    EXPECT_EQ(f.Text2->text(), QStringLiteral("5"));
    EXPECT_EQ(f.Text3->text(), QStringLiteral("16"));
}

TEST_F(FinestraEuroconv, NumeriOltreIlCampoLascianoIRiquadriComeSono)
{
    const QString avviso = QStringLiteral("Importo troppo grande: conversione non eseguita.");
    scegli(1);
    f.Text1->setText(QStringLiteral("1E400"));
    f.Text2->setText(QStringLiteral("7"));
    f.Text3->setText(QStringLiteral("8"));
    QTest::mouseClick(f.Command1, Qt::LeftButton);
    EXPECT_EQ(testi(), (QStringList{"1E400", "7", "8"}));
    EXPECT_EQ(f.Label4->text(), avviso);

    // A product beyond the range: 1E308 euro in marks.
    f.Text2->setText(QStringLiteral("1E308"));
    QTest::mouseClick(f.Command2, Qt::LeftButton);
    EXPECT_EQ(testi(), (QStringList{"1E400", "1E308", "8"}));
    EXPECT_EQ(f.Label4->text(), avviso);

    // The next conversion that works clears the notice.
    f.Text1->setText(QStringLiteral("100"));
    QTest::mouseClick(f.Command1, Qt::LeftButton);
    EXPECT_EQ(testi(), (QStringList{"100", "51", "13"}));
    EXPECT_EQ(f.Label4->text(), QString());
}

TEST(EuroconvDalMenu, SiApreESiChiude)
{
    frmMain menu;
    menu.carica();
    menu.show();
    bool aperta = false;
    quandoModale([&](QWidget *finestra) {
        auto *f = qobject_cast<Euroconv *>(finestra);
        aperta = f && f->Combo1->count() == 10 && f->Combo1->currentIndex() == -1;
        finestra->close();
    });
    menu.cmdAssegniEmessi->click();
    EXPECT_TRUE(aperta);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}
