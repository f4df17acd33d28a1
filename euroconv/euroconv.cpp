#include "euroconv.h"

#include <QLineEdit>

#include "modulo1.h"
#include "numeri.h"

namespace {
const QString kAvviso = QStringLiteral("Importo troppo grande: conversione non eseguita.");
const QString kNessunaValuta = QStringLiteral("Scegliere una valuta dell'elenco: conversione non eseguita.");
} // namespace

// The window is taller than the stored layout by one line, for Label4 under the boxes; the arrow buttons
// are as high as their 24 x 24 pictures need.
Euroconv::Euroconv()
    : FormSportello(QStringLiteral("Euroconvertitore"), 6405, 1740)
{
    Combo1 = crea<QComboBox>("Combo1", 120, 600, 1935, 315);
    Combo1->setEditable(true);
    // Typed text never becomes a list entry, nor picks one by completion: the currency is chosen from the list.
    Combo1->setInsertPolicy(QComboBox::NoInsert);
    Combo1->setCompleter(nullptr);
    Combo1->setToolTip(QStringLiteral("Scegliere la valuta"));
    Combo1->setAccessibleName(QStringLiteral("Valuta"));
    // The text field inside the box is what a screen reader reaches while the user types: named alike.
    Combo1->lineEdit()->setAccessibleName(Combo1->accessibleName());

    Text1 = crea<OsenXPTextBox>("Text1", 120, 960, 1935, 315);
    Text1->setToolTip(QStringLiteral("Inserire qui il valore in Lire da convertire in Euro"));
    Text1->setAccessibleName(QStringLiteral("Importo nella valuta"));

    Command1 = crea<OsenXPButton>("Command1", 2160, 900, 615, 450);
    Command1->setPicture(QPixmap(QStringLiteral(":/euroconv/images/freccia_destra.png")));
    Command1->setToolTip(QStringLiteral("Cliccare qui per convertire in Euro"));
    Command1->setAccessibleName(QStringLiteral("Converti in euro"));
    connect(Command1, &QPushButton::clicked, this, &Euroconv::Command1_Click);

    Command2 = crea<OsenXPButton>("Command2", 2880, 900, 615, 450);
    Command2->setPicture(QPixmap(QStringLiteral(":/euroconv/images/freccia_sinistra.png")));
    Command2->setToolTip(QStringLiteral("Cliccare qui per convertire nella valuta prescelta"));
    Command2->setAccessibleName(QStringLiteral("Converti dall'euro"));
    connect(Command2, &QPushButton::clicked, this, &Euroconv::Command2_Click);

    Label2 = crea<OsenXPLabel>("Label2", 3600, 720, 465, 285);
    Label2->setCaption(QStringLiteral("Euro"));

    Text2 = crea<OsenXPTextBox>("Text2", 3600, 960, 2055, 315);
    Text2->setToolTip(
        QStringLiteral("Inserire qui la parte intera della cifra in Euro da convertire verso la valuta prescelta"));

    Label3 = crea<OsenXPLabel>("Label3", 5760, 720, 540, 285);
    Label3->setCaption(QStringLiteral("Cents"));

    Text3 = crea<OsenXPTextBox>("Text3", 5760, 960, 495, 315);
    Text3->setToolTip(
        QStringLiteral("Inserire qui i centesimi della cifra in Euro da convertire verso la valuta prescelta"));

    Label2->setBuddy(Text2);
    Label3->setBuddy(Text3);

    Label4 = crea<OsenXPLabel>("Label4", 120, 1410, 6135, 255);
    QPalette rosso = Label4->palette();
    rosso.setColor(QPalette::WindowText, QColor(192, 0, 0));
    Label4->setPalette(rosso);
    Label4->setCampo(QStringLiteral("Avviso"));

    ordineTab({Text1, Text2, Text3, Label2, Label3, Command1, Command2, Combo1, OsenXPForm1(), Label4});
    // The first in the tab order has the focus when the window opens.
    Text1->setFocus();
}

void Euroconv::Form_Load()
{
    Combo1->clear();
    Combo1->addItems(Valute::nomi());
    Combo1->setCurrentIndex(-1);
    Combo1->setEditText(QStringLiteral("Scegliere la valuta"));
    Valute::riempiCambi(cambi);
}

void Euroconv::Form_Activate()
{
    Modulo1::ApplicaStile(this);
}

void Euroconv::Command1_Click()
{
    // The currency that the box shows, picked or typed in full.
    const int posizione = Modulo1::voceMostrata(Combo1);
    if (posizione < 0 || posizione >= static_cast<int>(cambi.size())) {
        Label4->setCaption(kNessunaValuta);
        return;
    }
    const std::optional<double> importo = Numeri::leggi(Text1->text());
    const std::optional<Valute::Euro> euro = importo ? Valute::inEuro(*importo, cambi[posizione]) : std::nullopt;
    if (!euro) {
        rifiuta();
        return;
    }
    Text2->setText(Numeri::scrivi(euro->interi));
    Text3->setText(Numeri::scrivi(euro->centesimi));
    Label4->setCaption(QString());
}

void Euroconv::Command2_Click()
{
    // The currency that the box shows, picked or typed in full.
    const int posizione = Modulo1::voceMostrata(Combo1);
    if (posizione < 0 || posizione >= static_cast<int>(cambi.size())) {
        Label4->setCaption(kNessunaValuta);
        return;
    }
    const std::optional<double> euro = Numeri::leggi(Text2->text());
    const std::optional<double> centesimi = Numeri::leggi(Text3->text());
    const std::optional<double> importo =
        euro && centesimi ? Valute::inValuta(*euro, *centesimi, cambi[posizione]) : std::nullopt;
    if (!importo) {
        rifiuta();
        return;
    }
    Text1->setText(Numeri::scrivi(*importo));
    Label4->setCaption(QString());
}

// A number beyond the double range leaves the boxes as they are; the window shows no message box.
void Euroconv::rifiuta()
{
    Label4->setCaption(kAvviso);
}
