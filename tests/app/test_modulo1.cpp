#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>

#include "formsportello.h"
#include "modulo1.h"
#include "supporto.h"

namespace {

class FinestraProva final : public FormSportello
{
public:
    explicit FinestraProva(bool barra = true)
        : FormSportello(QStringLiteral("Prova"), 6000, 4000, barra)
    {
        etichetta = crea<OsenXPLabel>("Label1", 100, 500, 1000, 285);
        attiva = crea<OsenXPTextBox>("Text1", 100, 900, 1000, 285);
        spenta = crea<OsenXPTextBox>("Text2", 100, 1300, 1000, 285);
        spenta->setEnabled(false);
        const char *testi[] = {"Reset", "Esci", "Annulla", "reset", "Ok ", "&Ok", "Ok", "Calcola"};
        int alto = 500;
        for (const char *d : testi) {
            auto *b = crea<OsenXPButton>(d, 3000, alto, 1000, 300);
            b->setText(QString::fromLatin1(d));
            pulsanti << b;
            alto += 350;
        }
    }
    OsenXPLabel *etichetta;
    OsenXPTextBox *attiva;
    OsenXPTextBox *spenta;
    QList<OsenXPButton *> pulsanti;
};

QStringList didascalie(const FinestraProva &f)
{
    QStringList elenco;
    for (auto *b : f.pulsanti)
        elenco << b->text();
    return elenco;
}

} // namespace

TEST(ApplicaStile, TemaEDidascalieConLeTastiDiAccesso)
{
    FinestraProva f;
    Modulo1::ApplicaStile(&f);

    EXPECT_EQ(didascalie(f), (QStringList{"&Reset", "Es&ci", "A&nnulla", "reset", "Ok ", "&Ok", "&Ok", "Calcola"}));
    EXPECT_EQ(f.etichetta->BackStyle(), 0);
    EXPECT_FALSE(f.etichetta->TabStop());
    EXPECT_TRUE(f.attiva->TabStop());
    EXPECT_FALSE(f.spenta->TabStop());

    OsenXPForm *barra = f.OsenXPForm1();
    ASSERT_NE(barra, nullptr);
    EXPECT_TRUE(barra->DrawGradientForm());
    EXPECT_FALSE(barra->MinButton());
    EXPECT_FALSE(barra->MaxButton());
    EXPECT_FALSE(barra->ShowMaximize());
    EXPECT_FALSE(barra->ShowMinimize());
    EXPECT_FALSE(barra->Icon().isNull());
}

TEST(ApplicaStile, UnaSecondaVoltaNonCambiaNulla)
{
    FinestraProva f;
    Modulo1::ApplicaStile(&f);
    const QStringList dopoUna = didascalie(f);
    Modulo1::ApplicaStile(&f);
    EXPECT_EQ(didascalie(f), dopoUna);
    EXPECT_EQ(f.etichetta->BackStyle(), 0);
}

TEST(ApplicaStile, CasellaAbilitataDopoNonDiventaTabStopFinoAlProssimoStile)
{
    FinestraProva f;
    Modulo1::ApplicaStile(&f);
    f.spenta->setEnabled(true);
    EXPECT_FALSE(f.spenta->TabStop());
    Modulo1::ApplicaStile(&f);
    EXPECT_TRUE(f.spenta->TabStop());
}

TEST(ApplicaStile, FinestraSenzaBarraDelTitolo)
{
    FinestraProva f(false);
    EXPECT_EQ(f.findChild<QWidget *>(QStringLiteral("OsenXPForm1")), nullptr);
    Modulo1::ApplicaStile(&f);
    EXPECT_EQ(f.pulsanti[0]->text(), QStringLiteral("&Reset"));
    EXPECT_EQ(f.etichetta->BackStyle(), 0);
}

TEST(ApplicaStile, ProprietaMancanteIgnorata)
{
    OsenXPLabel etichetta;
    EXPECT_FALSE(Modulo1::impostaProprieta(&etichetta, "DrawGradientForm", true));
    EXPECT_TRUE(etichetta.dynamicPropertyNames().isEmpty());
    EXPECT_FALSE(Modulo1::impostaProprieta(nullptr, "Caption", QString()));
}

TEST(CentraForm, PosizioniInTwips)
{
    const struct {
        double larghezza, altezza;
        int sinistra, alto;
    } casi[] = {
        {7000, 4600, 4180, 3460}, {7000, 4615, 4180, 3452},
        {7000, 11535, 4180, -7},  {15361, 11521, 0, 0}, // -0.5 rounds to 0 (even)
        {15357, 11517, 1, 1},                           // 3 / 2 cut toward zero
        {15360.5, 11518.5, 0, 1},                       // -0.5 to 0, 1.5 to 2
    };
    for (const auto &c : casi) {
        const QPoint p = Modulo1::posizioneCentrata(15360, 11520, c.larghezza, c.altezza);
        EXPECT_EQ(p.x(), c.sinistra) << c.larghezza;
        EXPECT_EQ(p.y(), c.alto) << c.altezza;
    }
    EXPECT_EQ(Modulo1::arrotondaPari(2.5), 2);
    EXPECT_EQ(Modulo1::arrotondaPari(3.5), 4);
    EXPECT_EQ(Modulo1::arrotondaPari(-2.5), -2);
    EXPECT_EQ(Modulo1::arrotondaPari(-7.5), -8);
}

