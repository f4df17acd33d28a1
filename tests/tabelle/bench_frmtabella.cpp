// Opening the window "Elabora Tabella" with the shipped data files: construction, the load step (the
// command of the first operation with its data), styling and the first paint of every control. Target: at
// most 5 ms on an idle 2-core machine; under load compare instruction counts instead:
// valgrind --tool=callgrind --toggle-collect='*ApriLaFinestra*' tests/bench_frmtabella
#include <benchmark/benchmark.h>

#include "frmtabella.h"
#include "modulo1.h"
#include "percorsi.h"

namespace {

void ApriLaFinestra(benchmark::State &stato)
{
    Percorsi::impostaCartellaProgramma(QStringLiteral(SPORTELLO_SOURCE_DIR "/data"));
    int messaggi = 0;
    Modulo1::impostaIntercettatoreMessaggi([&messaggi](const Modulo1::Messaggio &) {
        ++messaggi;
        return 1;
    });
    for (auto _ : stato) {
        frmTabella w;
        if (!w.carica())
            stato.SkipWithError("finestra non caricata");
        w.Form_Activate();
        benchmark::DoNotOptimize(w.grab());
    }
    Modulo1::impostaIntercettatoreMessaggi({});
    if (messaggi > 0)
        stato.SkipWithError("la finestra ha mostrato un messaggio");
}
BENCHMARK(ApriLaFinestra)->Unit(benchmark::kMillisecond);

} // namespace
