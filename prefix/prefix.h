#pragma once

#include <QComboBox>

#include "formsportello.h"

// The window "Prefissi Internazionali": shows the prefix to dial from Italy for the country picked.
class Prefix final : public FormSportello
{
    Q_OBJECT

public:
    Prefix();

    void Form_Load() override;
    void Form_Activate() override;
    void Combo1_Click();
    void Combo1_Change();

    OsenXPLabel *OsenXPLabel1;
    QComboBox *Combo1;
    OsenXPLabel *Label1;
};
