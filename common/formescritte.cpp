// The forms clerks write a place in, searched after the tolerant search of Luoghi::Indice has found
// nothing: a postal code, abbreviations, either half of a double name, the start of a name, and the names
// one or two letters off, which are only offered.
#include <algorithm>
#include <array>
#include <cstdlib>

#include <QHash>

#include "luoghi.h"

namespace Luoghi {

namespace {

// A character that forma keeps.
bool tenuto(QChar c)
{
    const char16_t u = c.unicode();
    if (u < 128)
        return (u >= u'A' && u <= u'Z') || (u >= u'a' && u <= u'z') || (u >= u'0' && u <= u'9');
    return c.isLetterOrNumber();
}

// What an abbreviated word stands for. S. before a vowel is also SANT' (S. Agata, SANT'AGATA).
const QHash<QString, QStringList> &abbreviazioni()
{
    static const QHash<QString, QStringList> tabella{
        {QStringLiteral("S"),
         {QStringLiteral("SAN"), QStringLiteral("SANTO"), QStringLiteral("SANTA"), QStringLiteral("SANTI"),
          QStringLiteral("SANT")}},
        {QStringLiteral("SS"), {QStringLiteral("SANTI")}},
        {QStringLiteral("STO"), {QStringLiteral("SANTO")}},
        {QStringLiteral("STA"), {QStringLiteral("SANTA")}},
        {QStringLiteral("STI"), {QStringLiteral("SANTI")}},
        {QStringLiteral("ST"), {QStringLiteral("SAINT")}},
    };
    return tabella;
}

// At most this many abbreviations of a text are written out, every combination of theirs.
constexpr int kAbbreviazioni = 2;

// The bit of a character in the sets of letters below: one for each letter, five shared by the digits, one
// for anything else.
quint32 bitLettera(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= u'A' && u <= u'Z')
        return 1u << (u - u'A');
    if (u >= u'0' && u <= u'9')
        return 1u << (26 + (u - u'0') % 5);
    return 1u << 31;
}

// The letters of a form as two sets, those it has (low half) and those it has twice (high half). An edit of
// one character changes the count of at most two letters by one, and so at most two bits: two forms whose
// sets differ in more than 2d bits are more than d edits apart.
quint64 insiemeLettere(QStringView f)
{
    quint32 una = 0, due = 0;
    for (QChar c : f) {
        const quint32 bit = bitLettera(c);
        due |= una & bit;
        una |= bit;
    }
    return quint64(due) << 32 | una;
}

// The sets of letters (see insiemeLettere) of every start of a form, insiemi[k] for its first k characters.
template <size_t N>
void insiemiInizi(QStringView f, std::array<quint64, N> &insiemi)
{
    quint32 una = 0, due = 0;
    insiemi[0] = 0;
    for (qsizetype k = 0; k < f.size() && static_cast<size_t>(k + 1) < N; ++k) {
        const quint32 bit = bitLettera(f[k]);
        due |= una & bit;
        una |= bit;
        insiemi[static_cast<size_t>(k + 1)] = quint64(due) << 32 | una;
    }
}

// True when x has at most k bits set. The bits are counted in place: the library's count is a function
// call on processors without an instruction for it.
bool alPiu(quint64 x, uint k)
{
    x -= (x >> 1) & 0x5555555555555555ull;
    x = (x & 0x3333333333333333ull) + ((x >> 2) & 0x3333333333333333ull);
    x = (x + (x >> 4)) & 0x0F0F0F0F0F0F0F0Full;
    return ((x * 0x0101010101010101ull) >> 56) <= k;
}

// The edits allowed to a near spelling of a form of n characters.
int modificheAmmesse(qsizetype n)
{
    if (n < 4)
        return 0;
    return n <= 5 ? 1 : 2;
}

constexpr qsizetype kLunghezzaMassima = 63;
// No place is written longer than this, nor with more than this many names in one.
constexpr qsizetype kTestoMassimo = 120;
constexpr qsizetype kNomiMassimi = 3;

void unisci(std::vector<int> &posti, const std::vector<int> &altri)
{
    for (int p : altri) {
        if (std::find(posti.begin(), posti.end(), p) == posti.end())
            posti.push_back(p);
    }
}

// The words of a text, each reduced as forma reduces it.
std::vector<QString> formeParole(QStringView testo)
{
    std::vector<QString> forme;
    qsizetype inizio = -1;
    for (qsizetype i = 0; i <= testo.size(); ++i) {
        const bool dentro = i < testo.size() && tenuto(testo[i]);
        if (dentro && inizio < 0) {
            inizio = i;
        } else if (!dentro && inizio >= 0) {
            forme.push_back(forma(testo.sliced(inizio, i - inizio)));
            inizio = -1;
        }
    }
    return forme;
}

// A name reduced as forma reduces it, with the places where its words end: bit i when a word ends after the
// first i characters of the form. The end of the name is not marked: a start of a name is shorter.
struct Parole {
    QString forma;
    quint64 confini = 0;
};

Parole formaEConfini(QStringView testo)
{
    Parole p;
    p.forma.reserve(testo.size());
    bool separato = false;
    for (QChar c : testo) {
        const qsizetype prima = p.forma.size();
        appendiForma(p.forma, c);
        if (p.forma.size() == prima) {
            separato = true;
            continue;
        }
        if (separato && prima > 0 && prima <= kLunghezzaMassima)
            p.confini |= quint64(1) << prima;
        separato = false;
    }
    return p;
}

// The pairs of next characters of a form, each as one of 64 bits. An edit of one character takes away at most
// three pairs (two next to each other swapped), so a form that has more than 3d pairs that another lacks is
// more than d edits from it.
quint64 coppie(QStringView f)
{
    quint64 insieme = 0;
    for (qsizetype i = 1; i < f.size(); ++i)
        insieme |= quint64(1) << ((f[i - 1].unicode() * 31u + f[i].unicode()) % 64u);
    return insieme;
}

// Forms in the order of their characters' codes, quicker than QString's comparison.
bool primaDi(QStringView a, QStringView b)
{
    return std::lexicographical_compare(a.utf16(), a.utf16() + a.size(), b.utf16(), b.utf16() + b.size());
}

// The forms of a text with its abbreviations written out, every combination of the first two; none when it
// has no abbreviation.
std::vector<QString> abbreviazioniSciolte(const std::vector<QString> &parole)
{
    std::vector<QString> forme{QString()};
    int sciolte = 0;
    for (size_t i = 0; i < parole.size(); ++i) {
        QString parola = parole[i];
        // "S.ta Maria": the dot inside the abbreviation.
        if (parola == u"S" && i + 2 < parole.size() &&
            (parole[i + 1] == u"TA" || parole[i + 1] == u"TO" || parole[i + 1] == u"TI"))
            parola += parole[++i];
        const auto it = abbreviazioni().constFind(parola);
        // An abbreviation stands before a name, never last.
        if (it == abbreviazioni().constEnd() || i + 1 == parole.size() || sciolte == kAbbreviazioni) {
            for (QString &f : forme)
                f += parola;
            continue;
        }
        ++sciolte;
        std::vector<QString> nuove;
        nuove.reserve(forme.size() * static_cast<size_t>(it->size()));
        for (const QString &f : forme) {
            for (const QString &intera : *it)
                nuove.push_back(f + intera);
        }
        forme.swap(nuove);
    }
    if (sciolte == 0)
        forme.clear();
    return forme;
}

// The edits between a and b (one character changed, added or left out, or two next to each other swapped),
// or massimo + 1 when more than massimo. With fineLibera, the edits between a and the start of b closest to
// it. Only the cells within massimo of the diagonal are worked out: the others are more than massimo.
int distanza(QStringView a, QStringView b, int massimo, bool fineLibera)
{
    const qsizetype n = a.size(), m = b.size();
    const int oltre = massimo + 1;
    if (n > kLunghezzaMassima || m > kLunghezzaMassima || (!fineLibera && std::abs(n - m) > massimo))
        return oltre;
    std::array<std::array<int, kLunghezzaMassima + 2>, 3> righe; // only the cells of the band are read
    for (qsizetype j = 0; j <= std::min<qsizetype>(m + 1, massimo + 2); ++j)
        righe[0][static_cast<size_t>(j)] = j <= massimo ? static_cast<int>(j) : oltre;
    for (qsizetype i = 1; i <= n; ++i) {
        auto &riga = righe[static_cast<size_t>(i % 3)];
        const auto &sopra = righe[static_cast<size_t>((i - 1) % 3)];
        const auto &dueSopra = righe[static_cast<size_t>((i + 1) % 3)];
        const qsizetype da = std::max<qsizetype>(1, i - massimo), a_ = std::min<qsizetype>(m, i + massimo);
        riga[0] = i <= massimo ? static_cast<int>(i) : oltre;
        riga[static_cast<size_t>(da - 1)] = da > 1 ? oltre : riga[0];
        int minimo = oltre;
        for (qsizetype j = da; j <= a_; ++j) {
            const auto u = static_cast<size_t>(j);
            int d = std::min({sopra[u] + 1, riga[u - 1] + 1, sopra[u - 1] + (a[i - 1] == b[j - 1] ? 0 : 1)});
            if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1])
                d = std::min(d, dueSopra[u - 2] + 1);
            riga[u] = std::min(d, oltre);
            minimo = std::min(minimo, riga[u]);
        }
        riga[static_cast<size_t>(a_ + 1)] = oltre; // above the next row's last cell
        // No row has a smaller least value than the one above it.
        if (minimo > massimo)
            return oltre;
    }
    const auto &ultima = righe[static_cast<size_t>(n % 3)];
    if (!fineLibera)
        return ultima[static_cast<size_t>(m)];
    const qsizetype da = std::max<qsizetype>(0, n - massimo), a_ = std::min<qsizetype>(m, n + massimo);
    return da > a_ ? oltre : *std::min_element(ultima.begin() + da, ultima.begin() + a_ + 1);
}

} // namespace

