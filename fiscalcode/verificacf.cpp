#include "verificacf.h"

#include <algorithm>
#include <climits>

#include "calcolo.h"
#include "luogonascita.h"
#include "regole.h"

namespace {

using Fiscale::Difetto;
using Fiscale::Verifica;

constexpr std::array<int, 7> kAgenzia = {1, 3, 7, 15, 31, 63, 127};

// White space, and the zero-width spaces (U+200B, U+2060, U+FEFF) that a pasted text may bring unseen.
bool spazio(char32_t c)
{
    return QChar::isSpace(c) || c == 0x200B || c == 0x2060 || c == 0xFEFF;
}

// Upper case for a code: a-z, and any other character only where its capital is not ASCII too. The dotless
// i and the long s would become I and S, letting a look-alike pass for a letter of the code.
char32_t maiuscola(char32_t c)
{
    if (c < 128)
        return c >= U'a' && c <= U'z' ? c - 32 : c;
    const char32_t m = QChar::toUpper(c);
    return m < 128 ? c : m;
}

// Appends one character; fromUcs4 would take a leading U+FEFF for a byte order mark and drop it.
void aggiungi(QString &testo, char32_t c)
{
    if (QChar::requiresSurrogates(c)) {
        testo += QChar(QChar::highSurrogate(c));
        testo += QChar(QChar::lowSurrogate(c));
    } else {
        testo += QChar(static_cast<char16_t>(c));
    }
}

bool lettera(char32_t c)
{
    return c >= U'A' && c <= U'Z';
}

// What a character stands for at a digit position: its digit, the digit of its omocodia letter plus 10,
// or kNessuna.
constexpr unsigned char kNessuna = 0xFF;
struct Cifre {
    unsigned char valore[128]{};
    constexpr Cifre()
    {
        for (auto &v : valore)
            v = kNessuna;
        for (int c = '0'; c <= '9'; ++c)
            valore[c] = static_cast<unsigned char>(c - '0');
        for (size_t i = 0; i < Fiscale::kLettereOmocodia.size(); ++i)
            valore[static_cast<unsigned char>(Fiscale::kLettereOmocodia[i])] = static_cast<unsigned char>(10 + i);
    }
};
constexpr Cifre kCifre;

unsigned char cifra(char32_t c)
{
    return c < 128 ? kCifre.valore[c] : kNessuna;
}

// The reverse index has a cell for each code from A000 to Z999.
constexpr size_t kCelle = size_t(26) * 1000;

size_t cella(char lettera, int numero)
{
    return static_cast<size_t>(lettera - 'A') * 1000 + static_cast<size_t>(numero);
}

Verifica &difetto(Verifica &v, Difetto d, int posizione = 0, char32_t carattere = 0)
{
    v.difetto = d;
    v.posizione = static_cast<std::uint8_t>(posizione);
    v.carattere = carattere;
    return v;
}

// A character as a message quotes it: 'Z', or its code point when it cannot be seen.
QString mostra(char32_t c)
{
    if (QChar::isPrint(c) && !QChar::isSpace(c)) {
        QString testo(u'\'');
        aggiungi(testo, c);
        return testo + u'\'';
    }
    return QStringLiteral("U+%1").arg(static_cast<uint>(c), 4, 16, QLatin1Char('0')).toUpper();
}

QString dueCifre(int n)
{
    return QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0'));
}

// Sex, day and year from positions 7 to 11, read up to there; false with the fault set.
bool data(Verifica &v, const std::array<int, 16> &cifre, const QDate &oggi)
{
    const int giorno = cifre[9] * 10 + cifre[10];
    if (giorno >= 1 && giorno <= 31) {
        v.sesso = 'M';
        v.giorno = giorno;
    } else if (giorno >= 41 && giorno <= 71) {
        v.sesso = 'F';
        v.giorno = giorno - 40;
    } else {
        v.valore = giorno;
        difetto(v, Difetto::Giorno);
        return false;
    }
    // 29 February needs a leap year in one of the two centuries the year may belong to: for 00, 2000 is one
    // and 1900 is not; any other two digits are leap in both or in neither.
    const int aa = cifre[6] * 10 + cifre[7];
    if (v.giorno > Fiscale::giorniDelMese(v.mese, aa % 4 == 0)) {
        v.valore = aa;
        difetto(v, Difetto::DataInesistente);
        return false;
    }
    // Today's day, month and year, kept from one code to the next of a table.
    thread_local QDate visto;
    thread_local int annoOggi = 0, meseOggi = 0, giornoOggi = 0;
    const QDate adesso = oggi.isValid() ? oggi : QDate::currentDate();
    if (adesso != visto) {
        visto = adesso;
        adesso.getDate(&annoOggi, &meseOggi, &giornoOggi);
    }
    v.anno = Fiscale::annoDiNascita(aa, v.mese, v.giorno, annoOggi, meseOggi, giornoOggi);
    return true;
}

// The letter at index i (position i + 1); false with the fault set.
bool leggiLettera(Verifica &v, size_t i)
{
    const char32_t x = v.codice.caratteri[i];
    if (!lettera(x)) {
        difetto(v, Difetto::NonLettera, static_cast<int>(i) + 1, x);
        return false;
    }
    v.base[i] = static_cast<char>(x);
    return true;
}

// The digit at index i, or the omocodia letter that stands for it (substitution bit `bit`); false with the
// fault set.
bool leggiCifra(Verifica &v, size_t i, int bit, std::array<int, 16> &cifre)
{
    const char32_t x = v.codice.caratteri[i];
    int d = cifra(x);
    if (d == kNessuna) {
        difetto(v, Difetto::NonCifra, static_cast<int>(i) + 1, x);
        return false;
    }
    if (d >= 10) {
        v.sostituzioni |= static_cast<std::uint8_t>(1U << bit);
        d -= 10;
    }
    cifre[i] = d;
    v.base[i] = static_cast<char>('0' + d);
    return true;
}

} // namespace

