#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFileInfo>
#include <QPrinter>
#include <QPrinterInfo>
#include <QTest>
#include <QTimer>

#include "codicefiscale.h"
#include "codici.h"
#include "form2.h"
#include "frmmain.h"
#include "supporto.h"

namespace {

const QByteArray kCodici = recordCodici("ROMA", "RM", "H501") + recordCodici("PROVA", "PR", "A000") +
                           recordCodici("CORTO", "CO", "A00") + recordCodici("BELLAGIO", "CO", "A744", "2014") +
                           recordCodici("BELLAGIO", "CO", "M335") + fineCodici();

// What a result card showed, each time one was shown; the card is closed right after.
struct Vista {
    QString titolo, cf, tag, cognome, nome, dataN, sex, luogo, provinc;
};

class OsservaCarte final
{
public:
    explicit OsservaCarte(std::function<void(Form2 *)> azione = {})
        : m_azione(std::move(azione))
    {
        QObject::connect(&m_timer, &QTimer::timeout, [this]() {
            auto *carta = qobject_cast<Form2 *>(QApplication::activeModalWidget());
            if (!carta || !carta->isVisible())
                return;
            viste.push_back({carta->windowTitle(), carta->cf->text(), carta->CopiaBut->Tag(), carta->Cognome->text(),
                             carta->Nome->text(), carta->DataN->text(), carta->Sex->text(), carta->Luogo->text(),
                             carta->Provinc->text()});
            if (m_azione)
                m_azione(carta);
            carta->close();
        });
        m_timer.start(5);
    }

    std::vector<Vista> viste;

private:
    std::function<void(Form2 *)> m_azione;
    QTimer m_timer;
};

void compila(CodiceFiscale &f, const char *cognome, const char *nome, const char *citta, const char *prov,
             const char *data)
{
    f.Cognome->setText(QString::fromUtf8(cognome));
    f.Nome->setText(QString::fromUtf8(nome));
    f.Citta->setText(QString::fromUtf8(citta));
    f.Prov->setText(QString::fromUtf8(prov));
    f.Datanasc->setText(QString::fromUtf8(data));
}

} // namespace

TEST(FinestraCodiceFiscale, AspettoAllaCarica)
{
    CartellaProgrammaFinta programma;
    programma.scrivi(QStringLiteral("codes.cf"), kCodici);
    CodiceFiscale f;
    ASSERT_TRUE(f.carica());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(f.windowTitle(), QStringLiteral("Codice Fiscale"));
    EXPECT_EQ(f.OsenXPForm1()->Caption(), QStringLiteral("Codice Fiscale"));
    EXPECT_EQ(f.size(), QSize(Twips::inPixel(3960), Twips::inPixel(3690)));
    EXPECT_EQ(f.tabella().conteggio(), 5);

    const struct {
        OsenXPLabel *etichetta;
        const char *testo;
    } etichette[] = {{f.Label1, "Cognome:"},          {f.Label2, "Nome:"},
                     {f.Label3, "Luogo di nascita:"}, {f.Label4, "Provincia:"},
                     {f.Label5, "Data di nascita:"},  {f.Label6, "Sesso:"}};
    for (const auto &e : etichette) {
        EXPECT_EQ(e.etichetta->text(), QString::fromUtf8(e.testo));
        // Each caption fits its label on one line.
        EXPECT_LE(e.etichetta->fontMetrics().horizontalAdvance(e.etichetta->text()), e.etichetta->width()) << e.testo;
    }
    const struct {
        OsenXPTextBox *casella;
        const char *chi;
    } caselle[] = {{f.Cognome, "il cognome"},
                   {f.Nome, "il nome"},
                   {f.Citta, "il luogo di nascita"},
                   {f.Prov, "la provincia di nascita"},
                   {f.Datanasc, "la data di nascita"}};
    for (const auto &c : caselle) {
        EXPECT_TRUE(c.casella->text().isEmpty());
        EXPECT_EQ(c.casella->maxLength(), 32767); // no limit of our own
        EXPECT_EQ(c.casella->toolTip(),
                  QStringLiteral("Digitare qui %1 della persona di cui si vuole calcolare il codice fiscale")
                      .arg(QString::fromUtf8(c.chi)));
    }
    EXPECT_EQ(f.Command1->text(), QStringLiteral("Calcola"));
    EXPECT_EQ(f.Command1->toolTip(), QStringLiteral("Cliccare qui per avviare il calcolo del codice fiscale"));

    // Maschio at load; the two options are one group.
    EXPECT_TRUE(f.Maschio->isChecked());
    EXPECT_FALSE(f.Femmina->isChecked());
    f.Femmina->click();
    EXPECT_FALSE(f.Maschio->isChecked());
    f.Maschio->click();
    EXPECT_FALSE(f.Femmina->isChecked());

    const QList<QWidget *> ordine{f.Cognome, f.Nome, f.Citta, f.Prov, f.Datanasc, f.Maschio, f.Femmina, f.Command1};
    QWidget *w = ordine.first();
    for (int i = 1; i < ordine.size(); ++i) {
        w = w->nextInFocusChain();
        while (w->focusPolicy() == Qt::NoFocus)
            w = w->nextInFocusChain();
        EXPECT_EQ(w, ordine[i]) << i;
    }
    f.Form_Activate();
    EXPECT_FALSE(f.Label1->TabStop());
    EXPECT_EQ(f.Label1->BackStyle(), 0);
    EXPECT_FALSE(f.OsenXPForm1()->ShowMinimize());
}

