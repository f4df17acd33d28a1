// Opening the window "Verifica Codice Fiscale" with the shipped codes.cf: construction, load of the table
// and its reverse index, styling, and the first paint of every control.
#include <benchmark/benchmark.h>

#include "percorsi.h"
#include "verificacfform.h"

namespace {

void ApriLaFinestra(benchmark::State &stato)
{
    Percorsi::impostaCartellaProgramma(QStringLiteral(SPORTELLO_SOURCE_DIR "/data"));
    for (auto _ : stato) {
        VerificaCF w;
        if (!w.carica() || w.tabella().numeroVoci() == 0)
            stato.SkipWithError("finestra non caricata");
        w.Form_Activate();
        benchmark::DoNotOptimize(w.grab());
    }
}
BENCHMARK(ApriLaFinestra)->Unit(benchmark::kMillisecond);

} // namespace
