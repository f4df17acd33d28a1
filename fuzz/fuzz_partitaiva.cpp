// The VAT number check on arbitrary text, as typed or pasted into the number's box.

#include <algorithm>
#include <vector>

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
        bool cifre = true;
        for (QChar c : testo)
            cifre = cifre && cifraAscii(c);
        if (!cifre) {
            // A character that is no digit is named first.
            VERIFICA(esito == u"Errore: la partita iva deve contenere solo cifre!");
        } else if (testo.at(10) == QChar(u'0' + cifra)) {
            // Fine only for a company number other than 0000000 and digits 8 to 10 that make an office
            // code; the office is named when the table has it.
            const int codice = QStringView(testo).mid(7, 3).toInt();
            const QString ufficio = PartitaIva::officefinder(uffici, codice);
            const bool buona = !testo.startsWith(QLatin1String("0000000")) && PartitaIva::ufficioEsiste(codice);
            VERIFICA(esito.startsWith(esatta) == buona);
            if (buona)
                VERIFICA(esito ==
                         (ufficio.isEmpty()
                              ? esatta
                              : esatta + QStringLiteral(" Il codice è stato emesso dall'ufficio iva di: ") + ufficio));
        } else {
            VERIFICA(esito == QStringLiteral("Errore! L'ultimo numero doveva essere: ") + QChar(u'0' + cifra));
        }
    }

    // As a sheet keeps it: the normal form holds no space, dot or dash, and a fine one is eleven digits. A
    // table's cell of ASCII gives the same normal form.
    const QString normale = PartitaIva::normalizza(testo);
    const QByteArray latino = testo.toLatin1();
    std::vector<char16_t> numero(static_cast<size_t>(latino.size()) + 1);
    const qsizetype quanti = PartitaIva::normalizza(latino, numero.data());
    const bool ascii = std::all_of(testo.begin(), testo.end(), [](QChar c) { return c.unicode() < 128; });
    VERIFICA(quanti >= 0 || !ascii);
    if (ascii)
        VERIFICA(QStringView(numero.data(), quanti) == normale);
    if (std::any_of(latino.begin(), latino.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; }))
        VERIFICA(quanti < 0);
    VERIFICA(!normale.contains(u' ') && !normale.contains(u'.') && !normale.contains(u'-'));
    const PartitaIva::Controllo controllo = PartitaIva::controlla(normale);
    VERIFICA(controllo.stato != PartitaIva::Stato::Esatta || normale.size() == 11);
    VERIFICA(controllo.forse.isEmpty() || (PartitaIva::controlla(controllo.forse).stato == PartitaIva::Stato::Esatta &&
                                           controllo.forse.endsWith(normale)));
    VERIFICA(!PartitaIva::messaggio(controllo, uffici).isEmpty());

    // Every position, also outside the table, gives an office or nothing; only digits and Backspace go in.
    for (QChar c : testo) {
        const int posizione = static_cast<int>(c.unicode()) - 0x8000;
        const QString ufficio = PartitaIva::officefinder(uffici, posizione);
        VERIFICA(ufficio.isEmpty() || (posizione >= 1 && posizione <= PartitaIva::kUltimoCodiceUfficio));
        VERIFICA(PartitaIva::tastoAmmesso(c.unicode()) == (cifraAscii(c) || c.unicode() == 8));
    }
    return 0;
}