TEST(FinestraCodiceFiscale, ErroriDiCaricamento)
{
    const struct {
        const char *caso;
        std::optional<QByteArray> contenuto; // none: no file
        bool cartella;
        QString messaggio;
    } casi[] = {
        {"mancante", std::nullopt, false,
         QStringLiteral("File dei codici CODES.CF non trovato, impossibile continuare")},
        {"tronco", kCodici.left(40), false,
         QString::fromUtf8("Si è verificato un errore - code: 62 - Impossibile continuare")},
        {"cartella", std::nullopt, true,
         QString::fromUtf8("Si è verificato un errore - code: 75 - Impossibile continuare")},
    };
    for (const auto &c : casi) {
        SCOPED_TRACE(c.caso);
        CartellaProgrammaFinta programma;
        if (c.contenuto)
            programma.scrivi(QStringLiteral("codes.cf"), *c.contenuto);
        if (c.cartella)
            QDir(programma.percorso()).mkdir(QStringLiteral("codes.cf"));
        RegistroMessaggi registro;
        CodiceFiscale f;
        EXPECT_FALSE(f.carica());
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
        ASSERT_EQ(registro.conta(), 1);
        EXPECT_EQ(registro.messaggi()[0].testo, c.messaggio);
        EXPECT_EQ(registro.messaggi()[0].stile, 48);
        EXPECT_EQ(registro.messaggi()[0].titolo, QStringLiteral("Errore"));
        EXPECT_FALSE(f.Maschio->isChecked());
        EXPECT_FALSE(f.tabella().conteggio().has_value());
    }

    // 20001 entries and then the end record: a record would need slot 20001.
    QByteArray piena;
    for (int i = 0; i < Fiscale::kSlot; ++i)
        piena += recordCodici("C" + QByteArray::number(i));
    CartellaProgrammaFinta programma;
    programma.scrivi(QStringLiteral("codes.cf"), piena + fineCodici());
    RegistroMessaggi registro;
    CodiceFiscale f;
    EXPECT_FALSE(f.carica());
    ASSERT_EQ(registro.conta(), 1);
    EXPECT_EQ(registro.messaggi()[0].testo,
              QString::fromUtf8("Si è verificato un errore - code: 9 - Impossibile continuare"));
}