namespace Fiscale {

QString CodiceNormalizzato::testo() const
{
    QString t;
    for (int i = 0; i < qMin(lunghezza, 16); ++i)
        aggiungi(t, caratteri[static_cast<size_t>(i)]);
    return t;
}

namespace {

// One character of a code as handed in, into its normalised form.
void aggiungiNormalizzato(CodiceNormalizzato &n, char32_t c)
{
    if (c < 128) {
        if (c >= U'a' && c <= U'z')
            c -= 32;
        else if (c == U' ' || (c >= U'\t' && c <= U'\r')) // the white space of ASCII
            return;
    } else {
        if (spazio(c))
            return;
        c = maiuscola(c);
    }
    if (n.lunghezza < 16)
        n.caratteri[static_cast<size_t>(n.lunghezza)] = c;
    if (n.lunghezza < INT_MAX)
        ++n.lunghezza;
}

} // namespace

CodiceNormalizzato normalizza(QStringView testo)
{
    CodiceNormalizzato n;
    const char16_t *p = testo.utf16();
    const qsizetype fine = testo.size();
    for (qsizetype i = 0; i < fine; ++i) {
        char32_t c = p[i];
        if (QChar::isHighSurrogate(c) && i + 1 < fine && QChar::isLowSurrogate(p[i + 1]))
            c = QChar::surrogateToUcs4(static_cast<char16_t>(c), p[++i]);
        aggiungiNormalizzato(n, c);
    }
    return n;
}

CodiceNormalizzato normalizza(QLatin1StringView testo)
{
    CodiceNormalizzato n;
    // Sixteen capitals and digits, as a table holds most codes, are the code as they are.
    if (testo.size() == 16) {
        const auto *p = reinterpret_cast<const unsigned char *>(testo.data());
        unsigned comeSono = 1;
        for (int i = 0; i < 16; ++i)
            comeSono &= static_cast<unsigned>(static_cast<unsigned>(p[i] - '0') < 10u) |
                        static_cast<unsigned>(static_cast<unsigned>(p[i] - 'A') < 26u);
        if (comeSono) {
            for (size_t i = 0; i < 16; ++i)
                n.caratteri[i] = p[i];
            n.lunghezza = 16;
            return n;
        }
    }
    int lunghezza = 0;
    for (const char b : testo) {
        char32_t c = static_cast<unsigned char>(b);
        if (c >= U'a' && c <= U'z') {
            c -= 32;
        } else if (c <= U' ' || c >= 128) {
            if (spazio(c))
                continue;
            c = maiuscola(c);
        }
        if (lunghezza < 16)
            n.caratteri[static_cast<size_t>(lunghezza)] = c;
        if (lunghezza < INT_MAX)
            ++lunghezza;
    }
    n.lunghezza = lunghezza;
    return n;
}

QString testoNormalizzato(QStringView testo)
{
    QString risultato;
    for (char32_t c : testo.toUcs4()) {
        if (!spazio(c))
            aggiungi(risultato, maiuscola(c));
    }
    return risultato;
}

int Verifica::caratteriSostituiti() const
{
    int n = 0;
    for (int bit = 0; bit < 7; ++bit)
        n += (sostituzioni >> bit) & 1;
    return n;
}

QString Verifica::catastale() const
{
    return QString::fromLatin1(base.data() + 11, 4);
}

QString Verifica::codiceBase() const
{
    return valido() ? QString::fromLatin1(base.data(), 16) : QString();
}

void IndiceCatastale::costruisci(const TabellaCodici &tabella)
{
    m_voci.assign(kCelle, -1);
    m_vite.assign(kCelle, Periodo{});
    m_lacune.assign(kCelle, false);
    const int voci = tabella.numeroVoci();
    for (int i = 0; i < voci; ++i) {
        const QByteArrayView c = tabella.codice(i);
        if (c.size() != 4 || c[0] < 'A' || c[0] > 'Z')
            continue;
        int numero = 0;
        bool cifre = true;
        for (int k = 1; k < 4; ++k) {
            cifre = cifre && c[k] >= '0' && c[k] <= '9';
            numero = numero * 10 + (c[k] - '0');
        }
        // A later entry with the same code wins: the file gives the current name last.
        if (cifre)
            m_voci[cella(c[0], numero)] = i;
    }
    std::vector<std::pair<int, int>> giorni;
    for (size_t slot = 0; slot < kCelle; ++slot) {
        const int ultima = m_voci[slot];
        if (ultima < 0)
            continue;
        Periodo &giorniCodice = m_vite[slot];
        giorniCodice = tabella.periodo(ultima);
        if (!tabella.conGiorni()) {
            // By the year: the end of the year of validity, a birth in it not telling.
            const int anno = tabella.annoFine(ultima);
            giorniCodice = {0, anno == 0 ? kSempre : anno * 10000 + 1231,
                            anno == 0 ? quint8(0) : quint8(Periodo::SoloAnno)};
            continue;
        }
        // The names of the code, one after another: a gap between them is a time the place was not there.
        giorni.assign(1, {giorniCodice.primo, giorniCodice.ultimo});
        for (int v = tabella.precedenteDelCodice(ultima); v >= 0; v = tabella.precedenteDelCodice(v))
            giorni.emplace_back(tabella.periodo(v).primo, tabella.periodo(v).ultimo);
        std::sort(giorni.begin(), giorni.end());
        int primo = giorni[0].first, fine = giorni[0].second;
        for (const auto &[inizio, ultimo] : giorni) {
            if (inizio > fine && inizio - fine > 1 && dataDi(fine).addDays(1) < dataDi(inizio))
                m_lacune[slot] = true;
            fine = std::max(fine, ultimo);
        }
        giorniCodice.primo = primo;
        giorniCodice.ultimo = fine;
    }
}

int IndiceCatastale::cerca(char lettera, int numero) const
{
    if (m_voci.empty() || lettera < 'A' || lettera > 'Z' || numero < 0 || numero > 999)
        return -1;
    return m_voci[cella(lettera, numero)];
}

Periodo IndiceCatastale::vita(char lettera, int numero) const
{
    return cerca(lettera, numero) < 0 ? Periodo{} : m_vite[cella(lettera, numero)];
}

bool IndiceCatastale::conLacune(char lettera, int numero) const
{
    return cerca(lettera, numero) >= 0 && m_lacune[cella(lettera, numero)];
}

bool IndiceCatastale::esisteIl(char lettera, int numero, int giorno, const TabellaCodici &tabella) const
{
    const int voce = cerca(lettera, numero);
    if (voce < 0)
        return false;
    const Periodo &giorni = m_vite[cella(lettera, numero)];
    if (giorno < giorni.primo || giorno > giorni.ultimo)
        return false;
    return !m_lacune[cella(lettera, numero)] || tabella.esisteIl(voce, giorno);
}

int IndiceCatastale::cerca(QStringView codice) const
{
    if (codice.size() != 4)
        return -1;
    int numero = 0;
    for (int k = 1; k < 4; ++k) {
        const char16_t c = codice[k].unicode();
        if (c < u'0' || c > u'9')
            return -1;
        numero = numero * 10 + (c - u'0');
    }
    const char16_t l = codice[0].unicode();
    return l < 128 ? cerca(static_cast<char>(l), numero) : -1;
}

Verifica verifica(QStringView testo, const IndiceCatastale *indice, const QDate &oggi)
{
    return verifica(normalizza(testo), indice, oggi);
}

Verifica verifica(QLatin1StringView testo, const IndiceCatastale *indice, const QDate &oggi)
{
    return verifica(normalizza(testo), indice, oggi);
}

Verifica verifica(const CodiceNormalizzato &codice, const IndiceCatastale *indice, const QDate &oggi)
{
    Verifica v{codice};
    const auto &c = v.codice.caratteri;
    if (v.codice.lunghezza == 0)
        return difetto(v, Difetto::Vuoto);
    if (v.codice.lunghezza != 16) {
        v.valore = v.codice.lunghezza;
        return difetto(v, Difetto::Lunghezza);
    }

    // Position by position, in the order they are read; each character in the base code is a digit again
    // where it stood for one. The substitution bits go from 6 (position 7) down to 0 (position 15).
    std::array<int, 16> cifre{};
    for (size_t i = 0; i < 6; ++i) {
        if (!leggiLettera(v, i))
            return v;
    }
    if (!leggiCifra(v, 6, 6, cifre) || !leggiCifra(v, 7, 5, cifre))
        return v;
    v.mese = meseDellaLettera(c[8]);
    if (v.mese == 0)
        return difetto(v, Difetto::Mese, 9, c[8]);
    v.base[8] = static_cast<char>(c[8]);
    if (!leggiCifra(v, 9, 4, cifre) || !leggiCifra(v, 10, 3, cifre) || !data(v, cifre, oggi) || !leggiLettera(v, 11) ||
        !leggiCifra(v, 12, 2, cifre) || !leggiCifra(v, 13, 1, cifre) || !leggiCifra(v, 14, 0, cifre) ||
        !leggiLettera(v, 15))
        return v;

    // The check character is computed on the code as written, omocodia letters included: the base code
    // itself when it has none.
    std::array<char, 15> scritto{};
    if (v.omocodico()) {
        for (size_t i = 0; i < scritto.size(); ++i)
            scritto[i] = static_cast<char>(c[i]);
    }
    const char atteso = letteraControllo(v.omocodico() ? scritto.data() : v.base.data());
    if (c[15] != static_cast<char32_t>(atteso))
        return difetto(v, Difetto::Controllo, 16, static_cast<char32_t>(atteso));
    v.base[15] = v.omocodico() ? letteraControllo(v.base.data()) : atteso;

    if (indice) {
        const int numero = cifre[12] * 100 + cifre[13] * 10 + cifre[14];
        v.voce = indice->cerca(v.base[11], numero);
        v.vita = indice->vita(v.base[11], numero);
        v.lacune = indice->conLacune(v.base[11], numero);
    }
    return v;
}

QString esito(const Verifica &v)
{
    switch (v.difetto) {
    case Difetto::Nessuno: {
        if (!v.omocodico())
            return QStringLiteral("Codice valido");
        const int n = v.caratteriSostituiti();
        return QStringLiteral("Codice valido (omocodico, %1 %2; codice di base: %3)")
            .arg(n)
            .arg(n == 1 ? QStringLiteral("carattere sostituito") : QStringLiteral("caratteri sostituiti"))
            .arg(v.codiceBase());
    }
    case Difetto::Vuoto: return QStringLiteral("Codice fiscale non specificato");
    case Difetto::Lunghezza:
        return QStringLiteral("Lunghezza errata: %1 %2 invece di 16")
            .arg(v.valore)
            .arg(v.valore == 1 ? QStringLiteral("carattere") : QStringLiteral("caratteri"));
    case Difetto::NonLettera:
        return QStringLiteral("Carattere non valido in posizione %1: %2 non è una lettera")
            .arg(v.posizione)
            .arg(mostra(v.carattere));
    case Difetto::NonCifra:
        return QStringLiteral("Carattere non valido in posizione %1: %2 non è una cifra né una lettera di omocodia")
            .arg(v.posizione)
            .arg(mostra(v.carattere));
    case Difetto::Mese:
        return QStringLiteral("Carattere non valido in posizione %1: %2 non indica un mese")
            .arg(v.posizione)
            .arg(mostra(v.carattere));
    case Difetto::Giorno: return QStringLiteral("Giorno di nascita non valido: %1").arg(dueCifre(v.valore));
    case Difetto::DataInesistente:
        if (v.mese == 2 && v.giorno == 29)
            return QStringLiteral("Data di nascita inesistente: 29/02 in un anno non bisestile (%1)")
                .arg(dueCifre(v.valore));
        return QStringLiteral("Data di nascita inesistente: %1/%2").arg(dueCifre(v.giorno), dueCifre(v.mese));
    case Difetto::Controllo:
        return QStringLiteral("Carattere di controllo errato: doveva essere %1").arg(QChar(v.carattere));
    }
    return QString();
}

QString testoSesso(const Verifica &v)
{
    return v.valido() ? QString(QLatin1Char(v.sesso)) : QString();
}

QString testoData(const Verifica &v)
{
    if (!v.valido())
        return QString();
    return QStringLiteral("%1/%2/%3").arg(dueCifre(v.giorno), dueCifre(v.mese)).arg(v.anno, 4, 10, QLatin1Char('0'));
}

Luogo luogo(const Verifica &v, const TabellaCodici &tabella)
{
    Luogo l;
    if (!v.valido() || v.voce < 0 || v.voce >= tabella.numeroVoci())
        return l;
    const TabellaCodici::Voce voce = tabella.voce(v.voce);
    l.trovato = true;
    l.nome = voce.nomeIntero;
    l.provincia = voce.provincia;
    l.estero = voce.provincia == u"EE";
    l.vita = v.vita;
    return l;
}

QString testoLuogo(const Verifica &v, const TabellaCodici &tabella)
{
    if (!v.valido())
        return QString();
    const Luogo l = luogo(v, tabella);
    if (!l.trovato)
        return QStringLiteral("codice catastale %1 non presente nell'archivio").arg(v.catastale());
    return testoLuogo(l);
}

QString testoLuogo(const Luogo &l)
{
    QString testo = l.nome;
    if (l.estero)
        testo += QStringLiteral(" (Stato estero)");
    else if (!l.provincia.isEmpty())
        testo += QStringLiteral(" (%1)").arg(l.provincia);
    if (l.cessato())
        testo += QStringLiteral(" (%1)").arg(fineDelLuogo(l.vita, l.estero));
    return testo;
}

namespace {

// Between the end of one name of the code and the start of the next, the day's nearest end and start.
QString lacuna(const Verifica &v, const TabellaCodici &tabella, int giorno)
{
    int fine = 0, inizio = kSempre;
    for (int voce = v.voce; voce >= 0; voce = tabella.precedenteDelCodice(voce)) {
        const Periodo p = tabella.periodo(voce);
        if (p.ultimo < giorno)
            fine = std::max(fine, p.ultimo);
        if (p.primo > giorno)
            inizio = std::min(inizio, p.primo);
    }
    return QStringLiteral("%1, ricostituito il %2")
        .arg(fineDelLuogo({0, fine, 0}, false), dataDi(inizio).toString(QStringLiteral("dd/MM/yyyy")));
}

} // namespace

QString avvisoLuogo(const Verifica &v, const TabellaCodici &tabella)
{
    const Luogo l = luogo(v, tabella);
    if (!l.trovato)
        return QString();
    const int giorno = v.anno * 10000 + v.mese * 100 + v.giorno;
    const QString chi = l.estero ? QStringLiteral("Stato") : QStringLiteral("Comune");
    if (giorno > l.vita.ultimo)
        return QStringLiteral("%1 non più esistente alla data di nascita (%2)").arg(chi, fineDelLuogo(l.vita, l.estero));
    if (giorno < l.vita.primo)
        return QStringLiteral("%1 non ancora esistente alla data di nascita (%2)").arg(chi, inizioDelLuogo(l.vita));
    if (v.lacune && !tabella.esisteIl(v.voce, giorno))
        return QStringLiteral("%1 non esistente alla data di nascita (%2)").arg(chi, lacuna(v, tabella, giorno));
    return QString();
}

Confronto confronta(const Verifica &v, const QString &cognome, const QString &nome)
{
    Confronto c;
    if (!v.valido())
        return c;
    c.cognomeDato = !cognome.trimmed().isEmpty();
    c.nomeDato = !nome.trimmed().isEmpty();
    c.cognomeCodice = QString::fromLatin1(v.base.data(), 3);
    c.nomeCodice = QString::fromLatin1(v.base.data() + 3, 3);
    if (c.cognomeDato) {
        c.cognomeAtteso = parteCognome(cognome);
        c.cognomeUguale = c.cognomeAtteso == c.cognomeCodice;
    }
    if (c.nomeDato) {
        c.nomeAtteso = parteNome(nome);
        c.nomeUguale = c.nomeAtteso == c.nomeCodice;
    }
    return c;
}

QString testoConfronto(const Confronto &c)
{
    auto parte = [](const QString &chi, bool uguale, const QString &atteso, const QString &codice) {
        if (uguale)
            return QStringLiteral("%1 (%2): corrisponde").arg(chi, atteso);
        return QStringLiteral("%1 (%2): diverso, nel codice %3").arg(chi, atteso, codice);
    };
    QStringList parti;
    if (c.cognomeDato)
        parti << parte(QStringLiteral("Cognome"), c.cognomeUguale, c.cognomeAtteso, c.cognomeCodice);
    if (c.nomeDato)
        parti << parte(parti.isEmpty() ? QStringLiteral("Nome") : QStringLiteral("nome"), c.nomeUguale, c.nomeAtteso,
                       c.nomeCodice);
    return parti.join(QStringLiteral("; "));
}

QStringList variantiOmocodiche(const Verifica &v)
{
    QStringList varianti;
    if (!v.valido())
        return varianti;
    std::array<int, 127> ordine{};
    size_t n = 0;
    for (int maschera : kAgenzia)
        ordine[n++] = maschera;
    for (int maschera = 1; maschera <= 127; ++maschera) {
        if (std::find(kAgenzia.begin(), kAgenzia.end(), maschera) == kAgenzia.end())
            ordine[n++] = maschera;
    }
    varianti.reserve(127);
    for (int maschera : ordine) {
        std::array<char, 16> codice = v.base;
        for (int bit = 0; bit < 7; ++bit) {
            if (maschera & (1 << bit)) {
                const size_t i = static_cast<size_t>(posizioneDelBit(bit) - 1);
                codice[i] = kLettereOmocodia[static_cast<size_t>(codice[i] - '0')];
            }
        }
        codice[15] = letteraControllo(codice.data());
        varianti.append(QString::fromLatin1(codice.data(), 16));
    }
    return varianti;
}

} // namespace Fiscale
