#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QFontInfo>
#include <QLineEdit>
#include <QTest>

#include "frmmain.h"
#include "prefissi.h"
#include "prefix.h"
#include "supporto.h"

namespace {

const QString kInizio = QStringLiteral("Il prefisso da comporre per chiamare dall'Italia è:");

QString conPrefisso(const char *prefisso)
{
    return kInizio + QLatin1Char(' ') + QLatin1String(prefisso);
}

class FinestraPrefix : public ProvaFinestra<Prefix>
{
protected:
    void SetUp() override
    {
        ProvaFinestra::SetUp();
        f.Combo1->setFocus();
    }

    // Picks an entry in the open list with the mouse.
    void clicNellElenco(int posizione)
    {
        f.Combo1->showPopup();
        QAbstractItemView *elenco = f.Combo1->view();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(elenco->window()));
        const QModelIndex indice = elenco->model()->index(posizione, 0);
        elenco->scrollTo(indice);
        const QPoint punto = elenco->visualRect(indice).center();
        QTest::mouseClick(elenco->viewport(), Qt::LeftButton, {}, punto);
        QTRY_VERIFY(!elenco->window()->isVisible());
    }
};

} // namespace

TEST_F(FinestraPrefix, StatoAllApertura)
{
    EXPECT_EQ(f.windowTitle(), QStringLiteral("Prefissi Internazionali"));
    EXPECT_EQ(f.OsenXPForm1()->Caption(), QStringLiteral("Prefissi Internazionali"));
    EXPECT_EQ(f.OsenXPLabel1->text(), QStringLiteral("Paese:"));
    EXPECT_TRUE(f.Combo1->isEditable());
    EXPECT_EQ(f.Combo1->count(), Prefissi::voci().size());
    EXPECT_EQ(f.Combo1->currentIndex(), -1);
    EXPECT_EQ(f.Combo1->currentText(), QStringLiteral("Scegliere il paese"));
    EXPECT_EQ(f.Combo1->toolTip(), QStringLiteral("Scegliere il paese di cui cercare il prefisso"));
    // The starting text ends with the colon, without a space.
    EXPECT_EQ(f.Label1->text(), kInizio);
    // Name and prefix stand in columns, which line up only in a fixed-pitch face.
    EXPECT_TRUE(QFontInfo(f.Combo1->font()).fixedPitch());
}

TEST_F(FinestraPrefix, LeFrecceScelgonoEMostranoIlPrefisso)
{
    QTest::keyClick(f.Combo1, Qt::Key_Down);
    EXPECT_EQ(f.Combo1->currentIndex(), 0);
    EXPECT_EQ(f.Label1->text(), conPrefisso("0093"));
    QTest::keyClick(f.Combo1, Qt::Key_Down);
    EXPECT_EQ(f.Label1->text(), conPrefisso("00355"));
    QTest::keyClick(f.Combo1, Qt::Key_Up);
    EXPECT_EQ(f.Label1->text(), conPrefisso("0093"));
}

TEST_F(FinestraPrefix, IlMouseSceglieNellElenco)
{
    const struct {
        int posizione;
        const char *prefisso;
    } casi[] = {
        {36, "001"}, {188, "001"}, {168, "007"}, {159, "0051"}, {51, "00225"}, {77, "001876"}, {221, "00263"},
    };
    for (const auto &c : casi) {
        clicNellElenco(c.posizione);
        EXPECT_EQ(f.Combo1->currentIndex(), c.posizione);
        EXPECT_EQ(f.Label1->text(), conPrefisso(c.prefisso)) << c.posizione;
    }
}

TEST_F(FinestraPrefix, ScrivereNelRiquadroNonCambiaNulla)
{
    QTest::keyClicks(f.Combo1->lineEdit(), QStringLiteral("Canada"));
    QTest::keyClick(f.Combo1->lineEdit(), Qt::Key_Return);
    EXPECT_EQ(f.Combo1->currentIndex(), -1);
    EXPECT_EQ(f.Combo1->count(), Prefissi::voci().size());
    EXPECT_EQ(f.Label1->text(), kInizio);

    // After a pick, typing over the entry leaves no prefix shown that the box does not show.
    clicNellElenco(159);
    f.Combo1->lineEdit()->selectAll();
    QTest::keyClicks(f.Combo1->lineEdit(), QStringLiteral("Russia"));
    QTest::keyClick(f.Combo1->lineEdit(), Qt::Key_Return);
    f.setFocus();
    EXPECT_EQ(f.Combo1->currentText(), QStringLiteral("Russia"));
    EXPECT_EQ(f.Combo1->count(), Prefissi::voci().size());
    EXPECT_EQ(f.Label1->text(), kInizio);
}

TEST(PrefixDalMenu, SiApreESiChiude)
{
    frmMain menu;
    menu.carica();
    menu.show();
    bool aperta = false;
    quandoModale([&](QWidget *finestra) {
        auto *f = qobject_cast<Prefix *>(finestra);
        aperta = f && f->Combo1->count() == Prefissi::voci().size() && f->Combo1->currentIndex() == -1;
        finestra->close();
    });
    menu.cmdContiCorrenti->click();
    EXPECT_TRUE(aperta);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}
