#pragma once

#include <QVector>

#include "elencocomuni.h"
#include "formsportello.h"

class QListWidget;

// The municipality directory window: the list read from codes.dat, the search by name, the details of the
// municipality found and the map with its region marked.
class Comuni final : public FormSportello
{
    Q_OBJECT

public:
    Comuni();

    void Form_Load() override;
    void Form_Activate() override;
    void caricacomuni();
    void Command1_Click();
    void Command2_Click();
    void Localita_KeyPress(int &KeyAscii);
    void List1_Click();
    void List1_DblClick();

    OsenXPLabel *Label1;
    OsenXPTextBox *Localita;
    QListWidget *List1;
    OsenXPButton *Command1;
    OsenXPButton *Command2;
    OsenXPLabel *Label2;
    OsenXPTextBox *Codice;
    OsenXPLabel *Label7;
    OsenXPTextBox *Text1;
    OsenXPLabel *Label3;
    OsenXPTextBox *Text4;
    OsenXPLabel *M;
    OsenXPTextBox *Text2;
    OsenXPLabel *Label4;
    OsenXPTextBox *Text3;
    // The map pictures, indexes 1 to 21 as the control array (element 0 is unused); objects named
    // "Italia1" to "Italia21", each with the property "Index".
    QVector<OsenXPPicture *> Italia;

private:
    void mostraSoloFigura(int figura);

    ElencoComuni::Elenco m_elenco;
};
