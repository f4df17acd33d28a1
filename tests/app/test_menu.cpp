#include <gtest/gtest.h>

#include <QApplication>
#include <QDirIterator>
#include <QFile>
#include <QImage>
#include <QRegularExpression>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include "frmabout.h"
#include "frmmain.h"
#include "immaginidecodificate.h"
#include "informazioni.h"
#include "supporto.h"

namespace {

bool centrata(const QWidget &w)
{
    const QRect schermo = w.screen()->geometry();
    return std::abs(w.frameGeometry().center().x() - schermo.center().x()) <= 1 &&
           std::abs(w.frameGeometry().center().y() - schermo.center().y()) <= 1;
}

} // namespace

TEST(frmMain, StatoAllAvvio)
{
    frmMain menu;
    ASSERT_TRUE(menu.carica());
    EXPECT_EQ(menu.windowTitle(), QStringLiteral("Quietanza 3.0"));
    EXPECT_EQ(menu.OsenXPForm1()->Caption(), QStringLiteral("Sportello"));
    EXPECT_EQ(menu.OsenXPLabel1->text(), QStringLiteral("Sportello"));
    EXPECT_EQ(menu.size(), QSize(455, 357));
    EXPECT_TRUE(centrata(menu));

    const QStringList attese{"&Comuni Italiani",
                             "Calcolo del Codice &Fiscale",
                             "Controllo &Partita IVA",
                             "&Euro Convertitore",
                             "P&refissi Internazionali",
                             "&Informazioni",
                             "&Verifica Codice Fiscale",
                             "Elabora &tabella",
                             "E&sci"};
    const QList<OsenXPButton *> pulsanti{menu.cmdAssegniRicevuti, menu.cmdAnagrafica,    menu.cmdReportistica,
                                         menu.cmdAssegniEmessi,   menu.cmdContiCorrenti, menu.cmdInfo,
                                         menu.cmdVerifica,        menu.cmdTabella,       menu.cmdEsci};
    for (int i = 0; i < pulsanti.size(); ++i)
        EXPECT_EQ(pulsanti[i]->text(), attese[i]);

    // Tab order: left column, right column, then Verifica, Tabella and Esci; the title label is no tab stop.
    QWidget *w = menu.cmdAssegniRicevuti;
    for (int i = 1; i < pulsanti.size(); ++i) {
        w = w->nextInFocusChain();
        while (w->focusPolicy() == Qt::NoFocus)
            w = w->nextInFocusChain();
        EXPECT_EQ(w, pulsanti[i]);
    }
    EXPECT_FALSE(menu.OsenXPLabel1->TabStop());
    EXPECT_FALSE(menu.OsenXPForm1()->ShowMinimize());
}

TEST(frmMain, OgniPulsanteApreLaSuaFinestraModale)
{
    // The directory of municipalities needs its data file to open.
    CartellaProgrammaFinta programma;
    programma.scrivi(QStringLiteral("codes.dat"), "ROMA (RM)\r\n\r\n");
    programma.scrivi(QStringLiteral("codes.cf"), "ROMA                RMH501    \r\n");
    frmMain menu;
    menu.carica();
    menu.show();
    const struct {
        OsenXPButton *pulsante;
        const char *titolo;
    } casi[] = {
        {menu.cmdAssegniRicevuti, "Comuni"},         {menu.cmdReportistica, "Controllo Partita Iva"},
        {menu.cmdAssegniEmessi, "Euroconvertitore"}, {menu.cmdContiCorrenti, "Prefissi Internazionali"},
        {menu.cmdInfo, "Informazioni su Sportello"}, {menu.cmdVerifica, "Verifica Codice Fiscale"},
        {menu.cmdTabella, "Elabora Tabella"},
    };
    for (const auto &c : casi) {
        QString titolo;
        bool bloccato = false;
        quandoModale([&](QWidget *finestra) {
            titolo = finestra->windowTitle();
            // The main window takes no input while the tool is open.
            bloccato = QApplication::activeModalWidget() == finestra;
            // A real click, through the window system, is blocked by the modal window.
            QTest::mouseClick(menu.windowHandle(), Qt::LeftButton, {},
                              menu.cmdInfo->mapTo(&menu, menu.cmdInfo->rect().center()));
            QTest::qWait(50);
            bloccato = bloccato && QApplication::activeModalWidget() == finestra;
            finestra->close();
        });
        c.pulsante->click();
        EXPECT_EQ(titolo, QString::fromUtf8(c.titolo));
        EXPECT_TRUE(bloccato) << c.titolo;
        EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    }
    EXPECT_EQ(menu.windowTitle(), QStringLiteral("Quietanza 3.0"));
}

