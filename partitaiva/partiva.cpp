#include "partiva.h"

#include "modulo1.h"

// The result line is three lines high, and the window taller by as much, so that the longest outcome
// (the success sentence with the office's name) wraps and stays readable.
PartIva::PartIva()
    : FormSportello(QStringLiteral("Controllo Partita Iva"), 3600, 2490)
{
    Label2 = crea<OsenXPLabel>("Label2", 240, 600, 900, 285);
    Label2->setCaption(QStringLiteral("Partita Iva:"));

    Text1 = crea<OsenXPTextBox>("Text1", 1080, 600, 2175, 285);
    Text1->setMaxLength(11);
    Text1->setToolTip(QStringLiteral("Digitare qui la partita iva da controllare"));
    Text1->setKeyPress([this](int &KeyAscii) { Text1_KeyPress(KeyAscii); });
    Label2->setBuddy(Text1);

    Command1 = crea<OsenXPButton>("Command1", 1320, 1080, 855, 375);
    Command1->setText(QStringLiteral("Controlla"));
    Command1->setToolTip(QStringLiteral("Cliccare qui per avviare il controllo"));
    connect(Command1, &QPushButton::clicked, this, &PartIva::Command1_Click);

    responso = crea<OsenXPLabel>("responso", 240, 1560, 3240, 705);
    responso->setCampo(QStringLiteral("Esito"));

    ordineTab({Text1, responso, Label2, Command1, OsenXPForm1()});
}

void PartIva::Form_Load()
{
    PartitaIva::riempiUffici(uffici);
}

void PartIva::Form_Activate()
{
    Modulo1::ApplicaStile(this);
}

void PartIva::Command1_Click()
{
    responso->setCaption(PartitaIva::verifica(Text1->text(), uffici));
}

void PartIva::Text1_KeyPress(int &KeyAscii)
{
    if (KeyAscii == 13)
        Command1_Click();
    if (!PartitaIva::tastoAmmesso(KeyAscii)) {
        Modulo1::Beep();
        KeyAscii = 0;
    }
}

QString PartIva::officefinder(qint16 posizione) const
{
    return PartitaIva::officefinder(uffici, posizione);
}
