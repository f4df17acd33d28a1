// Helper of tools/misura_fogli.sh:
//   misura_fogli genera FILE N   writes an .xlsx of N people (7 columns, the birth date as a date cell)
//   misura_fogli leggi FILE [FOGLIO]   reads a sheet and writes it as ;-separated text to standard output
//   misura_fogli copia FILE USCITA     reads a sheet, turns every cell into text as the commands do, and
//                                      writes each row to an .xlsx with two text cells more (a code of 16
//                                      letters and a short note), as `sportello-cli calcola` does
#include "foglio.h"
#include "scrittorexlsx.h"

#include <cstdio>

#include <QCoreApplication>
#include <QDate>

using namespace Fogli;

namespace {

int genera(const QString &percorso, qint64 n)
{
    ScrittoreXlsx s(percorso);
    if (!s.apri({QStringLiteral("cognome"), QStringLiteral("nome"), QStringLiteral("sesso"),
                 QStringLiteral("data di nascita"), QStringLiteral("comune"), QStringLiteral("provincia"),
                 QStringLiteral("importo")})) {
        std::fprintf(stderr, "%s\n", qPrintable(s.errore()));
        return 2;
    }
    const QStringList cognomi = {QStringLiteral("ROSSI"), QStringLiteral("BIANCHI"), QStringLiteral("D'ANGELO"),
                                 QStringLiteral("NICOLÒ"), QStringLiteral("ESPOSITO")};
    const QStringList nomi = {QStringLiteral("MARIO"), QStringLiteral("GIULIA"), QStringLiteral("LUCA"),
                              QStringLiteral("FRANCESCA")};
    const QStringList comuni = {QStringLiteral("ROMA"), QStringLiteral("MILANO"), QStringLiteral("FORLÌ"),
                                QStringLiteral("NAPOLI")};
    const QStringList province = {QStringLiteral("RM"), QStringLiteral("MI"), QStringLiteral("FC"),
                                  QStringLiteral("NA")};
    std::vector<Cella> riga(7);
    const QDate base(1940, 1, 1);
    for (qint64 i = 0; i < n; ++i) {
        riga[0] = Cella::diTesto(cognomi[i % cognomi.size()]);
        riga[1] = Cella::diTesto(nomi[i % nomi.size()]);
        riga[2] = Cella::diTesto(i % 2 ? QStringLiteral("F") : QStringLiteral("M"));
        riga[3] = Cella::diData(base.addDays(i % 25000));
        riga[4] = Cella::diTesto(comuni[i % comuni.size()]);
        riga[5] = Cella::diTesto(province[i % province.size()]);
        riga[6] = Cella::diNumero(static_cast<double>(i % 100000) / 4);
        if (!s.scriviRiga(riga)) {
            std::fprintf(stderr, "%s\n", qPrintable(s.errore()));
            return 2;
        }
    }
    if (!s.chiudi({{QStringLiteral("Righe"), QString::number(n)}})) {
        std::fprintf(stderr, "%s\n", qPrintable(s.errore()));
        return 2;
    }
    return 0;
}

int leggi(const QString &percorso, const QString &foglio)
{
    LettoreFoglio l;
    if (!l.apri(percorso, foglio)) {
        std::fprintf(stderr, "%s\n", qPrintable(l.errore()));
        return 2;
    }
    Riga r;
    QByteArray linea;
    static char buffer[1 << 16];
    std::setvbuf(stdout, buffer, _IOFBF, sizeof buffer);
    while (l.leggiRiga(r)) {
        linea.clear();
        for (size_t i = 0; i < r.celle.size(); ++i) {
            if (i)
                linea += ';';
            linea += testoVisibile(r.celle[i]).toUtf8();
        }
        linea += '\n';
        std::fwrite(linea.constData(), 1, static_cast<size_t>(linea.size()), stdout);
    }
    if (!l.errore().isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(l.errore()));
        return 2;
    }
    return 0;
}

int copia(const QString &percorso, const QString &uscita)
{
    LettoreFoglio l;
    if (!l.apri(percorso)) {
        std::fprintf(stderr, "%s\n", qPrintable(l.errore()));
        return 2;
    }
    ScrittoreXlsx s(uscita);
    Riga r;
    std::vector<Cella> fuori;
    qint64 caratteri = 0;
    bool primaRiga = true;
    while (l.leggiRiga(r)) {
        // The text of every cell, as the engine reads it.
        QString codice;
        for (const Cella &c : r.celle) {
            const QString t = testoVisibile(c);
            caratteri += t.size();
            codice += t.left(2);
        }
        codice = codice.left(16).toUpper();
        if (primaRiga) {
            QStringList intestazioni;
            for (const Cella &c : r.celle)
                intestazioni.append(testoVisibile(c));
            intestazioni << QStringLiteral("codice fiscale") << QStringLiteral("esito");
            if (!s.apri(intestazioni)) {
                std::fprintf(stderr, "%s\n", qPrintable(s.errore()));
                return 2;
            }
            primaRiga = false;
            continue;
        }
        fuori = r.celle;
        fuori.resize(7);
        fuori.push_back(Cella::diTesto(codice));
        fuori.push_back(Cella::diTesto(QStringLiteral("verificato")));
        if (!s.scriviRiga(fuori)) {
            std::fprintf(stderr, "%s\n", qPrintable(s.errore()));
            return 2;
        }
    }
    if (!l.errore().isEmpty() || primaRiga) {
        std::fprintf(stderr, "%s\n", qPrintable(l.errore()));
        return 2;
    }
    if (!s.chiudi({{QStringLiteral("Caratteri letti"), QString::number(caratteri)}})) {
        std::fprintf(stderr, "%s\n", qPrintable(s.errore()));
        return 2;
    }
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList a = app.arguments();
    if (a.size() == 4 && a[1] == QLatin1String("genera"))
        return genera(a[2], a[3].toLongLong());
    if ((a.size() == 3 || a.size() == 4) && a[1] == QLatin1String("leggi"))
        return leggi(a[2], a.size() == 4 ? a[3] : QString());
    if (a.size() == 4 && a[1] == QLatin1String("copia"))
        return copia(a[2], a[3]);
    std::fprintf(stderr, "Uso: misura_fogli genera FILE RIGHE | misura_fogli leggi FILE [FOGLIO] | "
                         "misura_fogli copia FILE USCITA\n");
    return 2;
}
