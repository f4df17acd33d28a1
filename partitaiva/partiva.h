#pragma once

#include "formsportello.h"

// The window "Controllo Partita Iva".
class PartIva final : public FormSportello
{
    Q_OBJECT

public:
    PartIva();

    void Form_Activate() override;
};
