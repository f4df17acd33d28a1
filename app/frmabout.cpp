#include "frmabout.h"

#include "informazioni.h"
#include "modulo1.h"
#include "versione.h"

frmAbout::frmAbout()
    : FormSportello(QStringLiteral("Informazioni su Sportello"), 6420, 3330)
{
    OsenXPPicture1 = crea<OsenXPPicture>("OsenXPPicture1", 240, 720, 495, 495);
    OsenXPPicture1->setPicture(QPixmap(QStringLiteral(":/app/images/about.png")));
    OsenXPPicture1->setAccessibleName(QStringLiteral("Logo di Sportello"));

    lblTitle = crea<OsenXPLabel>("lblTitle", 960, 600, 6495, 375);
    lblTitle->setCaption(QStringLiteral("Sportello"));
    lblTitle->setFont(Aspetto::msSansSerif(9.75, true));

    OsenXPLabel3 = crea<OsenXPLabel>("OsenXPLabel3", 960, 960, 3375, 375);
    OsenXPLabel3->setCaption(QStringLiteral("Versione ") + QString::fromLatin1(Versione::kVersione));
    OsenXPLabel3->setFont(Aspetto::msSansSerif(9.75, true));

    OsenXPLabel4 = crea<OsenXPLabel>("OsenXPLabel4", 960, 1440, 5175, 255);
    OsenXPLabel4->setCaption(QString::fromUtf8(Informazioni::kCredito));
    OsenXPLabel4->setWordWrap(false);

    OsenXPLabel5 = crea<OsenXPLabel>("OsenXPLabel5", 960, 1680, 5175, 255);
    OsenXPLabel5->setCaption(QString::fromUtf8(Informazioni::kEmail));
    OsenXPLabel5->setWordWrap(false);

    OsenXPLabel1 = crea<OsenXPLabel>("OsenXPLabel1", 360, 2040, 1695, 255);
    OsenXPLabel1->setCaption(QStringLiteral("Sito web:"));

    txtWebPage = crea<OsenXPTextBox>("txtWebPage", 360, 2280, 4335, 375);
    txtWebPage->setText(QString::fromUtf8(Informazioni::kSitoWeb));
    txtWebPage->setReadOnly(true);
    txtWebPage->setFont(Aspetto::tahoma(8.25));
    OsenXPLabel1->setBuddy(txtWebPage);

    cmdGoToWebPage = crea<OsenXPButton>("cmdGoToWebPage", 4920, 2280, 1215, 375);
    cmdGoToWebPage->setText(QStringLiteral("&Vai al sito web"));
    connect(cmdGoToWebPage, &QPushButton::clicked, this, &frmAbout::cmdGoToWebPage_Click);

    cmdOk = crea<OsenXPButton>("cmdOk", 2760, 2760, 1095, 375);
    cmdOk->setText(QStringLiteral("&Ok"));
    connect(cmdOk, &QPushButton::clicked, this, &frmAbout::cmdOk_Click);

    ordineTab({OsenXPForm1(), lblTitle, OsenXPPicture1, OsenXPLabel3, OsenXPLabel4, OsenXPLabel5, OsenXPLabel1,
               txtWebPage, cmdGoToWebPage, cmdOk});
}

void frmAbout::Form_Load()
{
    Modulo1::CentraForm(this);
    Modulo1::ApplicaStile(this);
}

void frmAbout::cmdGoToWebPage_Click()
{
    Modulo1::ApriPaginaWeb(txtWebPage->text(), this);
}

void frmAbout::cmdOk_Click()
{
    Unload();
}
