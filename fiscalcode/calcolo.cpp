#include "calcolo.h"

#include <cstdlib>

#include "cp1252.h"

namespace {

constexpr QStringView kConsonanti = u"BCDFGHKJLMNPQRSTVWXYZ";
constexpr QStringView kVocali = u"AEIOU";
constexpr QStringView kMesi = u"ABCDEHLMPRST";
constexpr QStringView kAlfabeto = u"ABCDEFGHIJKLMNOPQRSTUVWXYZ";

// Values at the odd positions of A to Z; the digits 0 to 9 weigh as A to J. At even positions a letter
// weighs its place in the alphabet from 0 and a digit itself.
constexpr int kDispari[26] = {1,  0,  5, 7, 9, 13, 15, 17, 19, 21, 2,  4,  18,
                              20, 11, 3, 6, 8, 12, 14, 16, 10, 22, 25, 24, 23};

int valore(QChar c, bool dispari)
{
    const char16_t u = c.unicode();
    int posto;
    if (u >= u'A' && u <= u'Z')
        posto = u - u'A';
    else if (u >= u'0' && u <= u'9')
        posto = u - u'0';
    else
        return 0;
    return dispari ? kDispari[posto] : posto;
}

// The plain vowel of an accented capital, by Windows-1252 code; 195 (Ã) is left out on purpose. Small
// letters are upper-cased first, so that they fold as their capitals do.
QChar vocalePiegata(int b)
{
    if (b >= 192 && b <= 198 && b != 195)
        return u'A';
    if (b >= 200 && b <= 203)
        return u'E';
    if (b >= 204 && b <= 207)
        return u'I';
    if (b >= 210 && b <= 214)
        return u'O';
    if (b >= 217 && b <= 220)
        return u'U';
    return QChar();
}

// A character that Windows-1252 lacks: its base letter when it decomposes onto one of the code page,
// as the system's best-fit conversion would give, otherwise "?".
QChar nelCodice(QChar c)
{
    if (!c.isSurrogate() && c.isLetter()) {
        const QString scomposto = QString(c).normalized(QString::NormalizationForm_D);
        if (scomposto.size() > 1 && scomposto[0].isLetter() && Cp1252::byteDi(scomposto[0]) >= 0)
            return scomposto[0];
    }
    return u'?';
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
        if (Cp1252::byteDi(c) < 0)
            c = nelCodice(c);
        c = Cp1252::maiuscola(c);
        const QChar vocale = vocalePiegata(Cp1252::byteDi(c));
        risultato.append(vocale.isNull() ? c : vocale);
    }
    return risultato;
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
    for (qsizetype i = 0; i < n; ++i)
        somma += valore(primiQuindici[i], i % 2 == 0); // positions 1, 3 ... 15 are odd
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
    if (Nome.isEmpty())
        return fallimento(2, QStringLiteral("Nome non specificato"));
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
    codice += kMesi[DataNascita.month() - 1];
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
