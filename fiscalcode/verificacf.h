#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include <QDate>
#include <QString>
#include <QLatin1StringView>
#include <QStringList>
#include <QStringView>

#include "tabellacodici.h"

// Verification and decoding of a fiscal code that someone hands in: its structure position by position,
// omocodia, the check character, the sex, the date and the place of birth. Nothing here allocates until
// a text is asked for, so that a whole file of codes can be checked quickly.
namespace Fiscale {

// The seven positions (from 1) whose digits the Revenue Agency may replace by letters, from left to right.
inline constexpr std::array<int, 7> kPosizioniOmocodia = {7, 8, 10, 11, 13, 14, 15};
// The letters that stand for the digits 0 to 9 in those positions.
inline constexpr std::array<char, 10> kLettereOmocodia = {'L', 'M', 'N', 'P', 'Q', 'R', 'S', 'T', 'U', 'V'};

// The code as handed in: white space and zero-width spaces dropped (a pasted "rss mra 80a01 h501u" is fine),
// letters in upper case (a character outside ASCII only when its capital is not ASCII: 'ı' stays 'ı', not I),
// anything else kept as it is, to be judged: a code is made of ASCII letters and digits only. The first 16 characters
// are kept, all are counted.
struct CodiceNormalizzato {
    std::array<char32_t, 16> caratteri{};
    int lunghezza = 0; // characters without the white space, a character outside the BMP counting once

    // The characters kept (at most 16).
    QString testo() const;
};
CodiceNormalizzato normalizza(QStringView testo);
// The same over Latin-1 text, as a table's cells of ASCII are.
CodiceNormalizzato normalizza(QLatin1StringView testo);
// The whole text normalised in the same way, however long.
QString testoNormalizzato(QStringView testo);

// The first fault of a code, in the order in which the positions are read.
enum class Difetto : std::uint8_t {
    Nessuno,
    Vuoto,           // nothing but white space
    Lunghezza,       // not 16 characters
    NonLettera,      // a letter was due at `posizione`
    NonCifra,        // a digit or an omocodia letter was due at `posizione`
    Mese,            // position 9 is no month letter
    Giorno,          // positions 10-11 are neither 01-31 nor 41-71
    DataInesistente, // a day that its month does not have (29 February only in leap years)
    Controllo,       // the check character is not the one the first fifteen give
};

// Positions (from 1) counted in a substitution mask: bit 0 is position 15, bit 6 position 7, so that
// the Revenue Agency's own order of substitution reads 1, 3, 7, 15, 31, 63, 127.
inline constexpr int posizioneDelBit(int bit)
{
    return kPosizioniOmocodia[static_cast<size_t>(6 - bit)];
}

struct Verifica {
    CodiceNormalizzato codice;
    Difetto difetto = Difetto::Nessuno;
    std::uint8_t posizione = 0; // the faulty position (1 to 16), for NonLettera, NonCifra, Mese
    char32_t carattere = 0;     // the faulty character, or for Controllo the letter that was due
    int valore = 0;             // the length for Lunghezza, the day field for Giorno

    // Filled as far as the reading got; all of them for a valid code.
    char sesso = 0; // 'M' or 'F'
    int giorno = 0, mese = 0, anno = 0;
    std::uint8_t sostituzioni = 0; // substitution mask, see posizioneDelBit
    std::array<char, 16> base{};   // the base code: every substituted position a digit again, check recomputed
    int voce = -1;                 // the entry of the cadastral table for positions 12-15, -1 when absent
    Periodo vita;                  // the days the place existed (IndiceCatastale::vita)
    bool lacune = false;           // it ceased and came back: only the table tells a day in between

    bool valido() const { return difetto == Difetto::Nessuno; }
    bool omocodico() const { return sostituzioni != 0; }
    int caratteriSostituiti() const;
    QDate data() const { return QDate(anno, mese, giorno); }
    // The cadastral code of the place of birth, in digits (as in the base code).
    QString catastale() const;
    QString codiceBase() const;
};

// The cadastral code of an entry seen the other way: from a code of the form letter and three digits to
// the entry of the table that shows the place. When several entries share a code (spellings and earlier
// names of one municipality), the last one in file order is kept: the data file puts the current name last.
class IndiceCatastale
{
public:
    IndiceCatastale() = default;
    explicit IndiceCatastale(const TabellaCodici &tabella) { costruisci(tabella); }
    void costruisci(const TabellaCodici &tabella);