// ---- the tables of an index

struct Indice::Scritture {
    struct Voce {
        QString forma;
        // cppcheck-suppress unusedStructMember ; read through an iterator in perInizio
        quint64 confini; // where its words end, see Parole
        int luogo;
        bool tagliata; // the name of a table that cuts its names
    };
    std::vector<Voce> voci; // by form

    std::vector<std::pair<QString, int>> tagliate; // the forms of the cut names, by form
    std::vector<qsizetype> lunghezzeTagliate;      // their lengths, each once

    // The whole forms by length, with their letters, for the near spellings.
    struct Vicina {
        quint64 lettere;
        quint64 coppie;
        quint32 inizio; // of its form in `caratteri`
        int luogo;
    };
    std::vector<Vicina> perLunghezza;
    std::vector<char16_t> caratteri;                         // the forms of perLunghezza, one after the other
    std::array<size_t, kLunghezzaMassima + 2> daLunghezza{}; // the first of each length
    std::vector<int> vociTagliate;
    std::vector<quint64> lettereTagliate; // their letters
    std::vector<quint64> coppieTagliate;  // their pairs of letters

    // The places of the cut names that `f` starts with.
    std::vector<int> perTaglio(const QString &f) const;
    // The places whose name, or other name, starts with the words of `f`.
    std::vector<int> perInizio(const QString &f) const;
};