TEST(frmMain, TastiDiAccesso)
{
    frmMain menu;
    menu.carica();
    menu.show();
    menu.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&menu));
    QString titolo;
    quandoModale([&](QWidget *finestra) {
        titolo = finestra->windowTitle();
        finestra->close();
    });
    QTest::keyClick(&menu, Qt::Key_P, Qt::AltModifier);
    QTRY_COMPARE(titolo, QStringLiteral("Controllo Partita Iva"));
}

TEST(frmMain, EsciTerminaIlProgramma)
{
    frmMain menu;
    menu.carica();
    menu.show();
    QTimer::singleShot(0, &menu, [&]() { menu.cmdEsci->click(); });
    QTimer guardia;
    bool scaduto = false;
    QObject::connect(&guardia, &QTimer::timeout, [&]() {
        scaduto = true;
        QCoreApplication::quit();
    });
    guardia.start(10000);
    QCoreApplication::exec();
    EXPECT_FALSE(scaduto);
    EXPECT_FALSE(menu.isVisible());
}

TEST(frmAbout, ContenutoEIndirizzoNonModificabile)
{
    frmAbout info;
    ASSERT_TRUE(info.carica());
    EXPECT_EQ(info.windowTitle(), QStringLiteral("Informazioni su Sportello"));
    EXPECT_EQ(info.OsenXPForm1()->Caption(), QStringLiteral("Informazioni su Sportello"));
    EXPECT_EQ(info.OsenXPLabel3->text(), QStringLiteral("Versione " SPORTELLO_VERSIONE_PROGETTO));
    EXPECT_EQ(info.cmdGoToWebPage->text(), QStringLiteral("&Vai al sito web"));
    EXPECT_EQ(info.cmdOk->text(), QStringLiteral("&Ok"));
    EXPECT_TRUE(info.txtWebPage->isReadOnly());
    EXPECT_EQ(info.txtWebPage->text(), QString::fromUtf8(Informazioni::kSitoWeb));
    EXPECT_TRUE(centrata(info));

    QTest::keyClicks(info.txtWebPage, QStringLiteral("xyz"));
    EXPECT_EQ(info.txtWebPage->text(), QString::fromUtf8(Informazioni::kSitoWeb));
}

