// The first look at a table, as the engine will read it.
#include "tabella.h"

#include <QFile>
#include <QFileInfo>

#include "motivi.h"
#include "sorgentefoglio.h"

namespace Tabelle {

namespace {

bool fermato(const std::atomic<bool> *annullato)
{
    return annullato && annullato->load(std::memory_order_relaxed);
}

Anteprima illeggibile(const QString &file, const QString &perche)
{
    Anteprima a;
    a.problema.tipo = Problema::Tipo::Lettura;
    a.problema.file = file;
    a.problema.motivo = minuscola(perche);
    return a;
}

Anteprima righeFoglio(SorgenteFoglio &sorgente, const QString &file, const QString &foglio, int righe,
                      const std::atomic<bool> *annullato)
{
    if (!sorgente.apri(file, foglio))
        return illeggibile(file, sorgente.errore());
    Anteprima a;
    Riga riga;
    if (!sorgente.leggi(riga)) {
        if (!sorgente.errore().isEmpty())
            return illeggibile(file, sorgente.errore());
        a.problema.tipo = Problema::Tipo::Vuota;
        a.problema.file = file;
        return a;
    }
    for (const Fogli::Cella &c : sorgente.celleIntestazione())
        a.intestazione.append(Fogli::testoVisibile(c).trimmed());
    while (a.righe.size() < righe && !fermato(annullato) && sorgente.leggi(riga)) {
        QStringList valori;
        for (qsizetype i = 0; i < riga.campi(); ++i)
            valori.append(QString::fromUtf8(riga.testo(i)));
        a.righe.append(valori);
    }
    if (!sorgente.errore().isEmpty())
        return illeggibile(file, sorgente.errore());
    return a;
}

// The rows first, then the names of every sheet: an .ods names its sheets as they come, and the same
// reading goes on to the end for them.
Anteprima anteprimaFoglio(const QString &file, const QString &foglio, int righe, const std::atomic<bool> *annullato)
{
    SorgenteFoglio sorgente(false);
    Anteprima a = righeFoglio(sorgente, file, foglio, righe, annullato);
    a.fogli = sorgente.tuttiIFogli();
    a.foglio = sorgente.nomeFoglio();
    return a;
}

// The first records as read, their encoding judged from all of them together.
Anteprima anteprimaCsv(QFile &f, int righe, const std::atomic<bool> *annullato)
{
    Csv::Lettore lettore(f);
    lettore.rinviaCodifica();
    Csv::Riga riga;
    std::vector<std::vector<QByteArray>> lette;
    QByteArray tutte;
    bool intestazione = false;
    while (static_cast<qsizetype>(lette.size()) <= righe && !fermato(annullato) && lettore.leggi(riga)) {
        if (riga.vuota && !intestazione)
            continue;
        intestazione = true;
        std::vector<QByteArray> campi;
        for (QByteArrayView c : riga.campi) {
            campi.push_back(c.toByteArray());
            tutte += campi.back();
            tutte += '\n';
        }
        lette.push_back(std::move(campi));
    }
    if (!lettore.errore().isEmpty())
        return illeggibile(f.fileName(), lettore.errore());
    Anteprima a;
    if (lette.empty()) {
        a.problema.tipo = Problema::Tipo::Vuota;
        a.problema.file = f.fileName();
        return a;
    }
    const Csv::Codifica codifica =
        Csv::rilevaCodifica(tutte) == Csv::Codifica::Windows1252 ? Csv::Codifica::Windows1252 : Csv::Codifica::Utf8;
    for (size_t r = 0; r < lette.size(); ++r) {
        QStringList valori;
        for (const QByteArray &c : lette[r])
            valori.append(r == 0 ? taglia(Csv::decodifica(c, codifica)) : Csv::decodifica(c, codifica));
        if (r == 0)
            a.intestazione = valori;
        else
            a.righe.append(valori);
    }
    return a;
}

} // namespace

Anteprima anteprima(const QString &file, const QString &foglio, int righe, const std::atomic<bool> *annullato)
{
    if (QFileInfo(file).isDir())
        return illeggibile(file, QStringLiteral("è una cartella"));
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        return illeggibile(file, motivo(f));
    const QByteArray primi = f.read(4096);
    f.seek(0);
    if (SorgenteFoglio::foglio(primi))
        return anteprimaFoglio(file, foglio, righe, annullato);
    Anteprima a;
    const QString cosa = Csv::nonTabella(primi);
    if (!cosa.isEmpty()) {
        a.problema.tipo = Problema::Tipo::NonTabella;
        a.problema.file = file;
        a.problema.motivo = cosa;
        return a;
    }
    return anteprimaCsv(f, righe, annullato);
}

} // namespace Tabelle