    // The entry of "A000" to "Z999" given as a letter and a number 0-999; -1 when there is none.
    int cerca(char lettera, int numero) const;
    int cerca(QStringView codice) const;
    // The days the place of a code existed: from the first day of its first name (0 when it was there
    // before the archive tells) to the last day of its last (kSempre while it exists), with the marks of
    // that end. A table without days gives the last year of validity as a year-only end.
    Periodo vita(char lettera, int numero) const;
    // Whether the place ceased and came back between those days (a municipality merged into another and
    // made again): a day in between may find it gone.
    bool conLacune(char lettera, int numero) const;
    // Whether the place was there on `giorno` (YYYYMMDD): in its days, and for one with gaps on a day of one
    // of its names (`tabella` must be the table the index was built on).
    bool esisteIl(char lettera, int numero, int giorno, const TabellaCodici &tabella) const;

private:
    std::vector<qint32> m_voci; // 26 × 1000 slots, -1 for a code not in the table
    std::vector<Periodo> m_vite;
    std::vector<bool> m_lacune;
};

// Verifies and decodes `testo`. The century of the year is the latest that puts the birth date not after
// `oggi` (05 is 2005 and 30 is 1930 in 2026; a null date stands for today). `indice` may be null: then no
// place is looked up.
Verifica verifica(QStringView testo, const IndiceCatastale *indice, const QDate &oggi);
// The same on Latin-1 text (a table's cell of ASCII), and on a code already normalised.
Verifica verifica(QLatin1StringView testo, const IndiceCatastale *indice, const QDate &oggi);
Verifica verifica(const CodiceNormalizzato &codice, const IndiceCatastale *indice, const QDate &oggi);

// "Codice valido", "Codice valido (omocodico, ...)", or the precise message of the first fault.
QString esito(const Verifica &v);
// "M" or "F"; the date as dd/mm/yyyy. Empty unless the code is valid.
QString testoSesso(const Verifica &v);
QString testoData(const Verifica &v);

// The place of birth of a valid code.
struct Luogo {
    bool trovato = false;
    QString nome; // whole
    QString provincia;
    bool estero = false; // a foreign state: province "EE"
    Periodo vita;        // as Verifica::vita
    // Whether the place has ceased: a last day, or a foreign code no longer valid.
    bool cessato() const { return vita.ultimo != kSempre || (vita.segni & Periodo::Cessato); }
};
Luogo luogo(const Verifica &v, const TabellaCodici &tabella);
// "ROMA (RM)", "FRANCIA (Stato estero)", "... (soppresso il 03/02/2014)" or
// "codice catastale X999 non presente nell'archivio"; empty unless the code is valid.
QString testoLuogo(const Verifica &v, const TabellaCodici &tabella);
// The same for a place found: "ROMA (RM)", "BELLAGIO (CO) (soppresso il 03/02/2014)", "ARMENIA (Stato
// estero) (cessato)" for a foreign code that ceased on a day not known.
QString testoLuogo(const Luogo &luogo);
// A warning when the place of a valid code did not exist on the day of birth: a municipality suppressed
// before it (or between its end and its return), one made after it, a foreign state that ceased before it;
// empty otherwise. An end known by its year only warns from the next year.
QString avvisoLuogo(const Verifica &v, const TabellaCodici &tabella);

// The three letters that a surname and a name give, compared with those of a valid code. An empty (or
// blank) surname or name is not compared.
struct Confronto {
    bool cognomeDato = false, nomeDato = false;
    bool cognomeUguale = false, nomeUguale = false;
    QString cognomeAtteso, nomeAtteso; // the letters that the given surname and name give
    QString cognomeCodice, nomeCodice; // the letters of the code
};
Confronto confronta(const Verifica &v, const QString &cognome, const QString &nome);
// One line: what matches and what does not; empty when neither was given or the code is not valid.
QString testoConfronto(const Confronto &c);

// The 127 omocodic forms of a valid code (or of its base): first the seven that the Revenue Agency assigns
// in turn (position 15 replaced, then 14 and 15, ... up to all seven), then the other combinations in
// ascending order of their mask. Empty for a code that is not valid.
QStringList variantiOmocodiche(const Verifica &v);

} // namespace Fiscale
