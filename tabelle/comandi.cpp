#include "comandi.h"

#include <algorithm>
#include <cmath>

#include "calcolo.h"
#include "cp1252.h"
#include "numeri.h"
#include "percorsi.h"
#include "prefissi.h"
#include "riconoscidata.h"
#include "valute.h"

namespace {

const QString kDataNonValida = QStringLiteral("Data non valida");
const QString kComuneNonTrovato = QStringLiteral("Comune non trovato");
const QString kAutocontrollo =
    QStringLiteral("Il controllo del codice fiscale dà responso negativo. Provare a installare nuovamente "
                   "l'applicazione. Se l'errore persiste, contattare l'autore");

constexpr char kMesi[] = "ABCDEHLMPRST";
constexpr int kDispari[26] = {1,  0,  5, 7, 9, 13, 15, 17, 19, 21, 2,  4,  18,
                              20, 11, 3, 6, 8, 12, 14, 16, 10, 22, 25, 24, 23};

bool spazio(char c)
{
    return c == ' ' || c == '\t';
}

bool cifra(char c)
{
    return c >= '0' && c <= '9';
}

bool soloAscii(QByteArrayView b)
{
    for (char c : b) {
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    }
    return true;
}

// What each byte weighs at an odd and at an even position of a code: the tables of
// Fiscale::carattereControllo, 0 for anything outside A-Z and 0-9.
struct Pesi {
    unsigned char dispari[256]{}, pari[256]{};
    constexpr Pesi()
    {
        for (int c = 'A'; c <= 'Z'; ++c) {
            dispari[c] = static_cast<unsigned char>(kDispari[c - 'A']);
            pari[c] = static_cast<unsigned char>(c - 'A');
        }
        for (int c = '0'; c <= '9'; ++c) {
            dispari[c] = static_cast<unsigned char>(kDispari[c - '0']);
            pari[c] = static_cast<unsigned char>(c - '0');
        }
    }
};
constexpr Pesi kPesi;

// The check letter of 15 ASCII characters, as Fiscale::carattereControllo weighs them.
char letteraControllo(const char *quindici)
{
    const auto *u = reinterpret_cast<const unsigned char *>(quindici);
    int somma = 0;
    for (int i = 0; i < 14; i += 2)
        somma += kPesi.dispari[u[i]] + kPesi.pari[u[i + 1]];
    somma += kPesi.dispari[u[14]];
    return static_cast<char>('A' + somma % 26);
}

constexpr qsizetype kMassimoTesto = 128;

// A value as Windows-1252 bytes in `out` (kMassimoTesto bytes): its length, or -1 when it is longer or, from
// UTF-8, holds a character outside ASCII and U+00A0 to U+00FF.
qsizetype inCp1252(QByteArrayView valore, bool utf8, char *out)
{
    if (valore.size() > kMassimoTesto)
        return -1;
    qsizetype n = 0;
    for (qsizetype i = 0; i < valore.size(); ++i) {
        const auto b = static_cast<unsigned char>(valore[i]);
        if (b < 0x80 || !utf8) {
            out[n++] = static_cast<char>(b);
            continue;
        }
        if (i + 1 >= valore.size())
            return -1;
        const auto c = static_cast<unsigned char>(valore[i + 1]);
        if (b == 0xC2 && c >= 0xA0 && c <= 0xBF)
            out[n++] = static_cast<char>(c);
        else if (b == 0xC3 && c >= 0x80 && c <= 0xBF)
            out[n++] = static_cast<char>(c + 0x40);
        else
            return -1;
        ++i;
    }
    return n;
}

bool bisestile(int anno)
{
    return (anno % 4 == 0 && anno % 100 != 0) || anno % 400 == 0;
}

// "d/m/yyyy" with one or two digits for day and month, a four-digit year from 100, and "/", "-" or "."
// between the parts: the common case of the date recognition, read in `ordine`. False for any other text,
// for a day that does not exist, which the recognition judges, and for a date that fits both orders in a
// column that has both.
bool dataSemplice(QByteArrayView t, Fiscale::OrdineData ordine, int &giorno, int &mese, int &anno)
{
    qsizetype i = 0;
    auto numero = [&](int minimo, int massimo, int &valore) {
        const qsizetype inizio = i;
        valore = 0;
        while (i < t.size() && cifra(t[i]) && i - inizio < massimo)
            valore = valore * 10 + (t[i++] - '0');
        return i - inizio >= minimo && (i == t.size() || !cifra(t[i]));
    };
    auto separatore = [&]() {
        if (i < t.size() && (t[i] == '/' || t[i] == '-' || t[i] == '.')) {
            ++i;
            return true;
        }
        return false;
    };
    if (!numero(1, 2, giorno) || !separatore() || !numero(1, 2, mese) || !separatore() || !numero(4, 4, anno) ||
        i != t.size())
        return false;
    if (ordine == Fiscale::OrdineData::Contraddittorio) {
        if (giorno <= 12 && mese <= 12 && giorno != mese)
            return false;
        if (mese > 12)
            std::swap(giorno, mese);
    } else if (ordine == Fiscale::OrdineData::MeseGiorno) {
        std::swap(giorno, mese);
    }
    static constexpr int kGiorni[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (anno < 100 || mese < 1 || mese > 12 || giorno < 1)
        return false;
    return giorno <= kGiorni[mese - 1] + (mese == 2 && bisestile(anno) ? 1 : 0);
}

// For every Windows-1252 byte: the letter that compattastringa makes of it ('A'-'Z'), 0 when it drops it,
// 1 for any other character; and its upper case (0 when it has none in the code page). The tables come
// from the general functions themselves, one character at a time: both paths then fold and upper-case
// alike by construction.
void tabelleLettere(std::array<unsigned char, 256> &lettera, std::array<unsigned char, 256> &maiuscola)
{
    for (size_t b = 0; b < 256; ++b) {
        const QChar c = Cp1252::decodificaByte(static_cast<unsigned char>(b));
        const QString compatto = Fiscale::compattastringa(QString(c));
        if (compatto.isEmpty())
            lettera[b] = 0;
        else if (compatto.size() == 1 && compatto[0] >= u'A' && compatto[0] <= u'Z')
            lettera[b] = static_cast<unsigned char>(compatto[0].unicode());
        else
            lettera[b] = 1;
        const int m = Cp1252::byteDi(Cp1252::maiuscola(c));
        maiuscola[b] = m > 0 ? static_cast<unsigned char>(m) : 0;
    }
}

// The three letters of a surname (or, `delNome`, of a name) in Windows-1252 bytes, as parteCognome and
// parteNome give them: consonants in order, then vowels, then X; of four or more consonants of a name the
// first, third and fourth.
void parteByte(const std::array<unsigned char, 256> &lettere, QByteArrayView testo, bool delNome, char *out)
{
    char consonanti[4], vocali[3];
    int nc = 0, nv = 0;
    for (char ch : testo) {
        const unsigned char l = lettere[static_cast<unsigned char>(ch)];
        if (l < 'A')
            continue;
        if (l == 'A' || l == 'E' || l == 'I' || l == 'O' || l == 'U') {
            if (nv < 3)
                vocali[nv++] = static_cast<char>(l);
        } else if (nc < 4) {
            consonanti[nc++] = static_cast<char>(l);
        }
    }
    if (delNome && nc == 4) {
        consonanti[1] = consonanti[2];
        consonanti[2] = consonanti[3];
        nc = 3;
    }
    int k = 0;
    for (int i = 0; i < nc && k < 3; ++i)
        out[k++] = consonanti[i];
    for (int i = 0; i < nv && k < 3; ++i)
        out[k++] = vocali[i];
    while (k < 3)
        out[k++] = 'X';
}

// A key for a province's name: letters only, folded as the fiscal code folds them ("Forlì-Cesena" and
// "FORLI' CESENA" give FORLICESENA).
QString chiaveProvincia(const QString &nome)
{
    QString chiave;
    for (QChar c : Fiscale::compattastringa(nome)) {
        if (c >= u'A' && c <= u'Z')
            chiave.append(c);
    }
    return chiave;
}

} // namespace

namespace Tabelle {

QString citazione(const QString &valore)
{
    constexpr qsizetype kMassimo = 24;
    QString testo;
    for (QChar c : valore.left(kMassimo))
        testo.append(c.isPrint() && !c.isSurrogate() ? c : QChar(u'?'));
    if (valore.size() > kMassimo)
        testo.append(u'…');
    return u'«' + testo + u'»';
}

QString sessoNormale(const QString &testo)
{
    QString t = taglia(testo).toLower();
    if (t.endsWith(u'.'))
        t.chop(1);
    static const QStringList maschili{QStringLiteral("m"), QStringLiteral("maschio"), QStringLiteral("maschile"),
                                      QStringLiteral("uomo"), QStringLiteral("male")};
    static const QStringList femminili{QStringLiteral("f"), QStringLiteral("femmina"), QStringLiteral("femminile"),
                                       QStringLiteral("donna"), QStringLiteral("female")};
    if (maschili.contains(t))
        return QStringLiteral("M");
    if (femminili.contains(t))
        return QStringLiteral("F");
    return QString();
}

QByteArrayView taglia(QByteArrayView valore)
{
    while (!valore.isEmpty() && spazio(valore.front()))
        valore = valore.sliced(1);
    while (!valore.isEmpty() && spazio(valore.back()))
        valore.chop(1);
    return valore;
}

QString taglia(const QString &valore)
{
    qsizetype inizio = 0, fine = valore.size();
    while (inizio < fine && (valore[inizio] == u' ' || valore[inizio] == u'\t'))
        ++inizio;
    while (fine > inizio && (valore[fine - 1] == u' ' || valore[fine - 1] == u'\t'))
        --fine;
    return valore.mid(inizio, fine - inizio);
}

Rapido Comando::elaboraByte(const std::vector<QByteArrayView> &, Csv::Codifica, Csv::Scrittore &) const
{
    return Rapido::NonGestito;
}

void Comando::ordineDate(size_t, Fiscale::OrdineData)
{}

// ---- calcola

Calcola::Calcola(const Fiscale::TabellaCodici &tabella, QDate oggi, const QString &fileLuoghi)
    : m_tabella(tabella)
    , m_oggi(oggi)
    , m_luoghi(fileLuoghi)
{
    tabelleLettere(m_lettera, m_maiuscola);
}

std::vector<Colonna> Calcola::ingresso() const
{
    return {{QStringLiteral("cognome")}, {QStringLiteral("nome")},
            {QStringLiteral("sesso")},   {QStringLiteral("data_nascita"), true, true},
            {QStringLiteral("comune")},  {QStringLiteral("provincia")}};
}

QStringList Calcola::uscita() const
{
    return {QStringLiteral("codice_fiscale"), QStringLiteral("esito")};
}

void Calcola::ordineDate(size_t colonna, Fiscale::OrdineData ordine)
{
    if (colonna == 3)
        m_ordine = ordine;
}

std::optional<QDate> Calcola::leggiData(const QString &testo) const
{
    return Fiscale::leggiDataTabella(testo, m_ordine, m_oggi);
}

QStringList Calcola::elabora(const QStringList &valori) const
{
    // The window checks the date before anything else.
    const std::optional<QDate> data = leggiData(valori[3]);
    if (!data && m_ordine == Fiscale::OrdineData::Contraddittorio &&
        Fiscale::ordiniPossibili(valori[3].toLatin1()) == (Fiscale::kGiornoPrima | Fiscale::kMesePrima))
        return {QString(), QStringLiteral("Data ambigua: %1 si legge giorno/mese o mese/giorno, e la colonna ha "
                                          "date in entrambi gli ordini")
                               .arg(valori[3])};
    if (!data)
        return {QString(), kDataNonValida};
    const QString sesso = sessoNormale(valori[2]);
    const Fiscale::Esito esito =
        Fiscale::CodiceFiscale(valori[0], valori[1], sesso, *data, valori[4], valori[5], m_tabella, &m_luoghi);
    if (esito.codice == Fiscale::kAsterischi) {
        // The computation tells a missing sex; a sex written in some other way is named.
        if (sesso.isEmpty() && !taglia(valori[2]).isEmpty() && esito.messaggio == u"Sesso non specificato")
            return {QString(), QStringLiteral("Sesso non riconosciuto: ") + citazione(taglia(valori[2]))};
        return {QString(), esito.messaggio};
    }
    if (!Fiscale::ControllaCodiceFiscale(esito.codice))
        return {QString(), kAutocontrollo};
    return {esito.codice, QString()};
}

Rapido Calcola::elaboraByte(const std::vector<QByteArrayView> &v, Csv::Codifica codifica, Csv::Scrittore &uscita) const
{
    const QByteArrayView cognome = v[0], nome = v[1], sesso = v[2], data = v[3], comune = v[4], provincia = v[5];
    int giorno, mese, anno;
    if (!dataSemplice(data, m_ordine, giorno, mese, anno) || cognome.isEmpty() || nome.isEmpty() ||
        sesso.size() != 1 || comune.isEmpty() || provincia.size() != 2)
        return Rapido::NonGestito;
    // The four texts as Windows-1252 bytes: UTF-8 gives them for ASCII and for U+00A0 to U+00FF, where the
    // code page's bytes equal the code points; anything else goes the general way.
    const bool utf8 = codifica != Csv::Codifica::Windows1252;
    char testi[4][kMassimoTesto];
    qsizetype lunghezze[4];
    const QByteArrayView campi[4] = {cognome, nome, comune, provincia};
    for (int t = 0; t < 4; ++t) {
        lunghezze[t] = inCp1252(campi[t], utf8, testi[t]);
        if (lunghezze[t] < 0)
            return Rapido::NonGestito;
    }
    const char s = sesso[0];
    const bool maschio = s == 'M' || s == 'm';
    if (!maschio && s != 'F' && s != 'f')
        return Rapido::NonGestito;

    char codice[16];
    parteByte(m_lettera, QByteArrayView(testi[0], lunghezze[0]), false, codice);
    parteByte(m_lettera, QByteArrayView(testi[1], lunghezze[1]), true, codice + 3);
    codice[6] = static_cast<char>('0' + anno % 100 / 10);
    codice[7] = static_cast<char>('0' + anno % 10);
    codice[8] = kMesi[mese - 1];
    const int g = giorno + (maschio ? 0 : 40);
    codice[9] = static_cast<char>('0' + g / 10);
    codice[10] = static_cast<char>('0' + g % 10);

    // The keys in upper case, in place.
    for (int t = 2; t < 4; ++t) {
        for (qsizetype i = 0; i < lunghezze[t]; ++i) {
            const unsigned char m = m_maiuscola[static_cast<unsigned char>(testi[t][i])];
            if (m == 0)
                return Rapido::NonGestito;
            testi[t][i] = static_cast<char>(m);
        }
    }
    const std::optional<QByteArrayView> catastale = m_tabella.trovacodByte(
        QByteArrayView(testi[2], lunghezze[2]), QByteArrayView(testi[3], lunghezze[3]), anno * 10000 + mese * 100 + giorno);
    if (!catastale) // the general path looks for the place as people write it
        return Rapido::NonGestito;
    if (catastale->size() != 4 || !soloAscii(*catastale))
        return Rapido::NonGestito;
    std::copy(catastale->begin(), catastale->end(), codice + 11);
    codice[15] = letteraControllo(codice);
    uscita.separatore();
    uscita.campo(QByteArrayView(codice, 16));
    uscita.separatore();
    return Rapido::Fatto;
}

// ---- verifica

namespace {

// What a byte stands for at a digit position of a code: its digit, the digit of its omocodia letter plus
// 10, or kNessuna.
constexpr unsigned char kNessuna = 0xFF;
struct Cifre {
    unsigned char valore[256]{};
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

} // namespace

VerificaCmd::VerificaCmd(const Fiscale::TabellaCodici &tabella, QDate oggi)
    : m_tabella(tabella)
    , m_indice(tabella)
    , m_oggi(oggi)
{
    oggi.getDate(&m_annoOggi, &m_meseOggi, &m_giornoOggi);
    const size_t n = static_cast<size_t>(qMax(0, tabella.numeroVoci()));
    m_comuniUtf8.resize(n);
    m_comuniCp1252.resize(n);
    m_province.resize(n);
    m_voci.assign(n, Voce::DaPreparare);
    std::array<unsigned char, 256> maiuscole{};
    tabelleLettere(m_lettera, maiuscole);
    for (size_t b = 0; b < 256; ++b)
        m_spazio[b] = Cp1252::decodificaByte(static_cast<unsigned char>(b)).isSpace();
}

QString VerificaCmd::testoComune(const Fiscale::Luogo &luogo)
{
    // A suppressed municipality as the window shows it, "BELLAGIO (CO) (soppresso il 03/02/2014)".
    return luogo.cessato() ? Fiscale::testoLuogo(luogo) : luogo.nome;
}

// An entry's texts in bytes, prepared the first time a code names it: a single code on the command line
// does not pay for the whole table.
void VerificaCmd::prepara(int voce) const
{
    const auto i = static_cast<size_t>(voce);
    const Fiscale::TabellaCodici::Voce v = m_tabella.voce(voce);
    Fiscale::Luogo l;
    l.trovato = true;
    l.nome = v.nomeIntero;
    l.provincia = v.provincia;
    l.estero = v.provincia == u"EE";
    l.vita = m_indice.vita(v.codice.isEmpty() ? char(0) : v.codice[0].toLatin1(), v.codice.mid(1).toInt());
    const QString comune = testoComune(l);
    m_comuniUtf8[i] = comune.toUtf8();
    m_comuniCp1252[i] = Cp1252::codifica(comune);
    m_province[i] = Cp1252::codifica(v.provincia);
    const QString tutto = comune + v.provincia;
    const bool semplice =
        !tutto.contains(u';') && !tutto.contains(u',') && !tutto.contains(u'\t') && !tutto.contains(u'"');
    m_voci[i] = semplice ? Voce::Semplice : Voce::DaVirgolettare;
}

std::vector<Colonna> VerificaCmd::ingresso() const
{
    return {{QStringLiteral("codice_fiscale")}, {QStringLiteral("cognome"), false}, {QStringLiteral("nome"), false}};
}

QStringList VerificaCmd::uscita() const
{
    return {QStringLiteral("esito"),  QStringLiteral("sesso"),     QStringLiteral("data_nascita"),
            QStringLiteral("comune"), QStringLiteral("provincia"), QStringLiteral("codice_base"),
            QStringLiteral("avviso")};
}

QStringList VerificaCmd::elabora(const QStringList &valori) const
{
    const Fiscale::Verifica v = Fiscale::verifica(valori[0], &m_indice, m_oggi);
    if (!v.valido())
        return {Fiscale::esito(v), QString(), QString(), QString(), QString(), QString(), QString()};
    const Fiscale::Luogo l = Fiscale::luogo(v, m_tabella);
    QStringList esiti;
    if (!l.trovato)
        esiti.append(Fiscale::testoLuogo(v, m_tabella));
    const Fiscale::Confronto c = Fiscale::confronta(v, valori.value(1), valori.value(2));
    if ((c.cognomeDato && !c.cognomeUguale) || (c.nomeDato && !c.nomeUguale))
        esiti.append(Fiscale::testoConfronto(c));
    return {esiti.join(QStringLiteral("; ")),
            Fiscale::testoSesso(v),
            Fiscale::testoData(v),
            testoComune(l),
            l.provincia,
            v.omocodico() ? v.codiceBase() : QString(),
            Fiscale::avvisoLuogo(v, m_tabella)};
}

bool VerificaCmd::nomeCorrisponde(QByteArrayView valore, bool delNome, bool utf8, const char *lettere) const
{
    if (valore.isEmpty())
        return true; // not given: not compared
    char testo[kMassimoTesto];
    const qsizetype n = inCp1252(valore, utf8, testo);
    // A value of white space alone is not given either: the general way tells it.
    if (n <= 0 || m_spazio[static_cast<unsigned char>(testo[0])])
        return false;
    char attese[3];
    parteByte(m_lettera, QByteArrayView(testo, n), delNome, attese);
    return std::equal(attese, attese + 3, lettere);
}

Rapido VerificaCmd::elaboraByte(const std::vector<QByteArrayView> &v, Csv::Codifica codifica,
                                Csv::Scrittore &uscita) const
{
    // The common case: sixteen upper-case characters (omocodia letters included), a known place, and a
    // surname and name, when given, that match. The checks are those of Fiscale::verifica on that case;
    // every fault goes the general way, for its message.
    const QByteArrayView codice = v[0];
    if (codice.size() != 16)
        return Rapido::NonGestito;
    const char *c = codice.data();
    static constexpr char kTipi[] = "LLLLLLDDMDDLDDDL";
    char base[16];
    bool omocodico = false;
    for (int i = 0; i < 16; ++i) {
        const char x = c[i];
        if (kTipi[i] == 'D') {
            const unsigned char d = kCifre.valore[static_cast<unsigned char>(x)];
            if (d == kNessuna)
                return Rapido::NonGestito;
            omocodico = omocodico || d >= 10;
            base[i] = static_cast<char>('0' + d % 10);
        } else {
            if (x < 'A' || x > 'Z')
                return Rapido::NonGestito;
            base[i] = x;
        }
    }
    int mese = 0;
    for (int m = 0; m < 12 && mese == 0; ++m)
        mese = base[8] == kMesi[m] ? m + 1 : 0;
    int giorno = (base[9] - '0') * 10 + (base[10] - '0');
    const char sesso = giorno > 40 ? 'F' : 'M';
    if (giorno > 40)
        giorno -= 40;
    const int aa = (base[6] - '0') * 10 + (base[7] - '0');
    static constexpr int kGiorni[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (mese == 0 || giorno < 1 || giorno > 31 || giorno > kGiorni[mese - 1] + (mese == 2 && aa % 4 == 0) ||
        letteraControllo(c) != c[15])
        return Rapido::NonGestito;
    base[15] = omocodico ? letteraControllo(base) : c[15];
    const bool utf8 = codifica != Csv::Codifica::Windows1252;
    if (v.size() > 2 && (!nomeCorrisponde(v[1], false, utf8, base) || !nomeCorrisponde(v[2], true, utf8, base + 3)))
        return Rapido::NonGestito;
    // The latest century that does not put the birth after today; 29 February moves to a century where
    // it exists.
    int anno = m_annoOggi - m_annoOggi % 100 + aa;
    if (anno > m_annoOggi ||
        (anno == m_annoOggi && (mese > m_meseOggi || (mese == m_meseOggi && giorno > m_giornoOggi))))
        anno -= 100;
    if (mese == 2 && giorno == 29 && !bisestile(anno))
        anno += bisestile(anno - 100) ? -100 : 100;
    const int voce = m_indice.cerca(base[11], (base[12] - '0') * 100 + (base[13] - '0') * 10 + (base[14] - '0'));
    if (voce < 0 || voce >= static_cast<int>(m_voci.size()))
        return Rapido::NonGestito;
    // A place that did not surely exist on the day of birth: the general path writes the warning.
    if (!m_indice.esisteIl(base[11], (base[12] - '0') * 100 + (base[13] - '0') * 10 + (base[14] - '0'),
                           anno * 10000 + mese * 100 + giorno, m_tabella))
        return Rapido::NonGestito;
    const auto i = static_cast<size_t>(voce);
    if (m_voci[i] == Voce::DaPreparare)
        prepara(voce);
    const char data[10] = {char('0' + giorno / 10),      char('0' + giorno % 10),     '/',
                           char('0' + mese / 10),        char('0' + mese % 10),       '/',
                           char('0' + anno / 1000 % 10), char('0' + anno / 100 % 10), char('0' + anno / 10 % 10),
                           char('0' + anno % 10)};
    uscita.separatore();
    uscita.separatore();
    uscita.grezzo(QByteArrayView(&sesso, 1));
    uscita.separatore();
    uscita.grezzo(QByteArrayView(data, 10));
    uscita.separatore();
    const auto &comuni = codifica == Csv::Codifica::Windows1252 ? m_comuniCp1252 : m_comuniUtf8;
    if (m_voci[i] == Voce::Semplice) {
        uscita.grezzo(comuni[i]);
        uscita.separatore();
        uscita.grezzo(m_province[i]);
    } else {
        uscita.campo(comuni[i]);
        uscita.separatore();
        uscita.campo(m_province[i]);
    }
    uscita.separatore(); // codice_base
    if (omocodico)
        uscita.grezzo(QByteArrayView(base, 16));
    uscita.separatore(); // avviso
    return Rapido::Fatto;
}

// ---- partita-iva

PartitaIvaCmd::PartitaIvaCmd()
{
    PartitaIva::riempiUffici(m_uffici);
    for (const QString &ufficio : m_uffici) {
        m_ufficiUtf8.push_back(ufficio.toUtf8());
        m_ufficiCp1252.push_back(Cp1252::codifica(ufficio));
    }
    // The esito of an office code that names no office: ASCII, the same in both encodings.
    PartitaIva::Controllo c;
    c.stato = PartitaIva::Stato::UfficioInesistente;
    for (int codice = 0; codice < 1000; ++codice) {
        c.ufficio = codice;
        m_esitiUfficio.push_back(PartitaIva::ufficioEsiste(codice) ? QByteArray()
                                                                   : PartitaIva::messaggio(c, m_uffici).toLatin1());
    }
}

std::vector<Colonna> PartitaIvaCmd::ingresso() const
{
    return {{QStringLiteral("partita_iva")}};
}

QStringList PartitaIvaCmd::uscita() const
{
    return {QStringLiteral("esito"), QStringLiteral("ufficio")};
}

QString PartitaIvaCmd::responso(const QString &numero) const
{
    return PartitaIva::messaggio(PartitaIva::controlla(PartitaIva::normalizza(numero)), m_uffici);
}

QStringList PartitaIvaCmd::elabora(const QStringList &valori) const
{
    const PartitaIva::Controllo c = PartitaIva::controlla(PartitaIva::normalizza(valori[0]));
    if (c.stato == PartitaIva::Stato::Esatta)
        return {QString(), PartitaIva::officefinder(m_uffici, c.ufficio)};
    return {PartitaIva::messaggio(c, m_uffici), QString()};
}

Rapido PartitaIvaCmd::elaboraByte(const std::vector<QByteArrayView> &v, Csv::Codifica codifica,
                                  Csv::Scrittore &uscita) const
{
    // Eleven digits as written; anything to drop or to suggest goes the general way.
    const QByteArrayView numero = v[0];
    if (numero.size() != 11)
        return Rapido::NonGestito;
    bool zeri = true;
    for (char c : numero) {
        if (!cifra(c))
            return Rapido::NonGestito;
        zeri = zeri && c == '0';
    }
    if (zeri)
        return Rapido::NonGestito;
    uscita.separatore();
    int totale = 0;
    for (int i = 0; i < 10; ++i) {
        const int d = numero[i] - '0';
        totale += i % 2 == 0 ? d : (d >= 5 ? 2 * d - 9 : 2 * d);
    }
    const int controllo = (10 - totale % 10) % 10;
    if (numero[10] != '0' + controllo) {
        const char messaggio[] = "Errore! L'ultimo numero doveva essere:  ";
        uscita.grezzo(QByteArrayView(messaggio, sizeof messaggio - 1));
        const char c = static_cast<char>('0' + controllo);
        uscita.grezzo(QByteArrayView(&c, 1));
        uscita.separatore();
        return Rapido::ConEsito;
    }
    const int codice = (numero[7] - '0') * 100 + (numero[8] - '0') * 10 + (numero[9] - '0');
    const auto ufficio = static_cast<size_t>(codice);
    if (!m_esitiUfficio[ufficio].isEmpty()) {
        uscita.grezzo(m_esitiUfficio[ufficio]);
        uscita.separatore();
        return Rapido::ConEsito;
    }
    uscita.separatore();
    const auto &nomi = codifica == Csv::Codifica::Windows1252 ? m_ufficiCp1252 : m_ufficiUtf8;
    uscita.campo(nomi[ufficio]);
    return Rapido::Fatto;
}

// ---- comune

ComuneCmd::ComuneCmd(const ElencoComuni::Elenco &elenco, const QString &fileLuoghi, const QString &fileCodici)
    : m_elenco(elenco)
    , m_ricerca(elenco, fileCodici)
    , m_tollerante(fileLuoghi)
{}

std::vector<Colonna> ComuneCmd::ingresso() const
{
    return {{QStringLiteral("comune"), false}, {QStringLiteral("provincia"), false}, {QStringLiteral("cap"), false}};
}

QStringList ComuneCmd::uscita() const
{
    return {QStringLiteral("denominazione"), QStringLiteral("cap"),     QStringLiteral("provincia"),
            QStringLiteral("sigla"),         QStringLiteral("regione"), QStringLiteral("prefisso"),
            QStringLiteral("esito"),         QStringLiteral("avviso")};
}

QStringList ComuneCmd::elabora(const QStringList &valori) const
{
    auto soloEsito = [](const QString &esito) {
        return QStringList{QString(), QString(), QString(), QString(), QString(), QString(), esito, QString()};
    };
    // A table may give the postal code in a column of its own.
    QString nome = ElencoComuni::togliSpazi(Cp1252::maiuscole(valori[0].isEmpty() ? valori.value(2) : valori[0]));
    QString sigla = valori.value(1).trimmed();
    ElencoComuni::RicercaComune::provinciaTraParentesi(nome, sigla); // "SAMONE (TO)"
    if (nome.isEmpty())
        return soloEsito(QStringLiteral("Comune non specificato"));
    using Esito = ElencoComuni::RicercaComune::Risposta::Esito;
    const ElencoComuni::RicercaComune::Risposta r = m_ricerca.cerca(nome, sigla);
    if (r.esito == Esito::Scelta || r.esito == Esito::ProvinciaErrata)
        return soloEsito(r.messaggio);
    int posizione = r.posizione;
    if (r.esito == Esito::NonTrovato) {
        // Not as written: a postal code, or the name as people write it, in the provinces the text names.
        const QStringList sigle = m_ricerca.sigle(sigla);
        std::vector<int> candidati;
        for (int i : m_tollerante.cerca(m_elenco, nome, sigle.size() == 1 ? sigle[0] : QString())) {
            if (sigle.size() < 2 || sigle.contains(m_elenco.elencosigle[i]))
                candidati.push_back(i);
        }
        if (!sigla.isEmpty() && sigle.isEmpty())
            candidati.clear();
        if (candidati.size() > 1)
            return soloEsito((Luoghi::eCap(nome) ? QStringLiteral("CAP di più comuni: ")
                                                 : kComuneNonTrovato + QStringLiteral(". Forse cercavi: ")) +
                             m_ricerca.elenco(candidati));
        if (candidati.empty())
            return soloEsito(kComuneNonTrovato);
        posizione = candidati.front();
    }
    const ElencoComuni::Dettagli d = ElencoComuni::dettagli(m_elenco, posizione);
    // Found by one of its postal codes: that code, rather than the one the directory gives.
    return {m_elenco.nomi[posizione],
            Luoghi::eCap(nome) ? nome : taglia(d.cap),
            taglia(m_ricerca.provincia(posizione)),
            taglia(d.sigla),
            taglia(d.regione),
            taglia(d.prefisso),
            QString(),
            r.avviso};
}

// ---- euro, prefisso

namespace {

constexpr const char *kCodiciIso[] = {"ITL", "DEM", "BEF", "ESP", "FRF", "IEP", "NLG", "ATS", "PTE", "FIM"};

// The position of `testo` among `nomi`: equal (case ignored), else the only name that starts with it;
// -1 when none, -2 when several.
int scegli(const QStringList &nomi, const QString &testo)
{
    int trovato = -1;
    for (int i = 0; i < nomi.size(); ++i) {
        if (nomi[i].compare(testo, Qt::CaseInsensitive) == 0)
            return i;
    }
    for (int i = 0; i < nomi.size(); ++i) {
        if (nomi[i].startsWith(testo, Qt::CaseInsensitive))
            trovato = trovato == -1 ? i : -2;
    }
    return trovato;
}

// An amount as people type it: "1936.27", "1936,27", "1.936,27", "1,936.27". The last of point and
// comma separates the decimals; the other one groups thousands and goes. Nothing when it is not a number.
std::optional<QString> importoNormale(const QString &testo)
{
    QString t = taglia(testo);
    const qsizetype punto = t.lastIndexOf(u'.'), virgola = t.lastIndexOf(u',');
    if (virgola > punto) {
        t.remove(u'.');
        t.replace(u',', u'.');
    } else {
        t.remove(u',');
    }
    bool ok = false;
    const double valore = t.toDouble(&ok);
    if (!ok || !std::isfinite(valore) || t.contains(u'e', Qt::CaseInsensitive))
        return std::nullopt;
    return t;
}

} // namespace

Risposta euro(const QString &importo, const QString &valuta, bool daEuro)
{
    const QStringList nomi = Valute::nomi();
    QStringList codici;
    for (const char *c : kCodiciIso)
        codici.append(QString::fromLatin1(c));
    int posto = scegli(nomi, taglia(valuta));
    if (posto < 0 && codici.contains(taglia(valuta), Qt::CaseInsensitive))
        posto = static_cast<int>(codici.indexOf(taglia(valuta).toUpper()));
    if (posto < 0) {
        QStringList elenco;
        for (int i = 0; i < nomi.size(); ++i)
            elenco.append(nomi[i] + QStringLiteral(" (") + codici[i] + u')');
        return {QString(), (posto == -2 ? QStringLiteral("Valuta ambigua: «%1». Valute: %2")
                                        : QStringLiteral("Valuta sconosciuta: «%1». Valute: %2"))
                               .arg(valuta, elenco.join(QStringLiteral(", ")))};
    }
    const std::optional<QString> numero = importoNormale(importo);
    if (!numero)
        return {QString(), QStringLiteral("Importo non valido: «%1»").arg(importo)};
    Valute::Cambi cambi;
    Valute::riempiCambi(cambi);
    const double cambio = cambi[static_cast<size_t>(posto)];
    const QLocale italiano(QLocale::Italian, QLocale::Italy);
    if (!daEuro) {
        const std::optional<Valute::Euro> e = Valute::inEuro(Numeri::leggi(*numero).value_or(0), cambio);
        if (!e)
            return {QString(), QStringLiteral("Importo fuori dall'intervallo: «%1»").arg(importo)};
        return {Numeri::scrivi(e->interi, italiano) + u',' + QString::number(e->centesimi).rightJustified(2, u'0'),
                QString()};
    }
    // Euros and cents as the window takes them from its two boxes: "5.16" is 5 euros and 16 cents.
    const qsizetype punto = numero->indexOf(u'.');
    const QString interi = punto < 0 ? *numero : numero->left(punto);
    QString centesimi = punto < 0 ? QString() : numero->mid(punto + 1);
    if (centesimi.size() < 2)
        centesimi = centesimi.leftJustified(2, u'0');
    centesimi.insert(2, u'.');
    double c = Numeri::leggi(centesimi).value_or(0);
    if (interi.startsWith(u'-'))
        c = -c;
    const std::optional<double> v = Valute::inValuta(Numeri::leggi(interi).value_or(0), c, cambio);
    if (!v)
        return {QString(), QStringLiteral("Importo fuori dall'intervallo: «%1»").arg(importo)};
    return {Numeri::scrivi(*v, italiano), QString()};
}

Risposta prefisso(const QString &paese)
{
    const QStringList voci = Prefissi::voci();
    QStringList nomi;
    for (const QString &voce : voci)
        nomi.append(voce.left(Prefissi::kLarghezzaNome).trimmed());
    const int posto = scegli(nomi, taglia(paese));
    if (posto == -2)
        return {QString(), QStringLiteral("Paese ambiguo: «%1»").arg(paese)};
    if (posto < 0 || taglia(paese).isEmpty())
        return {QString(), QStringLiteral("Paese non trovato: «%1»").arg(paese)};
    return {Prefissi::prefisso(voci[posto]), QString()};
}

} // namespace Tabelle
