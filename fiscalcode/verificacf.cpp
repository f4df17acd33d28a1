#include "verificacf.h"

#include <algorithm>
#include <climits>

#include "calcolo.h"
#include "luogonascita.h"

namespace {

using Fiscale::Difetto;
using Fiscale::Verifica;

constexpr std::array<char, 12> kMesi = {'A', 'B', 'C', 'D', 'E', 'H', 'L', 'M', 'P', 'R', 'S', 'T'};
constexpr std::array<int, 7> kAgenzia = {1, 3, 7, 15, 31, 63, 127};

// What each position holds: a letter, a digit (or its omocodia letter), the month letter.
enum Tipo : char { L, D, M };
constexpr std::array<Tipo, 16> kTipi = {L, L, L, L, L, L, D, D, M, D, D, L, D, D, D, L};

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

// The digit that a character stands for in a digit position: itself, or the omocodia letter's; -1 if none.
int cifra(char32_t c, bool &sostituita)
{
    if (c >= U'0' && c <= U'9') {
        sostituita = false;
        return static_cast<int>(c - U'0');
    }
    for (size_t i = 0; i < Fiscale::kLettereOmocodia.size(); ++i) {
        if (c == static_cast<char32_t>(Fiscale::kLettereOmocodia[i])) {
            sostituita = true;
            return static_cast<int>(i);
        }
    }
    return -1;
}

int meseDi(char32_t c)
{
    for (size_t i = 0; i < kMesi.size(); ++i) {
        if (c == static_cast<char32_t>(kMesi[i]))
            return static_cast<int>(i) + 1;
    }
    return 0;
}

// The reverse index has a cell for each code from A000 to Z999.
constexpr size_t kCelle = size_t(26) * 1000;

size_t cella(char lettera, int numero)
{
    return static_cast<size_t>(lettera - 'A') * 1000 + static_cast<size_t>(numero);
}

bool bisestile(int anno)
{
    return (anno % 4 == 0 && anno % 100 != 0) || anno % 400 == 0;
}

int giorniDelMese(int mese, bool annoBisestile)
{
    static constexpr std::array<int, 12> giorni = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return mese == 2 && annoBisestile ? 29 : giorni[static_cast<size_t>(mese - 1)];
}

// The check letter of 15 ASCII characters.
char controllo(const char *primiQuindici)
{
    std::array<char16_t, 15> testo{};
    for (size_t i = 0; i < testo.size(); ++i)
        testo[i] = static_cast<unsigned char>(primiQuindici[i]);
    return static_cast<char>(Fiscale::carattereControllo(QStringView(testo.data(), 15)).unicode());
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

} // namespace

namespace Fiscale {

QString CodiceNormalizzato::testo() const
{
    QString t;
    for (int i = 0; i < qMin(lunghezza, 16); ++i)
        aggiungi(t, caratteri[static_cast<size_t>(i)]);
    return t;
}

CodiceNormalizzato normalizza(QStringView testo)
{
    CodiceNormalizzato n;
    const char16_t *p = testo.utf16();
    const qsizetype fine = testo.size();
    for (qsizetype i = 0; i < fine; ++i) {
        char32_t c = p[i];
        if (c < 128) {
            if (c >= U'a' && c <= U'z')
                c -= 32;
            else if (spazio(c))
                continue;
        } else {
            if (QChar::isHighSurrogate(c) && i + 1 < fine && QChar::isLowSurrogate(p[i + 1]))
                c = QChar::surrogateToUcs4(static_cast<char16_t>(c), p[++i]);
            if (spazio(c))
                continue;
            c = maiuscola(c);
        }
        if (n.lunghezza < 16)
            n.caratteri[static_cast<size_t>(n.lunghezza)] = c;
        if (n.lunghezza < INT_MAX)
            ++n.lunghezza;
    }
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
    Verifica v;
    v.codice = normalizza(testo);
    const auto &c = v.codice.caratteri;
    if (v.codice.lunghezza == 0)
        return difetto(v, Difetto::Vuoto);
    if (v.codice.lunghezza != 16) {
        v.valore = v.codice.lunghezza;
        return difetto(v, Difetto::Lunghezza);
    }

    // Position by position; each character in the base code is a digit again where it stood for one.
    std::array<int, 16> cifre{};
    int bit = 6;
    for (size_t i = 0; i < 16; ++i) {
        const char32_t x = c[i];
        const int posizione = static_cast<int>(i) + 1;
        switch (kTipi[i]) {
        case L:
            if (!lettera(x))
                return difetto(v, Difetto::NonLettera, posizione, x);
            v.base[i] = static_cast<char>(x);
            break;
        case M:
            v.mese = meseDi(x);
            if (v.mese == 0)
                return difetto(v, Difetto::Mese, posizione, x);
            v.base[i] = static_cast<char>(x);
            break;
        case D: {
            bool sostituita = false;
            cifre[i] = cifra(x, sostituita);
            if (cifre[i] < 0)
                return difetto(v, Difetto::NonCifra, posizione, x);
            if (sostituita)
                v.sostituzioni |= static_cast<std::uint8_t>(1U << bit);
            --bit;
            v.base[i] = static_cast<char>('0' + cifre[i]);
            break;
        }
        }

        if (posizione == 11) {
            const int giorno = cifre[9] * 10 + cifre[10];
            if (giorno >= 1 && giorno <= 31) {
                v.sesso = 'M';
                v.giorno = giorno;
            } else if (giorno >= 41 && giorno <= 71) {
                v.sesso = 'F';
                v.giorno = giorno - 40;
            } else {
                v.valore = giorno;
                return difetto(v, Difetto::Giorno);
            }
            // 29 February needs a leap year in one of the two centuries the year may belong to: for 00,
            // 2000 is one and 1900 is not; any other two digits are leap in both or in neither.
            const int aa = cifre[6] * 10 + cifre[7];
            v.valore = aa;
            if (v.giorno > giorniDelMese(v.mese, aa % 4 == 0))
                return difetto(v, Difetto::DataInesistente);
            v.valore = 0;

            // The latest century that does not put the birth after today.
            int annoOggi = 0, meseOggi = 0, giornoOggi = 0;
            (oggi.isValid() ? oggi : QDate::currentDate()).getDate(&annoOggi, &meseOggi, &giornoOggi);
            v.anno = annoOggi - annoOggi % 100 + aa;
            if (v.anno > annoOggi ||
                (v.anno == annoOggi && (v.mese > meseOggi || (v.mese == meseOggi && v.giorno > giornoOggi))))
                v.anno -= 100;
            if (v.mese == 2 && v.giorno == 29 && !bisestile(v.anno))
                v.anno += bisestile(v.anno - 100) ? -100 : 100;
        }
    }

    // The check character is computed on the code as written, omocodia letters included.
    std::array<char, 15> scritto{};
    for (size_t i = 0; i < scritto.size(); ++i)
        scritto[i] = static_cast<char>(c[i]);
    const char atteso = controllo(scritto.data());
    if (c[15] != static_cast<char32_t>(atteso))
        return difetto(v, Difetto::Controllo, 16, static_cast<char32_t>(atteso));
    v.base[15] = controllo(v.base.data());

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
        codice[15] = controllo(codice.data());
        varianti.append(QString::fromLatin1(codice.data(), 16));
    }
    return varianti;
}

} // namespace Fiscale
