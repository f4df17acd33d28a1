#include "frmmain.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>

#include "codicefiscale.h"
#include "comuni.h"
#include "euroconv.h"
#include "frmabout.h"
#include "frmtabella.h"
#include "modulo1.h"
#include "partiva.h"
#include "prefix.h"
#include "verificacfform.h"

namespace {
// Each window opens modally and is loaded afresh at every opening; the handler waits until it closes.
template <class Finestra>
void apri()
{
    Finestra finestra;
    finestra.apriModale();
}
} // namespace

frmMain::frmMain()
    : FormSportello(QStringLiteral("Sportello"), 6825, 5355)
{
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint);

    OsenXPLabel1 = crea<OsenXPLabel>("OsenXPLabel1", 0, 480, 6855, 495);
    OsenXPLabel1->setCaption(QStringLiteral("Sportello"));
    OsenXPLabel1->setFont(Aspetto::testoFisso(Aspetto::msSansSerif(12, true)));
    OsenXPLabel1->setAlignmentCode(1);
    QPalette blu = OsenXPLabel1->palette();
    blu.setColor(QPalette::WindowText, QColor(0, 0, 255));
    OsenXPLabel1->setPalette(blu);

    OsenXPPicture1 = crea<OsenXPPicture>("OsenXPPicture1", 1800, 960, 3120, 2085);
    OsenXPPicture1->setPictureRisorsa(QStringLiteral(":/app/images/centro.png"));
    OsenXPPicture1->setAccessibleName(QStringLiteral("Sportello: gli strumenti del programma"));

    cmdAssegniRicevuti = pulsante("cmdAssegniRicevuti", "&Comuni Italiani", "comuni", 240, 600);
    cmdAnagrafica = pulsante("cmdAnagrafica", "Calcolo del Codice &Fiscale", "codicefiscale", 240, 1680);
    cmdReportistica = pulsante("cmdReportistica", "Controllo &Partita IVA", "partitaiva", 240, 2760);
    cmdAssegniEmessi = pulsante("cmdAssegniEmessi", "&Euro Convertitore", "euro", 5040, 600);
    cmdContiCorrenti = pulsante("cmdContiCorrenti", "P&refissi Internazionali", "prefissi", 5040, 1680);
    cmdInfo = pulsante("cmdInfo", "&Informazioni", "info", 5040, 2760);
    // Under the centre picture, the two buttons mirror each other about the picture's middle; cmdEsci,
    // a row lower, sits on that middle.
    cmdVerifica = pulsante("cmdVerifica", "&Verifica Codice Fiscale", "verifica", 1785, 3120);
    cmdVerifica->setToolTip(QStringLiteral("Verifica un codice fiscale e ne legge sesso, data e luogo di nascita"));
    cmdTabella = pulsante("cmdTabella", "Elabora &tabella", "tabella", 3480, 3120);
    cmdTabella->setToolTip(QStringLiteral("Elabora tutte le righe di un file CSV, xlsx o ods"));
    cmdEsci = pulsante("cmdEsci", "E&sci", "esci", 2633, 4200);
    setAcceptDrops(true);

    connect(cmdAssegniRicevuti, &QPushButton::clicked, this, &frmMain::cmdAssegniRicevuti_Click);
    connect(cmdAnagrafica, &QPushButton::clicked, this, &frmMain::cmdAnagrafica_Click);
    connect(cmdReportistica, &QPushButton::clicked, this, &frmMain::cmdReportistica_Click);
    connect(cmdAssegniEmessi, &QPushButton::clicked, this, &frmMain::cmdAssegniEmessi_Click);
    connect(cmdContiCorrenti, &QPushButton::clicked, this, &frmMain::cmdContiCorrenti_Click);
    connect(cmdInfo, &QPushButton::clicked, this, &frmMain::cmdInfo_Click);
    connect(cmdVerifica, &QPushButton::clicked, this, &frmMain::cmdVerifica_Click);
    connect(cmdTabella, &QPushButton::clicked, this, &frmMain::cmdTabella_Click);
    connect(cmdEsci, &QPushButton::clicked, this, &frmMain::cmdEsci_Click);

    ordineTab({OsenXPForm1(), cmdAssegniRicevuti, cmdAnagrafica, cmdReportistica, cmdAssegniEmessi, cmdContiCorrenti,
               cmdInfo, cmdVerifica, cmdTabella, cmdEsci, OsenXPLabel1});
}

OsenXPButton *frmMain::pulsante(const char *nome, const char *caption, const char *immagine, int sinistra, int alto)
{
    auto *b = crea<OsenXPButton>(nome, sinistra, alto, 1455, 975);
    b->setText(QString::fromUtf8(caption));
    if (immagine)
        b->setPictureRisorsa(QStringLiteral(":/app/images/%1.png").arg(QLatin1String(immagine)));
    b->setPicturePosition(2);
    return b;
}

void frmMain::Form_Load()
{
    Modulo1::ApplicaStile(this);
    Modulo1::CentraForm(this);
    setWindowTitle(QStringLiteral("Quietanza 3.0"));
}

void frmMain::cmdAssegniRicevuti_Click()
{
    apri<Comuni>();
}

void frmMain::cmdAnagrafica_Click()
{
    apri<CodiceFiscale>();
}

void frmMain::cmdReportistica_Click()
{
    apri<PartIva>();
}

void frmMain::cmdAssegniEmessi_Click()
{
    apri<Euroconv>();
}

void frmMain::cmdContiCorrenti_Click()
{
    apri<Prefix>();
}

void frmMain::cmdInfo_Click()
{
    apri<frmAbout>();
}

void frmMain::cmdVerifica_Click()
{
    apri<VerificaCF>();
}

void frmMain::cmdTabella_Click()
{
    apriTabella(QString());
}

void frmMain::apriTabella(const QString &file)
{
    frmTabella finestra;
    finestra.impostaFile(file);
    finestra.apriModale();
}

void frmMain::cmdEsci_Click()
{
    close();
}

void frmMain::closeEvent(QCloseEvent *event)
{
    // Every other window is modal, so none is open now: unloading the main window ends the program.
    QDialog::closeEvent(event);
    if (event->isAccepted())
        QCoreApplication::quit();
}

namespace {
QString fileTrascinato(const QMimeData *dati)
{
    if (!dati || !dati->hasUrls() || dati->urls().isEmpty() || !dati->urls().constFirst().isLocalFile())
        return {};
    return dati->urls().constFirst().toLocalFile();
}
} // namespace

void frmMain::dragEnterEvent(QDragEnterEvent *event)
{
    if (!fileTrascinato(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void frmMain::dropEvent(QDropEvent *event)
{
    const QString file = fileTrascinato(event->mimeData());
    if (file.isEmpty())
        return;
    event->acceptProposedAction();
    // The drop ends before the window opens: a modal loop inside the drop would hold the drag.
    QMetaObject::invokeMethod(
        this, [this, file]() { apriTabella(file); }, Qt::QueuedConnection);
}
