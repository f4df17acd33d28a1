#pragma once

// What LettoreFoglio asks of the reader of each format (.xlsx, .ods): open the sheet a text picks and give
// its rows. Not part of the engine's interface.

#include "foglio.h"
#include "zipxml.h"

#include <memory>

namespace Fogli {

// The rows of the sheet opened, in increasing order with their numbers; empty rows may be left out.
class Sorgente
{
public:
    virtual ~Sorgente() = default;
    virtual bool prossima(Riga &riga) = 0;
    virtual QString errore() const = 0;
    virtual double frazione() const = 0;
    // The names of all the sheets (see LettoreFoglio::tuttiIFogli).
    virtual QStringList tuttiIFogli() = 0;
};

// Which of the sheets `nomi` (in their order) the text `foglio` picks: the one whose name it is, the same
// case first, then any case; else, when it is a number from 1, the sheet in that place; the first sheet when
// it is empty (the readers pick the first visible one then). -1 when it picks none. With `tutti` false,
// `nomi` are those met so far and more may follow: -1 then also when one of those could still be the one
// (the text is a number, or a name met in another case).
int sceltaFoglio(const QStringList &nomi, const QString &foglio, bool tutti);
// "Il foglio ... non esiste; fogli presenti: ...", or that the file holds no sheet.
QString msgFoglioAssente(const QString &foglio, const QStringList &nomi);

// What a reader gives back on opening: the sheet's name, the names known of the others, the rows.
struct Apertura {
    std::unique_ptr<Sorgente> sorgente;
    QString nome;
    QStringList fogli; // for an .ods those met before the sheet was found
    QString errore;
};

// The .xlsx whose workbook part is `libro`; `cercaUnite` as LettoreFoglio::impostaAreeUnite.
Apertura apriXlsx(Archivio &archivio, const QString &libro, const QString &foglio, bool cercaUnite);
// The .ods: its content.xml.
Apertura apriOds(Archivio &archivio, const QString &foglio);

} // namespace Fogli
