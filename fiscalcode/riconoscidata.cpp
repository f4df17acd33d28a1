#include "riconoscidata.h"

#include <algorithm>
#include <vector>

#include <QRegularExpression>

#include "regole.h"

namespace {

enum class Ruolo { Giorno, Mese, Anno };

bool separatore(QChar c)
{
    return c == u'/' || c == u'-' || c == u'.';
}

// The parts of the text, or nothing when the separators are not as accepted: between two parts one of
// "/", "-", "." with any spaces around it, or spaces alone.
std::optional<std::vector<QString>> parti(const QString &testo)
{
    std::vector<QString> risultato;
    qsizetype i = 0;
    const qsizetype n = testo.size();
    while (i < n) {
        const qsizetype inizio = i;
        while (i < n && testo[i] != u' ' && !separatore(testo[i]))
            ++i;
        if (i == inizio)
            return std::nullopt;
        risultato.push_back(testo.mid(inizio, i - inizio));
        if (i == n)
            break;
        while (i < n && testo[i] == u' ')
            ++i;
        if (i < n && separatore(testo[i])) {
            ++i;
            while (i < n && testo[i] == u' ')
                ++i;
        }
        if (i == n)
            return std::nullopt;
    }
    return risultato;
}

// The order of day, month and year in the locale's short date format.
std::vector<Ruolo> ordine(const QLocale &locale)
{
    const QString formato = locale.dateFormat(QLocale::ShortFormat);
    struct Posto {
        qsizetype indice;
        Ruolo ruolo;
    } posti[] = {{formato.indexOf(u'd'), Ruolo::Giorno},
                 {formato.indexOf(u'M'), Ruolo::Mese},
                 {formato.indexOf(u'y'), Ruolo::Anno}};
    for (const Posto &p : posti) {
        if (p.indice < 0)
            return {Ruolo::Giorno, Ruolo::Mese, Ruolo::Anno};
    }
    std::sort(std::begin(posti), std::end(posti), [](const Posto &a, const Posto &b) { return a.indice < b.indice; });
    return {posti[0].ruolo, posti[1].ruolo, posti[2].ruolo};
}

int numero(const QString &parte, int cifreMassime)
{
    if (parte.isEmpty() || parte.size() > cifreMassime)
        return -1;
    int valore = 0;
    for (QChar c : parte) {
        if (c < u'0' || c > u'9')
            return -1;
        valore = valore * 10 + (c.unicode() - u'0');
    }
    return valore;
}

int meseDalNome(const QString &parte, const QLocale &locale)
{
    for (QChar c : parte) {
        if (!c.isLetter())
            return -1;
    }
    for (int mese = 1; mese <= 12; ++mese) {
        const QString nomi[] = {locale.monthName(mese, QLocale::LongFormat),
                                locale.monthName(mese, QLocale::ShortFormat),
                                locale.standaloneMonthName(mese, QLocale::LongFormat),
                                locale.standaloneMonthName(mese, QLocale::ShortFormat)};
        for (QString nome : nomi) {
            // "févr." and the like: the period is a separator of the typed text.
            while (nome.endsWith(u'.'))
                nome.chop(1);
            if (!nome.isEmpty() && parte.compare(nome, Qt::CaseInsensitive) == 0)
                return mese;
        }
    }
    return -1;
}

int anno(const QString &parte)
{
    const int valore = numero(parte, 4);
    if (valore < 0)
        return -1;
    if (parte.size() <= 2)
        return valore < 30 ? 2000 + valore : 1900 + valore;
    return valore >= 100 ? valore : -1;
}

} // namespace

