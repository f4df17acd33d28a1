#include "codicefiscale.h"

#include "modulo1.h"

CodiceFiscale::CodiceFiscale()
    : FormSportello(QStringLiteral("Codice Fiscale"), 3960, 3690)
{
}

void CodiceFiscale::Form_Activate()
{
    Modulo1::ApplicaStile(this);
}
