#include "prefix.h"

#include "modulo1.h"

Prefix::Prefix()
    : FormSportello(QStringLiteral("Prefissi Internazionali"), 4200, 1530)
{
}

void Prefix::Form_Activate()
{
    Modulo1::ApplicaStile(this);
}
