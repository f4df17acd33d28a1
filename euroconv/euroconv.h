#pragma once

#include <QComboBox>

#include "formsportello.h"
#include "valute.h"

// The window "Euroconvertitore": converts an amount between the euro and one of the ten currencies that
// it replaced.
class Euroconv final : public FormSportello
{
    Q_OBJECT

public:
    Euroconv();

    void Form_Load() override;
    void Form_Activate() override;
    void Command1_Click();
    void Command2_Click();

    QComboBox *Combo1;
    OsenXPTextBox *Text1;
    OsenXPButton *Command1;
    OsenXPButton *Command2;
    OsenXPLabel *Label2;
    OsenXPTextBox *Text2;
    OsenXPLabel *Label3;
    OsenXPTextBox *Text3;
    // Says why a conversion was refused; empty otherwise.
    OsenXPLabel *Label4;

    Valute::Cambi cambi{};

private:
    void rifiuta();
};
