#pragma once

#include <array>

#include <QByteArrayView>
#include <QString>
#include <QStringView>
#include <QtGlobal>

// The check of an Italian VAT number (11 digits, the last one a check digit over the first ten, digits 8 to
// 10 the code of the provincial office that issued it) and the table of those offices.
namespace PartitaIva {

constexpr int kUltimoCodiceUfficio = 1050;

// Slot i holds the office with code i; an unused code holds the empty string.
using Uffici = std::array<QString, kUltimoCodiceUfficio + 1>;

// Fills the table: codes 1 to 100, 120 and 121 name their office, every other slot is emptied.
void riempiUffici(Uffici &uffici);

// The office in slot `posizione`; the empty string for an empty slot or a position outside the table.
QString officefinder(const Uffici &uffici, int posizione);

// The value of one character in the sums: its digit for 0-9, 0 for anything else.
int valoreCifra(QChar c);

// The check digit (0-9) of the first ten characters of `testo`, which must hold at least ten.
int cifraDiControllo(const QString &testo);

// Whether an office code names an office: 1 to 100, 120 and 121 those of the table; 888 and 999 the
// codes the Revenue Agency gives without a provincial office (non-resident subjects).
bool ufficioEsiste(int codice);

// The outcome of a check, first fault first: length, a character that is no digit, check digit, then what
// the digits may not be.
enum class Stato : quint8 {
    Esatta,
    Vuota,              // nothing given
    Lunghezza,          // not 11 characters
    CifraControllo,     // the last digit is not the one the first ten give
    NonCifra,           // a character is not a digit
    SoloZeri,           // 00000000000
    MatricolaNulla,     // the company's number, digits 1 to 7, is 0000000
    UfficioInesistente, // digits 8 to 10 name no office
};

struct Controllo {
    Stato stato = Stato::Vuota;
    int cifraAttesa = 0; // for CifraControllo
    int ufficio = -1;    // the office code of digits 8 to 10, -1 when they are not digits
    // For a number of 8 to 10 digits (a sheet that dropped the leading zeros): the 11-digit form when that
    // one is right, else empty.
    QString forse;
};

// The number as sheets keep it: spaces, dots and dashes dropped, and an "IT" prefix in either case.
QString normalizza(const QString &testo);
// The same on a table's cell of ASCII, into `numero`, which has room for all of it: its length; -1, with
// nothing to use, when a byte is not ASCII (the text is to be decoded first).
qsizetype normalizza(QByteArrayView testo, char16_t *numero);

// Checks `testo` exactly as given.
Controllo controlla(QStringView testo);

// The result line for a check: the window's sentences, "Partita IVA non specificata" for an empty number.
QString messaggio(const Controllo &controllo, const Uffici &uffici);

// The outcome of the check of `testo`, as the window's result line shows it (an empty box: the length
// error; no 11-digit form suggested).
QString verifica(const QString &testo, const Uffici &uffici);

// Whether a key typed in the number's box may go in: the digits and Backspace.
bool tastoAmmesso(int keyAscii);

} // namespace PartitaIva
