#include "riconoscidata.h"

#include <algorithm>
#include <vector>

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

} // namespace Fiscale
