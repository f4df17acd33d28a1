#pragma once

#include <QDate>
#include <QString>
#include <QStringView>

#include "luogonascita.h"
#include "tabellacodici.h"

// Computation and verification of the Italian fiscal code.
namespace Fiscale {

// What a failed computation returns instead of a code.
inline constexpr QStringView kAsterischi = u"****************";

// Drops the spaces and upper-cases; every Latin letter with diacritics becomes its plain letter (È gives E,
// Ç C, Ñ N, Č C), and the letters written without their strokes or as two letters too: ß gives SS, Æ AE,
// Œ OE, Ø O, Ł L, Đ and Ð D, Þ TH. Any other character of Windows-1252 stays, upper-cased; one outside it
// becomes "?".
QString compattastringa(const QString &Stringa);

// True when a surname or name has letters, none of them Latin (Иванов, 王): it gives no letters for a code.
bool senzaLettereLatine(const QString &testo);

// The three letters of a surname (its consonants, then its vowels, then X) and of a name (the same, but of
// four or more consonants only the first, third and fourth), after compattastringa.
QString parteCognome(const QString &Cognome);
QString parteNome(const QString &Nome);

struct Esito {
    QString codice;    // the 16 characters, or the 16 asterisks
    int errore = 0;    // failure code 1 to 5; 0 also for a sex that is neither M nor F
    QString messaggio; // what to tell the user on a failure, empty when the code was computed
    LuogoNascita luogo; // the place of birth as resolved, once the checks before it have passed
};

// The fiscal code of a person. `sesso` is "M" or "F" in either case; the place of birth and its province
// (which a foreign state, or a name that only one place bore on that day, may leave empty) are resolved in
// `tabella` for the day of birth (risolviLuogo, with `tollerante` when given). On a failure the result carries
// the 16 asterisks, the failure code of the first failing check (1 surname, missing or without Latin letters,
// 2 name, the same, 3 municipality, 4 a place that needs its province, 5 any other fault of the place) and its
// message.
Esito CodiceFiscale(const QString &Cognome, const QString &Nome, const QString &sesso, const QDate &DataNascita,
                    const QString &ComuneNascita, const QString &ProvinciaNascita, const TabellaCodici &tabella,
                    const RicercaLuoghi *tollerante = nullptr);

// The sum behind the check letter, over the first 15 characters (fewer when the text is shorter): odd and
// even positions weighed by their tables, case-sensitive; a character outside A-Z and 0-9 adds nothing.
int sommaControllo(QStringView primiQuindici);
// The letter of the sum modulo 26, A for 0.
QChar carattereControllo(QStringView primiQuindici);

// True when the code has exactly 16 characters and the last is the check letter of the others. Nothing
// else is judged: letters in place of digits pass, lower case fails.
bool ControllaCodiceFiscale(const QString &CodFis);

} // namespace Fiscale
