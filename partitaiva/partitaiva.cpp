#include "partitaiva.h"

#include <algorithm>
#include <cstring>
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
const QString kMatricolaNulla =
    QStringLiteral("Errore: il numero dell'azienda (le prime 7 cifre) non può essere 0000000!");
const QString kNonSpecificata = QStringLiteral("Partita IVA non specificata");

bool cifraAscii(char16_t c)
{
    return c >= u'0' && c <= u'9';
}

// The check digit (0-9) of the first ten digits: the odd positions (2, 4, ..., 10) count twice, reduced to
// the sum of the two digits.
int cifraDalleCifre(const int *cifre)
{
    static constexpr int kDoppio[10] = {0, 2, 4, 6, 8, 1, 3, 5, 7, 9};
    const int totale = cifre[0] + cifre[2] + cifre[4] + cifre[6] + cifre[8] + kDoppio[cifre[1]] + kDoppio[cifre[3]] +
                       kDoppio[cifre[5]] + kDoppio[cifre[7]] + kDoppio[cifre[9]];
    return (10 - totale % 10) % 10;
}

// The digits of the first `n` characters, a character that is not a digit counting 0: whether all are
// digits, and whether all are zeros.
struct Cifre {
    bool tutte, zeri;
};
Cifre cifre(QStringView testo, qsizetype n, int *cifre)
{
    unsigned tutte = 1, unite = 0;
    const char16_t *p = testo.utf16();
    for (qsizetype i = 0; i < n; ++i) {
        const unsigned d = static_cast<unsigned>(p[i]) - u'0';
        const unsigned cifra = d < 10u ? 1u : 0u;
        tutte &= cifra;
        cifre[i] = static_cast<int>(d * cifra);
        unite |= d * cifra;
    }
    return {tutte != 0, unite == 0};
}

// What normalizza drops: white space, dots and dashes.
bool daTogliere(char16_t c)
{
    if (c < 128)
        return c == u' ' || (c >= u'\t' && c <= u'\r') || c == u'.' || c == u'-';
    return QChar::isSpace(c);
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
    return cifraAscii(c.unicode()) ? c.unicode() - '0' : 0;
}

int cifraDiControllo(const QString &testo)
{
    int d[10];
    cifre(testo, 10, d);
    return cifraDalleCifre(d);
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
        if (!daTogliere(c.unicode()))
            numero.append(c);
    }
    if (numero.startsWith(QLatin1String("IT"), Qt::CaseInsensitive))
        numero.remove(0, 2);
    return numero;
}

qsizetype normalizza(QByteArrayView testo, char16_t *numero)
{
    qsizetype n = 0;
    for (const char c : testo) {
        const auto u = static_cast<unsigned char>(c);
        if (u >= 0x80)
            return -1;
        if (cifraAscii(u) || !daTogliere(u))
            numero[n++] = u;
    }
    if (n >= 2 && (numero[0] == u'I' || numero[0] == u'i') && (numero[1] == u'T' || numero[1] == u't')) {
        std::memmove(numero, numero + 2, static_cast<size_t>(n - 2) * sizeof(char16_t));
        n -= 2;
    }
    return n;
}

Controllo controlla(QStringView testo)
{
    Controllo c;
    if (testo.isEmpty())
        return c;
    if (testo.size() != 11) {
        c.stato = Stato::Lunghezza;
        int d[10];
        if (testo.size() >= 8 && testo.size() <= 10 && cifre(testo, testo.size(), d).tutte) {
            const QString intera = QString(11 - testo.size(), u'0') + testo.toString();
            if (controlla(intera).stato == Stato::Esatta)
                c.forse = intera;
        }
        return c;
    }
    int d[11];
    const Cifre lette = cifre(testo, 11, d);
    const bool ufficio =
        cifraAscii(testo[7].unicode()) && cifraAscii(testo[8].unicode()) && cifraAscii(testo[9].unicode());
    c.ufficio = ufficio ? d[7] * 100 + d[8] * 10 + d[9] : -1;
    // A character that is no digit first: a check digit worked out over it would mean nothing.
    if (!lette.tutte) {
        c.stato = Stato::NonCifra;
        return c;
    }
    const int cifra = cifraDalleCifre(d);
    if (testo[10] != QLatin1Char(static_cast<char>('0' + cifra))) {
        c.stato = Stato::CifraControllo;
        c.cifraAttesa = cifra;
        return c;
    }
    const bool matricolaNulla = std::all_of(d, d + 7, [](int x) { return x == 0; });
    c.stato = lette.zeri                 ? Stato::SoloZeri
              : matricolaNulla           ? Stato::MatricolaNulla
              : ufficioEsiste(c.ufficio) ? Stato::Esatta
                                         : Stato::UfficioInesistente;
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
    case Stato::CifraControllo: return kErroreCifra + QString::number(controllo.cifraAttesa);
    case Stato::NonCifra: return kNonCifra;
    case Stato::SoloZeri: return kSoloZeri;
    case Stato::MatricolaNulla: return kMatricolaNulla;
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