TEST(FinestraCodiceFiscale, DataEControlliPrimaDellaCarta)
{
    CartellaProgrammaFinta programma;
    programma.scrivi(QStringLiteral("codes.cf"), kCodici);
    CodiceFiscale f;
    ASSERT_TRUE(f.carica());
    RegistroMessaggi registro;
    OsservaCarte carte;

    // Empty date: only the date is reported, the other (empty) fields are not tested.
    f.Command1_Click();
    ASSERT_EQ(registro.conta(), 1);
    EXPECT_EQ(registro.messaggi()[0].testo, QStringLiteral("Data non valida"));
    EXPECT_EQ(registro.messaggi()[0].stile, 0);
    EXPECT_EQ(registro.messaggi()[0].titolo, QStringLiteral("Errore!"));
    EXPECT_TRUE(f.erroreData());
    EXPECT_EQ(f.codiceErrore(), 0);

    // A date after today is named as such.
    const QString nonValida = QStringLiteral("Data non valida"), futura = QStringLiteral("Data di nascita nel futuro");
    const struct {
        QString data, messaggio;
    } date[] = {{QStringLiteral("31/04/1990"), nonValida},
                {QStringLiteral("29/02/1981"), nonValida},
                {QStringLiteral("1/2/1980x"), nonValida},
                {QDate::currentDate().addDays(1).toString(QStringLiteral("dd/MM/yyyy")), futura},
                {QStringLiteral("31/12/9999"), futura}};
    for (const auto &c : date) {
        registro.svuota();
        f.Datanasc->setText(c.data);
        f.Command1_Click();
        ASSERT_EQ(registro.conta(), 1) << c.data.toStdString();
        EXPECT_EQ(registro.messaggi()[0].testo, c.messaggio) << c.data.toStdString();
        EXPECT_EQ(f.Datanasc->text(), c.data); // the text stays as typed
    }

    const struct {
        const char *cognome, *nome, *citta, *prov;
        const char *messaggio;
        int codice;
    } casi[] = {
        {"", "", "", "", "Cognome non specificato", 1},
        {"Rossi", "", "", "", "Nome non specificato", 2},
        {"Rossi", "Mario", "", "", "Luogo di nascita non specificato", 3},
        {"Rossi", "Mario", "Roma", "Lombardia", "Provincia non riconosciuta: «Lombardia»", 5},
        {"Rossi", "Mario", "Atlantide", "RM", "Comune non trovato", 5},
        {"Rossi", "Mario", "Atlantide", "", "Comune non trovato", 5},
        {"Rossi", "Mario", "Corto", "CO",
         "Il controllo del codice fiscale dà responso negativo. Provare a installare nuovamente l'applicazione. Se "
         "l'errore persiste, contattare l'autore",
         5},
    };
    for (const auto &c : casi) {
        registro.svuota();
        compila(f, c.cognome, c.nome, c.citta, c.prov, "25/12/1970");
        f.Command1_Click();
        EXPECT_FALSE(f.erroreData());
        ASSERT_EQ(registro.conta(), 1) << c.messaggio;
        EXPECT_EQ(registro.messaggi()[0].testo, QString::fromUtf8(c.messaggio));
        EXPECT_EQ(registro.messaggi()[0].stile, 0);
        EXPECT_EQ(registro.messaggi()[0].titolo, QStringLiteral("Errore"));
        // The failure code stays as the last failure left it.
        EXPECT_EQ(f.codiceErrore(), c.codice);
    }
    QTest::qWait(20);
    EXPECT_TRUE(carte.viste.empty());
}