namespace Fiscale {

std::optional<QDate> riconosciData(const QString &testo, const QLocale &locale, const QDate &oggi)
{
    const std::optional<std::vector<QString>> p = parti(testo.trimmed());
    if (!p || p->size() < 2 || p->size() > 3)
        return std::nullopt;

    std::vector<Ruolo> ruoli = ordine(locale);
    if (p->size() == 2)
        ruoli.erase(std::find(ruoli.begin(), ruoli.end(), Ruolo::Anno));

    // A month written as a name takes the month's role; the numbers keep the others in their order.
    int mese = -1;
    qsizetype postoNome = -1;
    for (qsizetype i = 0; i < static_cast<qsizetype>(p->size()); ++i) {
        const int m = meseDalNome((*p)[i], locale);
        if (m > 0) {
            if (postoNome >= 0)
                return std::nullopt;
            mese = m;
            postoNome = i;
        }
    }
    if (postoNome >= 0) {
        ruoli.erase(std::find(ruoli.begin(), ruoli.end(), Ruolo::Mese));
        ruoli.insert(ruoli.begin() + postoNome, Ruolo::Mese);
    }

    int giorno = -1;
    int a = oggi.year();
    for (size_t i = 0; i < ruoli.size(); ++i) {
        if (static_cast<qsizetype>(i) == postoNome)
            continue;
        const QString &parte = (*p)[i];
        switch (ruoli[i]) {
        case Ruolo::Giorno: giorno = numero(parte, 2); break;
        case Ruolo::Mese: mese = numero(parte, 2); break;
        case Ruolo::Anno: a = anno(parte); break;
        }
    }
    if (giorno < 1 || mese < 1 || a < 100 || !QDate::isValid(a, mese, giorno))
        return std::nullopt;
    return QDate(a, mese, giorno);
}

namespace {

// The day, month and year of "n/n/yyyy" or "n/n/yy" (with "/", "-" or "."), ignoring what follows a space;
// false for anything else.
bool treNumeri(QByteArrayView t, int &primo, int &secondo, int &terzo)
{
    while (!t.isEmpty() && (t.front() == ' ' || t.front() == '\t'))
        t = t.sliced(1);
    const qsizetype spazio = t.indexOf(' ');
    if (spazio >= 0)
        t = t.first(spazio);
    int *valori[3] = {&primo, &secondo, &terzo};
    qsizetype i = 0;
    for (int parte = 0; parte < 3; ++parte) {
        const qsizetype inizio = i;
        *valori[parte] = 0;
        while (i < t.size() && t[i] >= '0' && t[i] <= '9' && i - inizio < 4)
            *valori[parte] = *valori[parte] * 10 + (t[i++] - '0');
        const qsizetype cifre = i - inizio;
        if (cifre == 0 || (parte < 2 && cifre > 2) || (parte == 2 && cifre != 2 && cifre != 4))
            return false;
        if (parte < 2) {
            if (i >= t.size() || (t[i] != '/' && t[i] != '-' && t[i] != '.'))
                return false;
            ++i;
        }
    }
    if (i != t.size())
        return false;
    if (terzo < 100)
        terzo += terzo < 30 ? 2000 : 1900;
    return true;
}

const QLocale &italiano()
{
    static const QLocale l(QLocale::Italian, QLocale::Italy);
    return l;
}

const QLocale &inglese()
{
    static const QLocale l(QLocale::English, QLocale::UnitedStates);
    return l;
}

// Day, month and year written without separators ("01011980", "150375"), in `ordine`; 5 and 7 digits are
// 6 and 8 that lost their leading zero in a number cell.
std::optional<QDate> senzaSeparatori(QString cifre, OrdineData ordine)
{
    if (cifre.size() == 5 || cifre.size() == 7)
        cifre.prepend(u'0');
    if (cifre.size() != 6 && cifre.size() != 8)
        return std::nullopt;
    const int primo = cifre.left(2).toInt();
    const int secondo = cifre.mid(2, 2).toInt();
    const int a = anno(cifre.mid(4));
    const QDate giornoMese(a, secondo, primo);
    const QDate meseGiorno(a, primo, secondo);
    QDate d = ordine == OrdineData::MeseGiorno ? meseGiorno : giornoMese;
    if (ordine == OrdineData::Contraddittorio)
        d = giornoMese.isValid() && meseGiorno.isValid() && primo != secondo ? QDate()
            : giornoMese.isValid()                                           ? giornoMese
                                                                             : meseGiorno;
    return d.isValid() && a >= 100 ? std::optional<QDate>(d) : std::nullopt;
}

} // namespace

unsigned ordiniPossibili(QByteArrayView testo)
{
    int a = 0, b = 0, anno = 0;
    if (!treNumeri(testo, a, b, anno) || a == b)
        return 0;
    return (QDate::isValid(anno, b, a) ? kGiornoPrima : 0u) | (QDate::isValid(anno, a, b) ? kMesePrima : 0u);
}

std::optional<QDate> leggiDataTabella(const QString &testo, OrdineData ordine, const QDate &oggi, OrigineData origine)
{
    QString t = testo.trimmed();
    static const QRegularExpression seriale(QStringLiteral("^(\\d{1,8})(?:[.,]\\d+)?$"));
    QRegularExpressionMatch m = seriale.match(t);
    if (m.hasMatch()) {
        // The day number of spreadsheets, counted from 30 December 1899, for a day a person alive may be
        // born on. Four digits alone that read as a year are a year typed without day and month.
        const qint64 giorni = m.captured(1).toLongLong();
        const bool anno = m.captured(0).size() == 4 && giorni >= 1800 && giorni <= 2200;
        const QDate d = QDate(1899, 12, 30).addDays(giorni);
        if (origine == OrigineData::Testo && !anno && d.year() >= 1900 && d <= oggi)
            return d;
        return m.captured(0).size() == m.captured(1).size() ? senzaSeparatori(m.captured(1), ordine) : std::nullopt;
    }
    // A time of day after the date (also after "T"), midnight or not: the date alone counts.
    static const QRegularExpression ora(
        QStringLiteral("^(.*\\S)(?:\\s+|T)(\\d{1,2})[:.](\\d{2})(?:[:.](\\d{2})(?:[.,]\\d+)?)?(?:\\s*([AaPp][Mm]))?$"));
    m = ora.match(t);
    if (m.hasMatch()) {
        const int h = m.captured(2).toInt(), min = m.captured(3).toInt(), s = m.captured(4).toInt();
        const bool ampm = !m.captured(5).isEmpty();
        if (h > (ampm ? 12 : 23) || min > 59 || s > 59)
            return std::nullopt;
        t = m.captured(1);
    }
    // Year first: only one order.
    static const QRegularExpression annoPrima(QStringLiteral("^(\\d{4})[-/.](\\d{1,2})[-/.](\\d{1,2})$"));
    m = annoPrima.match(t);
    if (m.hasMatch()) {
        const QDate d(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
        return d.isValid() && d.year() >= 100 ? std::optional<QDate>(d) : std::nullopt;
    }
    // A month name: Italian or English, the numbers around it day and year.
    bool lettere = false;
    for (QChar c : t)
        lettere = lettere || c.isLetter();
    if (lettere) {
        t.replace(u',', u' ');
        if (std::optional<QDate> d = riconosciData(t, italiano(), oggi))
            return d;
        return riconosciData(t, inglese(), oggi);
    }
    if (ordine == OrdineData::Contraddittorio) {
        const unsigned ordini = ordiniPossibili(t.toLatin1());
        if (ordini == (kGiornoPrima | kMesePrima))
            return std::nullopt;
        ordine = ordini == kMesePrima ? OrdineData::MeseGiorno : OrdineData::GiornoMese;
    }
    return riconosciData(t, ordine == OrdineData::MeseGiorno ? inglese() : italiano(), oggi);
}

bool dataSemplice(QByteArrayView t, OrdineData ordine, int &giorno, int &mese, int &anno)
{
    qsizetype i = 0;
    auto numero = [&](int minimo, int massimo, int &valore) {
        const qsizetype inizio = i;
        valore = 0;
        while (i < t.size() && t[i] >= '0' && t[i] <= '9' && i - inizio < massimo)
            valore = valore * 10 + (t[i++] - '0');
        return i - inizio >= minimo && (i == t.size() || t[i] < '0' || t[i] > '9');
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
    if (ordine == OrdineData::Contraddittorio) {
        if (giorno <= 12 && mese <= 12 && giorno != mese)
            return false;
        if (mese > 12)
            std::swap(giorno, mese);
    } else if (ordine == OrdineData::MeseGiorno) {
        std::swap(giorno, mese);
    }
    if (anno < 100 || mese < 1 || mese > 12 || giorno < 1)
        return false;
    return giorno <= giorniDelMese(mese, bisestile(anno));
}

} // namespace Fiscale