std::vector<int> Indice::Scritture::perTaglio(const QString &f) const
{
    std::vector<int> posti;
    const auto perForma = [](const std::pair<QString, int> &x, QStringView y) { return primaDi(x.first, y); };
    for (qsizetype n : lunghezzeTagliate) {
        if (n > f.size())
            break;
        const QStringView inizio = QStringView(f).first(n);
        for (auto it = std::lower_bound(tagliate.begin(), tagliate.end(), inizio, perForma);
             it != tagliate.end() && it->first == inizio; ++it)
            posti.push_back(it->second);
    }
    return posti;
}

std::vector<int> Indice::Scritture::perInizio(const QString &f) const
{
    std::vector<int> posti;
    const qsizetype n = f.size();
    if (n < 3)
        return posti;
    auto it = std::lower_bound(voci.begin(), voci.end(), f,
                               [](const Voce &v, const QString &x) { return primaDi(v.forma, x); });
    for (; it != voci.end() && it->forma.startsWith(f); ++it) {
        if (it->forma.size() == n || (n <= kLunghezzaMassima && (it->confini >> n) & 1))
            posti.push_back(it->luogo);
    }
    return posti;
}

const Indice::Scritture &Indice::scritture() const
{
    if (m_scritture)
        return *m_scritture;
    auto s = std::make_shared<Scritture>();
    const auto aggiungiVoce = [&s](const QString &nome, int luogo, bool tagliata) {
        Parole p = formaEConfini(nome);
        if (!p.forma.isEmpty())
            s->voci.push_back({std::move(p.forma), p.confini, luogo, tagliata});
    };
    for (size_t i = 0; i < m_luoghi.size(); ++i)
        aggiungiVoce(m_luoghi[i].nome, static_cast<int>(i), m_taglio > 0 && m_luoghi[i].nome.size() >= m_taglio);
    for (auto it = m_interi.constBegin(); it != m_interi.constEnd(); ++it)
        aggiungiVoce(it.value(), it.key(), false);
    for (const auto &[nome, luogo] : m_altriNomi)
        aggiungiVoce(nome, luogo, false);
    std::sort(s->voci.begin(), s->voci.end(), [](const Scritture::Voce &a, const Scritture::Voce &b) {
        return primaDi(a.forma, b.forma) || (a.forma == b.forma && a.luogo < b.luogo);
    });

    std::array<std::vector<Scritture::Vicina>, kLunghezzaMassima + 1> perLunghezza;
    for (size_t i = 0; i < s->voci.size(); ++i) {
        const Scritture::Voce &v = s->voci[i];
        if (v.tagliata) {
            s->tagliate.emplace_back(v.forma, v.luogo);
            s->lunghezzeTagliate.push_back(v.forma.size());
            s->vociTagliate.push_back(static_cast<int>(i));
            s->lettereTagliate.push_back(insiemeLettere(v.forma));
            s->coppieTagliate.push_back(coppie(v.forma));
        } else if (v.forma.size() <= kLunghezzaMassima) {
            perLunghezza[static_cast<size_t>(v.forma.size())].push_back(
                {insiemeLettere(v.forma), coppie(v.forma), static_cast<quint32>(i), v.luogo});
        }
    }
    std::sort(s->lunghezzeTagliate.begin(), s->lunghezzeTagliate.end());
    s->lunghezzeTagliate.erase(std::unique(s->lunghezzeTagliate.begin(), s->lunghezzeTagliate.end()),
                               s->lunghezzeTagliate.end());
    for (size_t n = 0; n < perLunghezza.size(); ++n) {
        s->daLunghezza[n] = s->perLunghezza.size();
        for (Scritture::Vicina x : perLunghezza[n]) {
            const QString &f = s->voci[x.inizio].forma;
            x.inizio = static_cast<quint32>(s->caratteri.size());
            s->caratteri.insert(s->caratteri.end(), f.utf16(), f.utf16() + f.size());
            s->perLunghezza.push_back(x);
        }
    }
    s->daLunghezza[kLunghezzaMassima + 1] = s->perLunghezza.size();
    m_scritture = std::move(s);
    return *m_scritture;
}

