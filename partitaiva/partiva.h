#pragma once

#include "formsportello.h"
#include "partitaiva.h"

// The window "Controllo Partita Iva": checks a VAT number typed by the user and names the office that
// issued it.
class PartIva final : public FormSportello
{
    Q_OBJECT

public:
    PartIva();

    void Form_Load() override;
    void Form_Activate() override;
    void Command1_Click();
    void Text1_KeyPress(int &KeyAscii);
    QString officefinder(qint16 posizione) const;

    OsenXPLabel *Label2;
    OsenXPTextBox *Text1;
    OsenXPButton *Command1;
    OsenXPLabel *responso;

    PartitaIva::Uffici uffici;
};
