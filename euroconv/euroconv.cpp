#include "euroconv.h"

#include "modulo1.h"

Euroconv::Euroconv()
    : FormSportello(QStringLiteral("Euroconvertitore"), 6405, 1470)
{
}

void Euroconv::Form_Activate()
{
    Modulo1::ApplicaStile(this);
}
