// Load of a full codes.cf and one complete fiscal code computation.
#include <benchmark/benchmark.h>

#include <QFile>
#include <QTemporaryDir>

#include "calcolo.h"
#include "codici.h"

namespace {

// 9000 entries with names of realistic length and the end record, as the shipped file has.
QByteArray tabellaPiena()
{
    QByteArray dati;
    for (int i = 0; i < 9000; ++i) {
        const QByteArray nome = "COMUNE DI PROVA " + QByteArray::number(i);
        dati += recordCodici(nome, i % 2 ? "RM" : "MI", "Z" + QByteArray::number(i % 1000).rightJustified(3, '0'));
    }
    return dati + fineCodici();
}

void CaricaCodesCf(benchmark::State &stato)
{
    QTemporaryDir cartella;
    const QString percorso = cartella.filePath(QStringLiteral("codes.cf"));
    QFile file(percorso);
    file.open(QIODevice::WriteOnly);
    file.write(tabellaPiena());
    file.close();
    for (auto _ : stato) {
        Fiscale::TabellaCodici tabella;
        const int errore = tabella.carica(percorso);
        benchmark::DoNotOptimize(errore);
        if (errore != 0 || tabella.numeroVoci() != 9000)
            stato.SkipWithError("load failed");
    }
}
BENCHMARK(CaricaCodesCf)->Unit(benchmark::kMicrosecond);

// Compaction, lookup of the last entry of a full table, check character.
void CalcoloCompleto(benchmark::State &stato)
{
    Fiscale::TabellaCodici tabella;
    tabella.analizza(tabellaPiena());
    const QString cognome = QString::fromUtf8("De Luca"), nome = QString::fromUtf8("Nicolò Maria");
    const QString comune = QStringLiteral("comune di prova 8999"), provincia = QStringLiteral("rm");
    const QDate data(1980, 2, 1);
    for (auto _ : stato) {
        const Fiscale::Esito esito =
            Fiscale::CodiceFiscale(cognome, nome, QStringLiteral("M"), data, comune, provincia, tabella);
        benchmark::DoNotOptimize(esito.codice.constData());
        if (esito.codice.size() != 16)
            stato.SkipWithError("computation failed");
    }
}
BENCHMARK(CalcoloCompleto)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
