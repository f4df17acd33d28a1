#include "comuni.h"

#include "modulo1.h"

Comuni::Comuni()
    : FormSportello(QStringLiteral("Comuni"), 7575, 5265)
{
}

void Comuni::Form_Activate()
{
    Modulo1::ApplicaStile(this);
}
