#include "autoverifica.h"

#include <cstdio>

#include <QApplication>
#include <QTextStream>
#include <QWidget>

#include "elencocomuni.h"
#include "errorifile.h"
#include "foglio.h"
#include "percorsi.h"
#include "tabellacodici.h"
#include "versione.h"

namespace {
const QString kComune = QStringLiteral("ROMA");
const QString kProvincia = QStringLiteral("RM");

bool controllaCodici(QTextStream &uscita, QTextStream &errori)
{
    const QString nome = QStringLiteral("codes.cf");
    Fiscale::TabellaCodici tabella;
    const int errore = tabella.carica(Percorsi::fileProgramma(nome));
    if (errore != 0) {
        errori << nome << ": " << ErroriFile::messaggio(errore, nome) << Qt::endl;
        return false;
    }
    const QString codice = tabella.trovacod(kComune, kProvincia);
    if (codice == Fiscale::kNonTrovato) {
        errori << nome << ": " << kComune << " (" << kProvincia << ") non trovato" << Qt::endl;
        return false;
    }
    uscita << nome << ": " << tabella.numeroVoci() << " voci, " << kComune << " (" << kProvincia << ") " << codice
           << Qt::endl;
    return true;
}

bool controllaComuni(QTextStream &uscita, QTextStream &errori)
{
    const QString nome = QStringLiteral("codes.dat");
    const ElencoComuni::Caricamento caricamento = ElencoComuni::caricacomuni(Percorsi::fileProgramma(nome));
    if (caricamento.errore != 0) {
        errori << nome << ": " << ErroriFile::messaggio(caricamento.errore, nome) << Qt::endl;
        return false;
    }
    const ElencoComuni::Ricerca ricerca = ElencoComuni::cerca(caricamento.elenco, kComune);
    if (ricerca.esito != ElencoComuni::Esito::Trovato) {
        errori << nome << ": " << kComune << " non trovato" << Qt::endl;
        return false;
    }
    const ElencoComuni::Dettagli dettagli = ElencoComuni::dettagli(caricamento.elenco, ricerca.posizione);
    uscita << nome << ": " << caricamento.elenco.nomi.size() << " comuni, " << kComune << " CAP " << dettagli.cap
           << ", " << dettagli.sigla << ", " << dettagli.regione.trimmed() << ", prefisso "
           << dettagli.prefisso.trimmed() << Qt::endl;
    return true;
}
// The module of the sheet libraries, which the program loads at its first sheet.
bool controllaFogli(QTextStream &uscita, QTextStream &errori)
{
    QString errore;
    const Fogli::Libreria *libreria = Fogli::libreria(&errore);
    if (!libreria || !libreria->lettore()) {
        errori << errore << Qt::endl;
        return false;
    }
    uscita << "Fogli di calcolo: lettura e scrittura disponibili" << Qt::endl;
    return true;
}
} // namespace

namespace Autoverifica {

bool richiesta()
{
    return !qEnvironmentVariableIsEmpty("SPORTELLO_AUTOVERIFICA");
}

int esegui(const QWidget &finestra, QTextStream &uscita, QTextStream &errori)
{
    QCoreApplication::processEvents();
    uscita << "Sportello " << Versione::kVersione << " (" << Versione::kIdApplicazione << ")" << Qt::endl;
    uscita << "Cartella del programma: " << Percorsi::cartellaProgramma() << Qt::endl;

    bool riuscita = true;
    if (!finestra.isVisible() || QApplication::windowIcon().isNull()) {
        errori << "La finestra principale non si è aperta con la sua icona" << Qt::endl;
        riuscita = false;
    }
    // Both files, even when the first fails, so that one run names every fault.
    riuscita = controllaCodici(uscita, errori) && riuscita;
    riuscita = controllaComuni(uscita, errori) && riuscita;
    riuscita = controllaFogli(uscita, errori) && riuscita;
    return riuscita ? 0 : 1;
}

int esegui(const QWidget &finestra)
{
    QTextStream uscita(stdout);
    QTextStream errori(stderr);
    return esegui(finestra, uscita, errori);
}

} // namespace Autoverifica