TEST(CentraForm, FinestraAlCentroDelloSchermo)
{
    FinestraProva f;
    Modulo1::CentraForm(&f);
    const QRect schermo = f.screen()->geometry();
    EXPECT_LE(std::abs(f.frameGeometry().center().x() - schermo.center().x()), 1);
    EXPECT_LE(std::abs(f.frameGeometry().center().y() - schermo.center().y()), 1);
}

TEST(MostraMessaggio, IlRegistroRiceveIMessaggiERisponde)
{
    RegistroMessaggi registro;
    registro.accoda(7);
    EXPECT_EQ(Modulo1::MostraMessaggio(QStringLiteral("Domanda"), 36, QStringLiteral("Titolo")), 7);
    EXPECT_EQ(Modulo1::MostraMessaggio(QStringLiteral("Nota"), 48, QStringLiteral("Errore")), 1);
    ASSERT_EQ(registro.conta(), 2);
    EXPECT_EQ(registro.messaggi()[1].testo, QStringLiteral("Nota"));
    EXPECT_EQ(registro.messaggi()[1].stile, 48);
    EXPECT_EQ(registro.messaggi()[1].titolo, QStringLiteral("Errore"));
}

// Through the real modal box: the buttons the style selects, in Italian, and the answer codes.
TEST(MostraMessaggio, BoxVeroConPulsantiERisposte)
{
    const struct {
        int stile;
        QMessageBox::StandardButton premi;
        int risposta;
        QStringList testi;
    } casi[] = {
        {0, QMessageBox::Ok, 1, {"OK"}},
        {48, QMessageBox::Ok, 1, {"OK"}},
        {1, QMessageBox::Cancel, 2, {"OK", "Annulla"}},
        {2, QMessageBox::Abort, 3, {}},
        {2, QMessageBox::Retry, 4, {}},
        {2, QMessageBox::Ignore, 5, {}},
        {3 + 32, QMessageBox::Yes, 6, {}},
        {4, QMessageBox::No, 7, {"Sì", "No"}},
        {5 + 16, QMessageBox::Retry, 4, {}},
    };
    for (const auto &c : casi) {
        QStringList visti;
        QMessageBox::Icon icona = QMessageBox::NoIcon;
        quandoModale([&](QWidget *w) {
            auto *box = qobject_cast<QMessageBox *>(w);
            ASSERT_NE(box, nullptr);
            icona = box->icon();
            for (QAbstractButton *b : box->buttons())
                visti << b->text().remove(QLatin1Char('&'));
            box->button(c.premi)->click();
        });
        EXPECT_EQ(Modulo1::MostraMessaggio(QStringLiteral("Testo"), c.stile, QStringLiteral("Titolo")), c.risposta)
            << c.stile;
        for (const QString &t : c.testi)
            EXPECT_TRUE(visti.contains(t)) << t.toStdString() << " in " << visti.join(',').toStdString();
        if ((c.stile & 0x70) == 48) {
            EXPECT_EQ(icona, QMessageBox::Warning);
        }
        if ((c.stile & 0x70) == 0) {
            EXPECT_EQ(icona, QMessageBox::NoIcon);
        }
    }
}

TEST(TextBox, IlGestoreDeiTastiPuoScartareOCambiareIlTasto)
{
    OsenXPTextBox casella;
    QList<int> ricevuti;
    casella.setKeyPress([&](int &k) {
        ricevuti << k;
        if (k == 'x')
            k = 0;
        else if (k == 'a')
            k = 'A';
    });
    QTest::keyClicks(&casella, QStringLiteral("bxa"));
    EXPECT_EQ(casella.text(), QStringLiteral("bA"));
    QTest::keyClick(&casella, Qt::Key_Backspace);
    QTest::keyClick(&casella, Qt::Key_Return);
    EXPECT_EQ(ricevuti, (QList<int>{'b', 'x', 'a', 8, 13}));
    EXPECT_EQ(casella.text(), QStringLiteral("b"));
}

TEST(FormSportello, UnaFinestraCheSiScaricaNelCaricamentoNonSiMostra)
{
    class Scarica final : public FormSportello
    {
    public:
        Scarica()
            : FormSportello(QStringLiteral("X"), 3000, 2000)
        {}
        void Form_Load() override { Unload(); }
    } f;
    EXPECT_FALSE(f.apriModale());
    EXPECT_FALSE(f.isVisible());
}