// The address and the e-mail of the window are those that the package and the AppStream data give: one
// place (debian/control) holds them for all.
TEST(frmAbout, IndirizzoEContattoComeNelPacchettoENeiDatiAppStream)
{
    frmAbout info;
    ASSERT_TRUE(info.carica());
    const QString sito = QStringLiteral("https://") + info.txtWebPage->text();
    const QString email = info.OsenXPLabel5->text();

    QFile control(QStringLiteral(SPORTELLO_DEBIAN_CONTROL));
    ASSERT_TRUE(control.open(QIODevice::ReadOnly));
    const QString campi = QString::fromUtf8(control.readAll());
    EXPECT_TRUE(campi.contains(QStringLiteral("\nHomepage: ") + sito + QLatin1Char('\n'))) << sito.toStdString();
    const QRegularExpression manutentore(QStringLiteral("\nMaintainer: [^\n<]+ <") + QRegularExpression::escape(email) +
                                         QStringLiteral(">\n"));
    EXPECT_TRUE(campi.contains(manutentore)) << email.toStdString();
    // Whatever the package's address, the window shows it whole.
    for (const OsenXPLabel *riga : {info.OsenXPLabel4, info.OsenXPLabel5})
        EXPECT_LE(riga->fontMetrics().horizontalAdvance(riga->text()), riga->contentsRect().width())
            << riga->text().toStdString();

    QFile metainfo(QStringLiteral(SPORTELLO_METAINFO));
    ASSERT_TRUE(metainfo.open(QIODevice::ReadOnly));
    const QString appstream = QString::fromUtf8(metainfo.readAll());
    EXPECT_TRUE(appstream.contains(QStringLiteral("<url type=\"homepage\">") + sito + QStringLiteral("</url>")));
    EXPECT_TRUE(appstream.contains(QStringLiteral("<release version=\"" SPORTELLO_VERSIONE_PROGETTO "\"")));
}

TEST(frmAbout, SenzaBrowserIlMessaggioELaFinestraRestaAperta)
{
    const QByteArray salvata = qgetenv("XDG_DATA_DIRS");
    const QByteArray salvataConfig = qgetenv("XDG_CONFIG_HOME");
    const QByteArray salvataDati = qgetenv("XDG_DATA_HOME");
    QTemporaryDir vuota;
    qputenv("XDG_DATA_DIRS", vuota.path().toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", vuota.path().toLocal8Bit());
    qputenv("XDG_DATA_HOME", vuota.path().toLocal8Bit());
    CartellaProgrammaFinta programma;
    RegistroMessaggi registro;

    frmAbout info;
    info.carica();
    info.show();
    info.cmdGoToWebPage_Click();
    ASSERT_EQ(registro.conta(), 1);
    EXPECT_EQ(registro.messaggi()[0].testo, QStringLiteral("Could not find associated Browser"));
    EXPECT_TRUE(info.isVisible());
    info.cmdOk_Click();
    EXPECT_FALSE(info.isVisible());

    qputenv("XDG_DATA_DIRS", salvata);
    qputenv("XDG_CONFIG_HOME", salvataConfig);
    qputenv("XDG_DATA_HOME", salvataDati);
}

// Every picture loads; a copy decoded at build time gives exactly the pixels of its PNG.
TEST(Risorse, OgniImmagineSiCarica)
{
    int immagini = 0;
    int decodificate = 0;
    QDirIterator it(QStringLiteral(":/"), {QStringLiteral("*.png")}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString percorso = it.next();
        if (percorso.startsWith(QLatin1String(":/qt-project.org")))
            continue;
        if (percorso.startsWith(QLatin1String(":/decodificate/"))) {
            const QString png = QStringLiteral(":/") + percorso.mid(QStringLiteral(":/decodificate/").size());
            const QImage copia = ImmaginiDecodificate::pixmap(png).toImage();
            EXPECT_FALSE(copia.isNull()) << percorso.toStdString();
            EXPECT_EQ(copia, QPixmap(png).toImage()) << percorso.toStdString();
            ++decodificate;
            continue;
        }
        EXPECT_FALSE(QImage(percorso).isNull()) << percorso.toStdString();
        ++immagini;
    }
    EXPECT_GE(immagini, 10);
    EXPECT_GE(decodificate, 10);
    // What is not such a copy is refused, and the PNG itself is read instead.
    const QByteArray corta = ImmaginiDecodificate::codifica(QImage(2, 2, QImage::Format_RGB32)).left(20);
    EXPECT_TRUE(
        ImmaginiDecodificate::decodifica(reinterpret_cast<const uchar *>(corta.constData()), corta.size()).isNull());
    EXPECT_EQ(ImmaginiDecodificate::pixmap(QStringLiteral(":/app/images/about.png")).size(), QSize(33, 33));
}
