#include "calcolo.h"

#include <algorithm>
#include <array>
#include <cstdlib>

#include "cp1252.h"
#include "regole.h"

namespace {

constexpr QStringView kConsonanti = u"BCDFGHKJLMNPQRSTVWXYZ";
constexpr QStringView kVocali = u"AEIOU";
constexpr QStringView kAlfabeto = u"ABCDEFGHIJKLMNOPQRSTUVWXYZ";

// The Latin letters that no decomposition takes to a plain one, as they are written without their
// strokes and ligatures: ß as SS, Æ as AE, Ø as O, Ł as L, Đ and Ð as D. Capital and small letter alike.
QLatin1String senzaDecomposizione(char16_t u)
{
    struct Lettera {
        char16_t maiuscola, minuscola;
        const char *lettere;
    };
    static constexpr Lettera kLettere[] = {
        {0x1E9E, 0x00DF, "SS"}, {0x00C6, 0x00E6, "AE"}, {0x0152, 0x0153, "OE"}, {0x00D8, 0x00F8, "O"},
        {0x0141, 0x0142, "L"},  {0x0110, 0x0111, "D"},  {0x00D0, 0x00F0, "D"},  {0x00DE, 0x00FE, "TH"},
        {0x0126, 0x0127, "H"},  {0x0131, 0x0131, "I"},  {0x0166, 0x0167, "T"},  {0x014A, 0x014B, "N"},
        {0x0191, 0x0192, "F"},  {0x0181, 0x0253, "B"},  {0x0189, 0x0256, "D"},  {0x018A, 0x0257, "D"},
        {0x0190, 0x025B, "E"},  {0x0186, 0x0254, "O"},  {0x0198, 0x0199, "K"},  {0x01B3, 0x01B4, "Y"},
        {0x0197, 0x0268, "I"},  {0x0243, 0x0180, "B"},  {0x01B5, 0x01B6, "Z"},  {0x023B, 0x023C, "C"},
    };
    for (const Lettera &l : kLettere) {
        if (u == l.maiuscola || u == l.minuscola)
            return QLatin1String(l.lettere);
    }
    return {};
}

// A Latin letter with diacritics as its plain letters (Ç as C, Ǆ as DZ, Ǿ as O); empty for anything else.
// The decomposition is followed one level at a time, the marks left out.
QString lettereLatine(QChar c)
{
    const char16_t u = c.unicode();
    if ((u >= u'A' && u <= u'Z') || (u >= u'a' && u <= u'z'))
        return QString(QChar(u & ~0x20));
    const QLatin1String fissa = senzaDecomposizione(u);
    if (!fissa.isEmpty())
        return QString(fissa);
    if (u < 128 || c.isSurrogate() || !c.isLetter())
        return QString();
    QString piane;
    for (QChar parte : c.decomposition()) {
        if (parte.category() == QChar::Mark_NonSpacing)
            continue;
        const QString base = lettereLatine(parte);
        if (base.isEmpty())
            return QString();
        piane += base;
    }
    return piane;
}

// lettereLatine of the letters most names have, Latin-1 and Latin Extended-A, worked out once.
QString lettereLatineVeloci(QChar c)
{
    constexpr char16_t kFine = 0x0180;
    static const std::array<QString, kFine> tabella = [] {
        std::array<QString, kFine> t;
        for (char16_t u = 0x80; u < kFine; ++u)
            t[u] = lettereLatine(QChar(u));
        return t;
    }();
    return c.unicode() < kFine ? tabella[c.unicode()] : lettereLatine(c);
}

// The consonants of a compacted text in their order, then its vowels.
void lettere(const QString &testo, QString &consonanti, QString &vocali)
{
    for (QChar c : testo) {
        if (kConsonanti.contains(c))
            consonanti.append(c);
        else if (kVocali.contains(c))
            vocali.append(c);
    }
}

QString dueCifre(int numero)
{
    return QString::number(numero).rightJustified(2, u'0');
}

Fiscale::Esito fallimento(int errore, const QString &messaggio)
{
    return {Fiscale::kAsterischi.toString(), errore, messaggio, {}};
}

} // namespace

