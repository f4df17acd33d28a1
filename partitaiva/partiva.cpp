#include "partiva.h"

#include "modulo1.h"

PartIva::PartIva()
    : FormSportello(QStringLiteral("Controllo Partita Iva"), 3600, 2070)
{
}

void PartIva::Form_Activate()
{
    Modulo1::ApplicaStile(this);
}
