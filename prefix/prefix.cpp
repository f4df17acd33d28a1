#include "prefix.h"

#include <QLineEdit>

#include "modulo1.h"
#include "prefissi.h"

namespace {
const QString kInizio = QStringLiteral("Il prefisso da comporre per chiamare dall'Italia è:");
}

// The result line is two lines high, and the window taller by one line, since the sentence with the
// prefix does not fit in one line of the window's width.
Prefix::Prefix()
    : FormSportello(QStringLiteral("Prefissi Internazionali"), 4200, 1770)
{
    OsenXPLabel1 = crea<OsenXPLabel>("OsenXPLabel1", 120, 600, 615, 255);
    OsenXPLabel1->setCaption(QStringLiteral("Paese:"));

    Combo1 = crea<QComboBox>("Combo1", 840, 600, 3255, 315);
    Combo1->setEditable(true);
    // Typed text neither joins the list nor picks an entry by completion: only picking from the list counts.
    Combo1->setInsertPolicy(QComboBox::NoInsert);
    Combo1->setCompleter(nullptr);
    Combo1->setToolTip(QStringLiteral("Scegliere il paese di cui cercare il prefisso"));
    Combo1->setAccessibleName(QStringLiteral("Paese"));
    // The text field inside the box is what a screen reader reaches while the user types: named alike.
    Combo1->lineEdit()->setAccessibleName(Combo1->accessibleName());
    // The entries are name and prefix in fixed columns, which line up only in a fixed-pitch face.
    QFont fisso(QStringLiteral("DejaVu Sans Mono"));
    fisso.setStyleHint(QFont::TypeWriter);
    fisso.setPointSizeF(8);
    Combo1->setFont(fisso);
    // activated comes from the user only (mouse, arrow keys, wheel), never from filling the list.
    connect(Combo1, &QComboBox::activated, this, &Prefix::Combo1_Click);
    connect(Combo1, &QComboBox::editTextChanged, this, &Prefix::Combo1_Change);

    Label1 = crea<OsenXPLabel>("Label1", 120, 1080, 3510, 510);
    Label1->setCaption(kInizio);
    OsenXPLabel1->setBuddy(Combo1);

    ordineTab({Combo1, Label1, OsenXPForm1(), OsenXPLabel1});
}

void Prefix::Form_Load()
{
    Combo1->clear();
    Combo1->addItems(Prefissi::voci());
    Combo1->setCurrentIndex(-1);
    Combo1->setEditText(QStringLiteral("Scegliere il paese"));
}

void Prefix::Form_Activate()
{
    Modulo1::ApplicaStile(this);
}

void Prefix::Combo1_Click()
{
    const int posizione = Combo1->currentIndex();
    if (posizione < 0)
        return;
    Label1->setCaption(Prefissi::frase(Prefissi::prefisso(Combo1->itemText(posizione))));
}

// The prefix shown is always that of the entry the box shows: typing an entry's text in full shows its
// prefix, any other text the starting sentence.
void Prefix::Combo1_Change()
{
    const int posizione = Modulo1::voceMostrata(Combo1);
    Label1->setCaption(posizione < 0 ? kInizio : Prefissi::frase(Prefissi::prefisso(Combo1->itemText(posizione))));
}