// ---- the searches

std::vector<Luogo> Indice::perCap(const Dati &dati, QStringView cap, QStringView sigla) const
{
    std::vector<int> posti;
    for (const Luogo &l : dati.perCap(cap)) {
        const int p = luogoDi(l.nome, l.sigla);
        if (p >= 0)
            unisci(posti, {p});
    }
    std::sort(posti.begin(), posti.end());
    return risultati(posti, sigla);
}

// One name as clerks write it: with its abbreviations written out, else as the start of a name.
std::vector<int> Indice::cercaParte(QStringView testo) const
{
    const std::vector<QString> formeDelleParole = formeParole(testo);
    if (formeDelleParole.empty())
        return {};
    const Scritture &s = scritture();
    QString intera;
    for (const QString &p : formeDelleParole)
        intera += p;
    std::vector<QString> forme = abbreviazioniSciolte(formeDelleParole);
    forme.push_back(intera);
    std::vector<int> posti;
    for (const QString &f : forme) {
        unisci(posti, m_perForma.value(f));
        unisci(posti, s.perTaglio(f));
    }
    if (!posti.empty())
        return posti;
    for (const QString &f : forme)
        unisci(posti, s.perInizio(f));
    return posti;
}

std::vector<Luogo> Indice::cercaComeScritto(QStringView testo, QStringView sigla) const
{
    std::vector<int> posti;
    if (testo.size() > kTestoMassimo)
        return {};
    if (testo.contains(u'/')) {
        // A double name, either way round ("Meran/Merano"): the places that every half naming one names.
        const QList<QStringView> nomi = testo.split(u'/');
        if (nomi.size() > kNomiMassimi)
            return {};
        std::vector<int> tutti;
        bool primo = true;
        for (QStringView nome : nomi) {
            std::vector<int> qui = perForma(forma(nome));
            if (qui.empty())
                qui = cercaParte(nome);
            if (qui.empty())
                continue;
            unisci(tutti, qui);
            if (primo) {
                posti = qui;
            } else {
                posti.erase(std::remove_if(posti.begin(), posti.end(),
                                           [&qui](int p) { return std::find(qui.begin(), qui.end(), p) == qui.end(); }),
                            posti.end());
            }
            primo = false;
        }
        if (posti.empty())
            posti = tutti;
    } else {
        posti = cercaParte(testo);
    }
    std::sort(posti.begin(), posti.end());
    std::vector<Luogo> trovati = risultati(posti, sigla);
    if (trovati.size() > kMassimoScelte)
        trovati.clear();
    return trovati;
}