// A place that the exact lookup does not find, as people write it: the card shows the official name; of
// several, the one chosen with the keyboard; Esc computes nothing.
TEST(FinestraCodiceFiscale, LuogoComeLoScriveLaGente)
{
    CartellaProgrammaFinta programma;
    programma.scrivi(QStringLiteral("codes.cf"), recordCodici("ROMA", "RM", "H501") +
                                                     recordCodici("FORL\xCC", "FC", "D704") +
                                                     recordCodici("SAN MARCO", "XX", "A001") +
                                                     recordCodici("SANMARCO", "XX", "A002") +
                                                     recordCodici("CASTRO", "BG", "C337") +
                                                     recordCodici("CASTRO", "LE", "M261") + fineCodici());
    programma.scrivi(QStringLiteral("luoghi.dat"), "A;Rom;ROMA;RM\nC;00184;ROMA;RM\n");
    CodiceFiscale f;
    ASSERT_TRUE(f.carica());
    RegistroMessaggi registro;
    OsservaCarte carte;
    const struct {
        const char *citta, *prov;
        int riga;            // the row picked in the choice offered, -1 none offered, -2 Esc
        const char *offerti; // the rows offered, joined by "|"
        const char *cf, *luogo, *provinc;
    } casi[] = {
        {"Forli'", "fc", -1, "", "RSSMRA80A01D704D", "FORLÌ", "FC"},
        {"rom", "RM ", -1, "", "RSSMRA80A01H501U", "ROMA", "RM"},
        {"00184", "RM", -1, "", "RSSMRA80A01H501U", "ROMA", "RM"},
        {"S. Marco", "XX", 1, "SAN MARCO (XX)|SANMARCO (XX)", "RSSMRA80A01A002G", "SANMARCO", "XX"},
        {"San-Marco", "XX", -2, "SAN MARCO (XX)|SANMARCO (XX)", nullptr, nullptr, nullptr},
        {"Fotlì", "FC", 0, "FORLÌ (FC)", "RSSMRA80A01D704D", "FORLÌ", "FC"}, // one letter off: offered alone
        // No province: the one place of that name, or the namesakes to choose from; a wrong province, the
        // places of that name.
        {"Roma", "", -1, "", "RSSMRA80A01H501U", "ROMA", "RM"},
        {"Castro", "", 1, "CASTRO (BG)|CASTRO (LE)", "RSSMRA80A01M261X", "CASTRO", "LE"},
        {"Roma", "MI", 0, "ROMA (RM)", "RSSMRA80A01H501U", "ROMA", "RM"},
    };
    for (const auto &c : casi) {
        carte.viste.clear();
        QStringList voci;
        if (c.riga != -1) {
            quandoModale([&](QWidget *scelta) { voci = scegliLuogo(scelta, c.riga); });
        }
        compila(f, "Rossi", "Mario", c.citta, c.prov, "1/1/1980");
        f.Command1_Click();
        EXPECT_EQ(voci.join(u'|'), QString::fromUtf8(c.offerti)) << c.citta;
        if (!c.cf) {
            QTest::qWait(20);
            EXPECT_TRUE(carte.viste.empty());
            continue;
        }
        ASSERT_EQ(carte.viste.size(), 1u) << c.citta;
        EXPECT_EQ(carte.viste[0].cf, QString::fromLatin1(c.cf));
        EXPECT_EQ(carte.viste[0].luogo, QString::fromUtf8(c.luogo));
        EXPECT_EQ(carte.viste[0].provinc, QString::fromLatin1(c.provinc));
    }
    EXPECT_EQ(registro.conta(), 0);
}

TEST(FinestraCodiceFiscale, LaCartaMostraIDatiComeDigitati)
{
    CartellaProgrammaFinta programma;
    programma.scrivi(QStringLiteral("codes.cf"), kCodici);
    CodiceFiscale f;
    ASSERT_TRUE(f.carica());
    RegistroMessaggi registro;
    OsservaCarte carte;

    compila(f, "Rossi", "Mario", "Roma", "rm", "1/2/1980");
    f.Command1_Click();
    compila(f, "de luca", "anna maria", "prova", "Pr", "1 febbraio 1980");
    f.Femmina->click();
    f.Command1_Click();

    EXPECT_EQ(registro.conta(), 0);
    ASSERT_EQ(carte.viste.size(), 2u);
    const Vista &a = carte.viste[0];
    EXPECT_EQ(a.titolo, QStringLiteral("Codice Fiscale di MARIO ROSSI"));
    EXPECT_EQ(a.cf, QStringLiteral("RSSMRA80B01H501T"));
    EXPECT_EQ(a.tag, a.cf);
    EXPECT_EQ(a.cognome, QStringLiteral("ROSSI"));
    EXPECT_EQ(a.nome, QStringLiteral("MARIO"));
    EXPECT_EQ(a.dataN, QStringLiteral("1/2/1980"));
    EXPECT_EQ(a.sex, QStringLiteral("M"));
    EXPECT_EQ(a.luogo, QStringLiteral("ROMA"));
    EXPECT_EQ(a.provinc, QStringLiteral("RM"));

    const Vista &b = carte.viste[1];
    EXPECT_EQ(b.titolo, QStringLiteral("Codice Fiscale di ANNA MARIA DE LUCA"));
    EXPECT_EQ(b.cf.left(15), QStringLiteral("DLCNMR80B41A000"));
    EXPECT_EQ(b.cognome, QStringLiteral("DE LUCA"));
    EXPECT_EQ(b.nome, QStringLiteral("ANNA MARIA"));
    EXPECT_EQ(b.dataN, QStringLiteral("1 FEBBRAIO 1980"));
    EXPECT_EQ(b.sex, QStringLiteral("F"));
    EXPECT_EQ(b.luogo, QStringLiteral("PROVA"));
    EXPECT_EQ(b.provinc, QStringLiteral("PR"));

    // The window keeps what the user typed.
    EXPECT_EQ(f.Cognome->text(), QStringLiteral("de luca"));
    EXPECT_EQ(f.Prov->text(), QStringLiteral("Pr"));

    // The municipality's code of the year of birth.
    compila(f, "Rossi", "Mario", "Bellagio", "CO", "1/2/1950");
    f.Command1_Click();
    compila(f, "Rossi", "Mario", "Bellagio", "CO", "1/2/2020");
    f.Command1_Click();
    ASSERT_EQ(carte.viste.size(), 4u);
    EXPECT_EQ(carte.viste[2].cf.mid(11, 4), QStringLiteral("A744"));
    EXPECT_EQ(carte.viste[3].cf.mid(11, 4), QStringLiteral("M335"));
}

