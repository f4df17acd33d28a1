#pragma once

// The cells of an .xlsx as values: cell references and areas, the kinds of cell, the styles that show a
// date, the shared strings. Used by the .xlsx reader; not part of the engine's interface.

#include "foglio.h"
#include "zipxml.h"

#include <string>
#include <string_view>
#include <vector>

namespace Fogli {

struct Area {
    qint64 riga1, colonna1, riga2, colonna2; // 1-based, inclusive
};

// "B12" to column 2 (1-based) and row 12; 0 where a part is missing, beyond the limit where it is out of it.
void indirizzo(std::string_view s, qint64 *riga, qint64 *colonna);
// An area given as "A1:G1", when it is one.
bool area(std::string_view ref, Area *a);

// OOXML writes a character XML cannot hold as _xHHHH_.
QString senzaEscapeOoxml(QString s);

// Whether a number format code shows a date: a year or day part outside quoted text, escapes and
// [brackets] (colours, locales, elapsed times). Times alone are numbers.
bool codiceDiData(const QString &codice);

// How many digits a number format code of zeros alone shows ("00000" for a postal code: 5), leading zeros
// included; 0 for any other code.
int cifreDiCodice(const QString &codice);

// What the rest of the workbook says about the cells of a sheet.
struct Contesto {
    std::vector<QString> stringhe; // the shared strings
    std::vector<bool> stiliData;   // for each cell style, whether it shows a date
    std::vector<int> stiliCifre;   // for each cell style, cifreDiCodice of its format
    bool data1904 = false;         // day numbers count from 1904
};

// The shared strings and the cell styles, from their parts (none when the name is empty).
bool leggiStringhe(const Archivio &archivio, const QString &nome, Contesto *contesto, QString *errore);
bool leggiStili(const Archivio &archivio, const QString &nome, Contesto *contesto, QString *errore);

// The kind of an .xlsx cell, from its t attribute.
enum class TipoXlsx { Numero, Condivisa, InLinea, Formula, Errore, Booleano, Data };
TipoXlsx tipoXlsx(std::string_view t);

// A cell from its kind, its style (whether it shows a date, how many digits it pads a number to) and the
// text of its value (<v>, or <is> for an inline string). A whole number its style pads with zeros is the
// text the sheet shows ("00184"). False when it names a shared string the workbook lacks.
struct StileXlsx {
    bool data = false;
    int cifre = 0;
};
bool cellaXlsx(TipoXlsx tipo, StileXlsx stile, const std::string &valore, const Contesto &contesto, Cella *cella);

} // namespace Fogli
