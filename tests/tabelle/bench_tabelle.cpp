// Reading and writing sheets of 100,000 rows and 7 columns (the people of tools/misura_fogli.sh), and the
// two together: rows per second (items per second below, or the counter righe/s). tools/misura_fogli.sh measures a million, with peak memory, beside a
// spreadsheet program converting the same file.
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QTemporaryDir>

#include "foglio.h"
#include "scrittorexlsx.h"

namespace {

constexpr qint64 kRighe = 100000;

std::vector<Fogli::Cella> persona(qint64 i)
{
    using Fogli::Cella;
    return {Cella::diTesto(i % 2 ? QStringLiteral("ROSSI") : QStringLiteral("NICOLÒ")),
            Cella::diTesto(QStringLiteral("MARIO")),
            Cella::diTesto(i % 2 ? QStringLiteral("M") : QStringLiteral("F")),
            Cella::diData(QDate(1940, 1, 1).addDays(i % 25000)),
            Cella::diTesto(QStringLiteral("FORLÌ")),
            Cella::diTesto(QStringLiteral("FC")),
            Cella::diNumero(static_cast<double>(i % 100000) / 4)};
}

bool scrivi(const QString &percorso)
{
    Fogli::ScrittoreXlsx s(percorso);
    if (!s.apri({QStringLiteral("cognome"), QStringLiteral("nome"), QStringLiteral("sesso"),
                 QStringLiteral("data di nascita"), QStringLiteral("comune"), QStringLiteral("provincia"),
                 QStringLiteral("importo")}))
        return false;
    for (qint64 i = 0; i < kRighe; ++i) {
        if (!s.scriviRiga(persona(i), i % 10 == 0))
            return false;
    }
    return s.chiudi({{QStringLiteral("Righe"), QString::number(kRighe)}});
}

void ScriviXlsx(benchmark::State &stato)
{
    QTemporaryDir cartella;
    for (auto _ : stato) {
        if (!scrivi(cartella.filePath(QStringLiteral("persone.xlsx"))))
            stato.SkipWithError("scrittura fallita");
    }
    stato.SetItemsProcessed(stato.iterations() * kRighe);
}
BENCHMARK(ScriviXlsx)->Unit(benchmark::kMillisecond);

void LeggiXlsx(benchmark::State &stato)
{
    QTemporaryDir cartella;
    const QString percorso = cartella.filePath(QStringLiteral("persone.xlsx"));
    if (!scrivi(percorso)) {
        stato.SkipWithError("scrittura fallita");
        return;
    }
    for (auto _ : stato) {
        Fogli::LettoreFoglio l;
        Fogli::Riga r;
        qint64 caratteri = 0;
        if (!l.apri(percorso))
            stato.SkipWithError("lettura fallita");
        while (l.leggiRiga(r)) {
            for (const Fogli::Cella &c : r.celle)
                caratteri += Fogli::testoVisibile(c).size();
        }
        benchmark::DoNotOptimize(caratteri);
    }
    stato.SetItemsProcessed(stato.iterations() * (kRighe + 1));
}
BENCHMARK(LeggiXlsx)->Unit(benchmark::kMillisecond);

// The path of `sportello-cli calcola` over a sheet without the engine: read a row, every cell to text,
// the row written with two text cells more (a code of 16 letters and a note). Rows per second in the
// counter "righe/s" (CPU time); the engine's own work is about 1 microsecond a row beside it.
void LeggiTestoScriviXlsx(benchmark::State &stato)
{
    QTemporaryDir cartella;
    const QString percorso = cartella.filePath(QStringLiteral("persone.xlsx"));
    const QString uscita = cartella.filePath(QStringLiteral("risultato.xlsx"));
    if (!scrivi(percorso)) {
        stato.SkipWithError("scrittura fallita");
        return;
    }
    for (auto _ : stato) {
        Fogli::LettoreFoglio l;
        Fogli::Riga r;
        if (!l.apri(percorso) || !l.leggiRiga(r)) {
            stato.SkipWithError("lettura fallita");
            break;
        }
        QStringList intestazioni;
        for (const Fogli::Cella &c : r.celle)
            intestazioni.append(Fogli::testoVisibile(c));
        intestazioni << QStringLiteral("codice fiscale") << QStringLiteral("esito");
        Fogli::ScrittoreXlsx s(uscita);
        bool ok = s.apri(intestazioni);
        while (ok && l.leggiRiga(r)) {
            QString codice;
            for (const Fogli::Cella &c : r.celle)
                codice += Fogli::testoVisibile(c).left(2);
            std::vector<Fogli::Cella> fuori = r.celle;
            fuori.resize(7);
            fuori.push_back(Fogli::Cella::diTesto(codice.left(16).toUpper()));
            fuori.push_back(Fogli::Cella::diTesto(QStringLiteral("verificato")));
            ok = s.scriviRiga(fuori);
        }
        if (!ok || !l.errore().isEmpty() || !s.chiudi())
            stato.SkipWithError("copia fallita");
    }
    stato.counters["righe/s"] =
        benchmark::Counter(static_cast<double>(stato.iterations() * kRighe), benchmark::Counter::kIsRate);
}
BENCHMARK(LeggiTestoScriviXlsx)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
