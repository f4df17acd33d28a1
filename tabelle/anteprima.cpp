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
    while (a.prime.size() <= kRigheIntestazione + righe && !fermato(annullato) && sorgente.leggi(riga)) {
        QStringList valori;
        for (qsizetype i = 0; i < riga.campi(); ++i)
            valori.append(QString::fromUtf8(riga.testo(i)));
        a.prime.append(valori);
        a.numeri.append(riga.csv.numero);
    }
    if (!sorgente.errore().isEmpty())
        return illeggibile(file, sorgente.errore());
    if (a.prime.isEmpty()) {
        a.problema.tipo = Problema::Tipo::Vuota;
        a.problema.file = file;
        return a;
    }
    for (const QString &v : a.prime.front())
        a.intestazione.append(v.trimmed());
    a.righe = a.prime.mid(1, righe);
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
    Anteprima a;
    QByteArray tutte;
    qsizetype intestazione = -1;
    while (static_cast<qsizetype>(lette.size()) <= kRigheIntestazione + righe && !fermato(annullato) &&
           lettore.leggi(riga)) {
        if (intestazione < 0 && !riga.vuota)
            intestazione = qsizetype(lette.size());
        std::vector<QByteArray> campi;
        for (QByteArrayView c : riga.campi) {
            campi.push_back(c.toByteArray());
            tutte += campi.back();
            tutte += '\n';
        }
        lette.push_back(std::move(campi));
        a.numeri.append(riga.numero);
    }
    if (!lettore.errore().isEmpty())
        return illeggibile(f.fileName(), lettore.errore());
    if (intestazione < 0) {
        a.problema.tipo = Problema::Tipo::Vuota;
        a.problema.file = f.fileName();
        return a;
    }
    const Csv::Codifica codifica =
        Csv::rilevaCodifica(tutte) == Csv::Codifica::Windows1252 ? Csv::Codifica::Windows1252 : Csv::Codifica::Utf8;
    for (const std::vector<QByteArray> &campi : lette) {
        QStringList valori;
        for (const QByteArray &c : campi)
            valori.append(Csv::decodifica(c, codifica));
        a.prime.append(valori);
    }
    for (const QString &v : a.prime[intestazione])
        a.intestazione.append(taglia(v));
    a.righe = a.prime.mid(intestazione + 1, righe);
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