TEST(Form2, AttivazioneAlzaEAllargaLeEtichette)
{
    Form2 carta;
    EXPECT_EQ(carta.windowTitle(), QStringLiteral("Codice Fiscale"));
    EXPECT_EQ(carta.OsenXPForm1(), nullptr);
    EXPECT_EQ(carta.size(), QSize(Twips::inPixel(6210), Twips::inPixel(4800)));

    const QList<OsenXPLabel *> etichette{carta.cf,      carta.Cognome, carta.Nome, carta.Luogo,
                                         carta.Provinc, carta.Sex,     carta.DataN};
    std::vector<int> alti;
    for (OsenXPLabel *e : etichette) {
        EXPECT_EQ(e->text(), QStringLiteral("Label1"));
        EXPECT_EQ(carta.widthTwips(e), 750);
        alti.push_back(carta.topTwips(e));
    }
    carta.Form_Activate();
    carta.Form_Activate();
    for (int i = 0; i < etichette.size(); ++i) {
        EXPECT_EQ(carta.topTwips(etichette[i]), alti[i] - 4);
        EXPECT_EQ(carta.widthTwips(etichette[i]), 50000);
        EXPECT_EQ(etichette[i]->width(), Twips::inPixel(50000));
        EXPECT_EQ(etichette[i]->BackStyle(), 0);
    }
    // A real activation moves them again.
    carta.Luogo->setCaption(QStringLiteral("SAN GIOVANNI IN PERSICETO E CASTEL D'ARGILE"));
    carta.show();
    carta.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&carta));
    EXPECT_LE(carta.topTwips(carta.cf), alti[0] - 6);
    EXPECT_LE(carta.Luogo->sizeHint().width(), carta.width() - carta.Luogo->x());
}

TEST(Form2, CopiaMetteSoloIlCodice)
{
    Form2 carta;
    carta.cf->setCaption(QStringLiteral("ETICHETTA"));
    carta.CopiaBut->setTag(QStringLiteral("RSSMRA80A01H501U"));
    QGuiApplication::clipboard()->setText(QStringLiteral("prima"));
    carta.CopiaBut->click();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("RSSMRA80A01H501U"));
}

TEST(Form2, StampaSenzaStampante)
{
    if (!QPrinterInfo::defaultPrinter().isNull())
        GTEST_SKIP() << "a printer is installed; the test would print a page";
    Form2 carta;
    carta.show();
    const QSize prima = carta.size();
    RegistroMessaggi registro;
    carta.Command1->click();
    ASSERT_EQ(registro.conta(), 1);
    EXPECT_EQ(registro.messaggi()[0].testo, QStringLiteral("Impossibile stampare il tesserino"));
    EXPECT_EQ(registro.messaggi()[0].stile, 48);
    EXPECT_EQ(registro.messaggi()[0].titolo, QStringLiteral("Quietanza"));
    EXPECT_EQ(carta.size(), prima);
    EXPECT_TRUE(carta.isVisible());
}

