#include "partitaiva.h"

#include <iterator>

namespace PartitaIva {

namespace {

// The offices with codes 1 to 100, in the order of their codes.
// clang-format off
constexpr const char *kUffici1a100[] = {
    "Torino", "Vercelli", "Novara", "Cuneo", "Asti",
    "Alessandria", "Aosta", "Imperia", "Savona", "Genova 1",
    "La Spezia", "Varese", "Como", "Sondrio", "Milano 1",
    "Bergamo", "Brescia 1", "Pavia", "Cremona", "Mantova",
    "Bolzano", "Trento", "Verona", "Vicenza", "Belluno",
    "Treviso", "Venezia", "Padova", "Rovigo", "Udine",
    "Gorizia", "Trieste", "Piacenza", "Parma", "Reggio Emilia",
    "Modena", "Bologna 1", "Ferrara", "Ravenna", "Forlì",
    "Pesaro", "Ancona", "Macerata", "Ascoli Piceno", "Massa Carrara",
    "Lucca", "Pistoia", "Firenze 1", "Livorno", "Pisa",
    "Arezzo", "Siena", "Grosseto", "Perugia", "Terni",
    "Viterbo", "Rieti", "Roma 1", "Latina", "Frosinone",
    "Caserta", "Benevento", "Napoli 1", "Avellino", "Salerno",
    "L 'Aquila", "Teramo", "Pescara", "Chieti", "Campobasso",
    "Foggia", "Bari", "Taranto", "Brindisi", "Lecce",
    "Potenza", "Matera", "Cosenza", "Catanzaro", "Reggio Calabria",
    "Trapani", "Palermo", "Messina", "Agrigento", "Caltanissetta",
    "Enna", "Catania", "Ragusa", "Siracusa", "Sassari",
    "Nuoro", "Cagliari", "Pordenone", "Isernia", "Oristano",
    "Monza (Milano 2)", "Prato (Firenze 2)", "Brescia 2", "Chiavari (Genova 2)", "Roma 2",
};
// clang-format on
static_assert(std::size(kUffici1a100) == 100);

const QString kErroreLunghezza = QStringLiteral("Errore: la partita iva deve essere di 11 cifre!");
const QString kErroreCifra = QStringLiteral("Errore! L'ultimo numero doveva essere: ");
const QString kEsatto = QStringLiteral("Il codice è esatto!");
const QString kUfficio = QStringLiteral(" Il codice è stato emesso dall'ufficio iva di: ");
const QString kNonCifra = QStringLiteral("Errore: la partita iva deve contenere solo cifre!");
const QString kSoloZeri = QStringLiteral("Errore: la partita iva non può essere di soli zeri!");
const QString kNonSpecificata = QStringLiteral("Partita IVA non specificata");

bool cifraAscii(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

// The office code of digits 8 to 10, or -1 when one of them is not a digit (a pasted text): such a code
// names no office.
int codiceUfficio(const QString &testo)
{
    int codice = 0;
    for (int i = 7; i < 10; ++i) {
        if (!cifraAscii(testo.at(i)))
            return -1;
        codice = codice * 10 + valoreCifra(testo.at(i));
    }
    return codice;
}

} // namespace

void riempiUffici(Uffici &uffici)
{
    for (QString &slot : uffici)
        slot.clear();
    for (int codice = 1; codice <= 100; ++codice)
        uffici[codice] = QString::fromUtf8(kUffici1a100[codice - 1]);
    uffici[120] = QStringLiteral("Bologna 2");
    uffici[121] = QStringLiteral("Napoli 2");
}

QString officefinder(const Uffici &uffici, int posizione)
{
    if (posizione < 0 || posizione > kUltimoCodiceUfficio)
        return {};
    return uffici[posizione];
}

int valoreCifra(QChar c)
{
    return cifraAscii(c) ? c.unicode() - '0' : 0;
}

int cifraDiControllo(const QString &testo)
{
    int totale = 0;
    for (int i = 0; i < 10; ++i) {
        const int d = valoreCifra(testo.at(i));
        // Positions 2, 4, ..., 10 (odd indices) count twice, reduced to the sum of the two digits.
        if (i % 2 == 0)
            totale += d;
        else
            totale += d >= 5 ? 2 * d - 9 : 2 * d;
    }
    return (10 - totale % 10) % 10;
}

bool ufficioEsiste(int codice)
{
    return (codice >= 1 && codice <= 100) || codice == 120 || codice == 121 || codice == 888 || codice == 999;
}

QString normalizza(const QString &testo)
{
    QString numero;
    numero.reserve(testo.size());
    for (QChar c : testo) {
        if (!c.isSpace() && c != u'.' && c != u'-')
            numero.append(c);
    }
    if (numero.startsWith(QLatin1String("IT"), Qt::CaseInsensitive))
        numero.remove(0, 2);
    return numero;
}

Controllo controlla(const QString &testo)
{
    Controllo c;
    if (testo.isEmpty())
        return c;
    if (testo.size() != 11) {
        c.stato = Stato::Lunghezza;
        bool cifre = testo.size() >= 8 && testo.size() <= 10;
        for (QChar x : testo)
            cifre = cifre && cifraAscii(x);
        if (cifre) {
            const QString intera = QString(11 - testo.size(), u'0') + testo;
            if (controlla(intera).stato == Stato::Esatta)
                c.forse = intera;
        }
        return c;
    }
    c.ufficio = codiceUfficio(testo);
    const int cifra = cifraDiControllo(testo);
    if (testo.at(10) != QLatin1Char(static_cast<char>('0' + cifra))) {
        c.stato = Stato::CifraControllo;
        c.cifraAttesa = cifra;
        return c;
    }
    bool zeri = true;
    for (QChar x : testo) {
        if (!cifraAscii(x)) {
            c.stato = Stato::NonCifra;
            return c;
        }
        zeri = zeri && x == u'0';
    }
    c.stato = zeri ? Stato::SoloZeri : ufficioEsiste(c.ufficio) ? Stato::Esatta : Stato::UfficioInesistente;
    return c;
}

QString messaggio(const Controllo &controllo, const Uffici &uffici)
{
    switch (controllo.stato) {
    case Stato::Esatta: {
        const QString ufficio = officefinder(uffici, controllo.ufficio);
        return ufficio.isEmpty() ? kEsatto : kEsatto + kUfficio + ufficio;
    }
    case Stato::Vuota: return kNonSpecificata;
    case Stato::Lunghezza:
        return controllo.forse.isEmpty() ? kErroreLunghezza
                                         : kErroreLunghezza + QStringLiteral(" (forse %1)").arg(controllo.forse);
    case Stato::CifraControllo: return kErroreCifra + QLatin1Char(' ') + QString::number(controllo.cifraAttesa);
    case Stato::NonCifra: return kNonCifra;
    case Stato::SoloZeri: return kSoloZeri;
    case Stato::UfficioInesistente:
        return QStringLiteral("Errore: il codice ufficio %1 non corrisponde a nessun ufficio iva!")
            .arg(controllo.ufficio, 3, 10, QLatin1Char('0'));
    }
    return QString();
}

QString verifica(const QString &testo, const Uffici &uffici)
{
    Controllo c = controlla(testo);
    if (c.stato == Stato::Vuota)
        c.stato = Stato::Lunghezza;
    c.forse.clear();
    return messaggio(c, uffici);
}

bool tastoAmmesso(int keyAscii)
{
    return (keyAscii >= '0' && keyAscii <= '9') || keyAscii == 8;
}

} // namespace PartitaIva
