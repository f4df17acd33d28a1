// The VAT number check on arbitrary text, as typed or pasted into the number's box.

#include "partitaiva.h"
#include "supporto_fuzz.h"

namespace {

bool cifraAscii(QChar c)
{
    return c >= u'0' && c <= u'9';
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *dati, size_t n)
{
    static PartitaIva::Uffici uffici;
    static const bool pronti = (PartitaIva::riempiUffici(uffici), true);
    (void)pronti;

    const Fuzz::TestoEsatto esatto(Fuzz::testoDa(dati, n));
    const QString &testo = esatto.testo();
    const QString esito = PartitaIva::verifica(testo, uffici);

    const QString esatta = QStringLiteral("Il codice è esatto!");
    if (testo.size() != 11) {
        VERIFICA(esito == u"Errore: la partita iva deve essere di 11 cifre!");
    } else {
        const int cifra = PartitaIva::cifraDiControllo(testo);
        VERIFICA(cifra >= 0 && cifra <= 9);
        if (testo.at(10) == QChar(u'0' + cifra)) {
            // The office is named only for three digits that make one of its codes.
            const bool codiceCifre = cifraAscii(testo.at(7)) && cifraAscii(testo.at(8)) && cifraAscii(testo.at(9));
            const int codice = codiceCifre ? QStringView(testo).mid(7, 3).toInt() : -1;
            const QString ufficio = PartitaIva::officefinder(uffici, codice);
            VERIFICA(esito ==
                     (ufficio.isEmpty()
                          ? esatta
                          : esatta + QStringLiteral(" Il codice è stato emesso dall'ufficio iva di: ") + ufficio));
        } else {
            VERIFICA(esito == QStringLiteral("Errore! L'ultimo numero doveva essere:  ") + QChar(u'0' + cifra));
        }
    }

    // Every position, also outside the table, gives an office or nothing; only digits and Backspace go in.
    for (QChar c : testo) {
        const int posizione = static_cast<int>(c.unicode()) - 0x8000;
        const QString ufficio = PartitaIva::officefinder(uffici, posizione);
        VERIFICA(ufficio.isEmpty() || (posizione >= 1 && posizione <= PartitaIva::kUltimoCodiceUfficio));
        VERIFICA(PartitaIva::tastoAmmesso(c.unicode()) == (cifraAscii(c) || c.unicode() == 8));
    }
    return 0;
}
