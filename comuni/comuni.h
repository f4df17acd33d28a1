#pragma once

#include "formsportello.h"

// The window "Comuni".
class Comuni final : public FormSportello
{
    Q_OBJECT

public:
    Comuni();

    void Form_Activate() override;
};
