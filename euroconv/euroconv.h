#pragma once

#include "formsportello.h"

// The window "Euroconvertitore".
class Euroconv final : public FormSportello
{
    Q_OBJECT

public:
    Euroconv();

    void Form_Activate() override;
};