namespace Fiscale {

QString compattastringa(const QString &Stringa)
{
    QString risultato;
    risultato.reserve(Stringa.size());
    for (QChar c : Stringa) {
        if (c == u' ')
            continue;
        const char16_t u = c.unicode();
        if (u < 128) {
            risultato.append(u >= u'a' && u <= u'z' ? QChar(u - 32) : c);
            continue;
        }
        const QString latine = lettereLatineVeloci(c);
        if (!latine.isEmpty())
            risultato.append(latine);
        else
            risultato.append(Cp1252::byteDi(c) < 0 ? QChar(u'?') : Cp1252::maiuscola(c));
    }
    return risultato;
}

bool senzaLettereLatine(const QString &testo)
{
    const auto latina = [](QChar c) { return c >= u'A' && c <= u'Z'; };
    // Most names have a plain letter: they are not compacted here.
    if (std::any_of(testo.begin(), testo.end(), [&](QChar c) { return latina(c) || (c >= u'a' && c <= u'z'); }))
        return false;
    const QString compatto = compattastringa(testo);
    if (std::any_of(compatto.begin(), compatto.end(), latina))
        return false;
    const QList<uint> caratteri = testo.toUcs4();
    return std::any_of(caratteri.begin(), caratteri.end(), [](uint c) { return QChar::isLetter(char32_t(c)); });
}

QString parteCognome(const QString &Cognome)
{
    QString consonanti, vocali;
    lettere(compattastringa(Cognome), consonanti, vocali);
    return (consonanti + vocali + QLatin1String("XXX")).left(3);
}

QString parteNome(const QString &Nome)
{
    QString consonanti, vocali;
    lettere(compattastringa(Nome), consonanti, vocali);
    if (consonanti.size() >= 4)
        consonanti = QString(consonanti[0]) + consonanti[2] + consonanti[3];
    return (consonanti + vocali + QLatin1String("XXX")).left(3);
}

int sommaControllo(QStringView primiQuindici)
{
    int somma = 0;
    const qsizetype n = qMin<qsizetype>(15, primiQuindici.size());
    for (qsizetype i = 0; i < n; ++i) { // positions 1, 3 ... 15 are odd
        const char16_t c = primiQuindici[i].unicode();
        somma += i % 2 == 0 ? pesoDispari(c) : pesoPari(c);
    }
    return somma;
}

QChar carattereControllo(QStringView primiQuindici)
{
    return kAlfabeto[sommaControllo(primiQuindici) % 26];
}

bool ControllaCodiceFiscale(const QString &CodFis)
{
    if (CodFis.size() != 16)
        return false;
    return CodFis[15] == carattereControllo(QStringView(CodFis).left(15));
}

Esito CodiceFiscale(const QString &Cognome, const QString &Nome, const QString &sesso, const QDate &DataNascita,
                    const QString &ComuneNascita, const QString &ProvinciaNascita, const TabellaCodici &tabella,
                    const RicercaLuoghi *tollerante)
{
    const QString sessoM = Cp1252::maiuscole(sesso);

    if (Cognome.isEmpty())
        return fallimento(1, QStringLiteral("Cognome non specificato"));
    if (senzaLettereLatine(Cognome))
        return fallimento(1, QStringLiteral("Cognome senza lettere latine: scriverlo come nel documento"));
    if (Nome.isEmpty())
        return fallimento(2, QStringLiteral("Nome non specificato"));
    if (senzaLettereLatine(Nome))
        return fallimento(2, QStringLiteral("Nome senza lettere latine: scriverlo come nel documento"));
    if (sessoM != u"M" && sessoM != u"F")
        return fallimento(0, QStringLiteral("Sesso non specificato"));
    if (ComuneNascita.isEmpty())
        return fallimento(3, QStringLiteral("Luogo di nascita non specificato"));
    // The window validates the date before; a null date must not index the month letters.
    if (!DataNascita.isValid())
        return fallimento(0, QStringLiteral("Data non valida"));

    QString codice;
    codice.reserve(16);

    codice += parteCognome(Cognome);
    codice += parteNome(Nome);

    // The last two digits of the year; dates run from year 100, so there are always two.
    codice += dueCifre(std::abs(DataNascita.year() % 100));
    codice += QLatin1Char(kLettereMese[static_cast<size_t>(DataNascita.month() - 1)]);
    codice += dueCifre(DataNascita.day() + (sessoM == u"M" ? 0 : 40));

    // The code of the place on the day of birth.
    const LuogoNascita luogo = risolviLuogo(tabella, ComuneNascita, ProvinciaNascita, DataNascita, tollerante);
    if (!luogo.trovato()) {
        Esito e = fallimento(luogo.esito == LuogoNascita::Esito::Ambiguo && ProvinciaNascita.trimmed().isEmpty() ? 4 : 5,
                             luogo.messaggio);
        e.luogo = luogo;
        return e;
    }
    codice += luogo.codice;
    codice += carattereControllo(codice);
    return {codice, 0, QString(), luogo};
}

} // namespace Fiscale