TEST(Form2, StampaLaCartaSenzaIPulsanti)
{
    Form2 carta;
    carta.show();
    const QSize prima = carta.size();
    const QPixmap immagine = carta.immagineStampa();
    EXPECT_EQ(carta.size(), prima);
    EXPECT_EQ(immagine.width(), carta.width());
    EXPECT_GE(immagine.height(), carta.Image1->geometry().bottom() - 1);
    EXPECT_LE(immagine.height(), carta.Command1->y());

    QTemporaryDir cartella;
    QPrinter pdf(QPrinter::HighResolution);
    pdf.setOutputFormat(QPrinter::PdfFormat);
    pdf.setOutputFileName(cartella.filePath(QStringLiteral("carta.pdf")));
    EXPECT_TRUE(carta.stampaSu(pdf));
    EXPECT_GT(QFileInfo(pdf.outputFileName()).size(), 1000);
    EXPECT_EQ(carta.size(), prima);
}

TEST(MenuCodiceFiscale, SenzaCodesCfIlMessaggioEIlMenuResta)
{
    CartellaProgrammaFinta programma;
    RegistroMessaggi registro;
    frmMain menu;
    menu.carica();
    menu.show();
    bool finestraVista = false;
    QTimer osserva;
    QObject::connect(&osserva, &QTimer::timeout,
                     [&]() { finestraVista |= QApplication::activeModalWidget() != nullptr; });
    osserva.start(1);
    menu.cmdAnagrafica->click();
    QTest::qWait(20);
    osserva.stop();
    EXPECT_FALSE(finestraVista);
    ASSERT_EQ(registro.conta(), 1);
    EXPECT_EQ(registro.messaggi()[0].testo,
              QStringLiteral("File dei codici CODES.CF non trovato, impossibile continuare"));
    EXPECT_EQ(registro.messaggi()[0].stile, 48);
    EXPECT_EQ(registro.messaggi()[0].titolo, QStringLiteral("Errore"));
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    // The main window goes on working.
    QString titolo;
    quandoModale([&](QWidget *finestra) {
        titolo = finestra->windowTitle();
        finestra->close();
    });
    menu.cmdInfo->click();
    EXPECT_EQ(titolo, QStringLiteral("Informazioni su Sportello"));
}

TEST(MenuCodiceFiscale, DalMenuAllaCartaEAgliAppunti)
{
    CartellaProgrammaFinta programma;
    programma.scrivi(QStringLiteral("codes.cf"), kCodici);
    RegistroMessaggi registro;
    frmMain menu;
    menu.carica();
    menu.show();
    QGuiApplication::clipboard()->clear();

    QString titolo;
    std::vector<Vista> viste;
    quandoModale([&](QWidget *finestra) {
        auto *f = qobject_cast<CodiceFiscale *>(finestra);
        ASSERT_NE(f, nullptr);
        titolo = f->windowTitle();
        QTest::keyClicks(f->Cognome, QStringLiteral("Rossi"));
        QTest::keyClicks(f->Nome, QStringLiteral("Mario"));
        QTest::keyClicks(f->Citta, QStringLiteral("roma"));
        QTest::keyClicks(f->Prov, QStringLiteral("rm"));
        QTest::keyClicks(f->Datanasc, QStringLiteral("01/01/1980"));
        {
            OsservaCarte carte([](Form2 *carta) { carta->CopiaBut->click(); });
            QTest::mouseClick(f->Command1, Qt::LeftButton);
            viste = carte.viste;
        }
        f->close();
    });
    menu.cmdAnagrafica->click();

    EXPECT_EQ(titolo, QStringLiteral("Codice Fiscale"));
    EXPECT_EQ(registro.conta(), 0);
    ASSERT_EQ(viste.size(), 1u);
    EXPECT_EQ(viste[0].cf, QStringLiteral("RSSMRA80A01H501U"));
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("RSSMRA80A01H501U"));
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}
