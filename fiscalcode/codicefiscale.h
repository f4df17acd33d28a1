#pragma once

#include "formsportello.h"

// The window "Codice Fiscale".
class CodiceFiscale final : public FormSportello
{
    Q_OBJECT

public:
    CodiceFiscale();

    void Form_Activate() override;
};