std::vector<Luogo> Indice::vicini(QStringView testo, QStringView sigla) const
{
    if (testo.size() > kTestoMassimo)
        return {};
    const QString q = forma(testo);
    const int massimo = modificheAmmesse(q.size());
    if (massimo == 0 || q.size() > kLunghezzaMassima)
        return {};
    const Scritture &s = scritture();
    const QString siglaCercata = sigla.trimmed().toString().toUpper();
    const quint64 lettere = insiemeLettere(q);
    const quint64 coppieTesto = coppie(q);
    int migliore = massimo;
    std::vector<int> posti;
    const auto considera = [&](int luogo, int d) {
        if (d > migliore)
            return;
        if (d < migliore) {
            migliore = d;
            posti.clear();
        }
        if (std::find(posti.begin(), posti.end(), luogo) == posti.end())
            posti.push_back(luogo);
    };
    const auto nellaProvincia = [&](int luogo) {
        return siglaCercata.isEmpty() || m_luoghi[static_cast<size_t>(luogo)].sigla == siglaCercata;
    };
    // The lengths nearest first: a near spelling found early narrows the rest of the search.
    for (const qsizetype scarto : {0, -1, 1, -2, 2}) {
        const qsizetype n = q.size() + scarto;
        if (std::abs(scarto) > migliore || n < 0 || n > kLunghezzaMassima)
            continue;
        for (size_t i = s.daLunghezza[static_cast<size_t>(n)]; i < s.daLunghezza[static_cast<size_t>(n + 1)]; ++i) {
            const Scritture::Vicina &x = s.perLunghezza[i];
            const auto d = static_cast<uint>(migliore);
            if (!alPiu(x.lettere ^ lettere, 2 * d) || !alPiu(x.coppie & ~coppieTesto, 3 * d) ||
                !alPiu(coppieTesto & ~x.coppie, 3 * d) || !nellaProvincia(x.luogo))
                continue;
            const QStringView candidata(s.caratteri.data() + x.inizio, n);
            considera(x.luogo, distanza(candidata, q, migliore, false));
        }
    }
    // A cut name against the start of the text, when the letters of one of the starts near its length allow.
    std::array<quint64, kLunghezzaMassima + 1> lettereInizio{};
    insiemiInizi(q, lettereInizio);
    for (size_t i = 0; i < s.vociTagliate.size(); ++i) {
        const Scritture::Voce &v = s.voci[static_cast<size_t>(s.vociTagliate[i])];
        const qsizetype n = v.forma.size();
        if (q.size() + migliore < n || !alPiu(s.coppieTagliate[i] & ~coppieTesto, 3 * static_cast<uint>(migliore)) ||
            !nellaProvincia(v.luogo))
            continue;
        bool possibile = false;
        for (qsizetype k = std::max<qsizetype>(0, n - migliore); k <= std::min(q.size(), n + migliore); ++k)
            possibile = possibile || alPiu(s.lettereTagliate[i] ^ lettereInizio[static_cast<size_t>(k)],
                                           2 * static_cast<uint>(migliore));
        if (possibile)
            considera(v.luogo, distanza(v.forma, q, migliore, true));
    }
    // Equal forms are the tolerant search's, not near spellings.
    if (migliore == 0)
        return {};
    std::sort(posti.begin(), posti.end());
    std::vector<Luogo> trovati = risultati(posti, {});
    if (trovati.size() > kMassimoScelte)
        trovati.clear();
    return trovati;
}

} // namespace Luoghi
