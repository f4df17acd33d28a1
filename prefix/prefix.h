#pragma once

#include "formsportello.h"

// The window "Prefissi Internazionali".
class Prefix final : public FormSportello
{
    Q_OBJECT

public:
    Prefix();

    void Form_Activate() override;
};
