// Loading a directory of 9001 municipalities, with and without the window, the shipped codes.dat, and one
// search at the end of the largest initial block (C, 1499 names).
//
// Targets on an idle 2-core machine: CaricaDalFile and CaricaIlFileDelProgramma at most 2 ms, the whole
// window (CaricaLaFinestra, with its list of 9001 rows) at most 4 ms. CaricaIlFileDelProgramma reads the
// shipped file, whose thousands of distinct postal codes make it allocate (and, between iterations, fault
// in) more memory: 1.59-1.67 ms (medians of 10 repetitions, three runs). Under load, compare
// instruction counts instead: valgrind --tool=callgrind --toggle-collect='*CaricaLaFinestra*' tests/bench_comuni
// --benchmark_filter=CaricaLaFinestra
//
// After an exact search has failed: the tolerant search over all the shipped names and their other names
// (RicercaTolleranteSuTuttiINomi, at most 50 µs a search), the forms clerks write and the near spellings
// (FormeScritteEViciniNelloElenco, the same) and the first load of the postal codes of luoghi.dat with one
// lookup (PrimoCaricamentoDeiCap, at most 1 ms).
#include <benchmark/benchmark.h>

#include <QTemporaryDir>

#include "comuni.h"
#include "filecomuni.h"
#include "percorsi.h"

namespace {

const QByteArray &dati()
{
    static const QByteArray file = FileComuni::file(FileComuni::righeDellaTabella(ElencoComuni::kCapienza));
    return file;
}

QString percorsoFile()
{
    static QTemporaryDir cartella;
    static const QString percorso = [] {
        QFile file(cartella.filePath(QStringLiteral("codes.dat")));
        file.open(QIODevice::WriteOnly);
        file.write(dati());
        file.close();
        Percorsi::impostaCartellaProgramma(cartella.path());
        return file.fileName();
    }();
    return percorso;
}

void CaricaDalFile(benchmark::State &stato)
{
    const QString percorso = percorsoFile();
    for (auto _ : stato) {
        const ElencoComuni::Caricamento c = ElencoComuni::caricacomuni(percorso);
        if (c.elenco.nomi.size() != ElencoComuni::kCapienza)
            stato.SkipWithError("elenco incompleto");
        benchmark::DoNotOptimize(c.elenco.nomi.constData());
    }
}
BENCHMARK(CaricaDalFile)->Unit(benchmark::kMillisecond);

// The real file: a few thousand distinct postal codes, where the synthetic one repeats one.
void CaricaIlFileDelProgramma(benchmark::State &stato)
{
    const QString percorso = QStringLiteral(SPORTELLO_SOURCE_DIR "/data/codes.dat");
    for (auto _ : stato) {
        const ElencoComuni::Caricamento c = ElencoComuni::caricacomuni(percorso);
        if (c.errore != 0 || c.elenco.nomi.size() < 7000)
            stato.SkipWithError("codes.dat non letto");
        benchmark::DoNotOptimize(c.elenco.nomi.constData());
    }
}
BENCHMARK(CaricaIlFileDelProgramma)->Unit(benchmark::kMillisecond);

void LeggiDallaMemoria(benchmark::State &stato)
{
    for (auto _ : stato) {
        const ElencoComuni::Elenco e = ElencoComuni::leggi(dati());
        benchmark::DoNotOptimize(e.nomi.constData());
    }
}
BENCHMARK(LeggiDallaMemoria)->Unit(benchmark::kMillisecond);

void CercaInFondoAlBloccoC(benchmark::State &stato)
{
    const ElencoComuni::Elenco e = ElencoComuni::leggi(dati());
    const QString nome = QStringLiteral("c2520");
    for (auto _ : stato) {
        const ElencoComuni::Ricerca r = ElencoComuni::cerca(e, nome);
        if (r.posizione != 2520)
            stato.SkipWithError("non trovato");
        benchmark::DoNotOptimize(r);
    }
}
BENCHMARK(CercaInFondoAlBloccoC)->Unit(benchmark::kMicrosecond);

void RiempiLaLista(benchmark::State &stato)
{
    const ElencoComuni::Elenco e = ElencoComuni::leggi(dati());
    ListaComuni lista;
    lista.setUniformItemSizes(true);
    for (auto _ : stato) {
        lista.clear();
        lista.impostaVoci(ElencoComuni::voci(e));
    }
}
BENCHMARK(RiempiLaLista)->Unit(benchmark::kMillisecond);

const ElencoComuni::Elenco &elencoSpedito()
{
    static const ElencoComuni::Elenco elenco =
        ElencoComuni::caricacomuni(QStringLiteral(SPORTELLO_SOURCE_DIR "/data/codes.dat")).elenco;
    return elenco;
}

// The index is built once, at the first tolerant search of a window; each search here is one typed text.
void RicercaTolleranteSuTuttiINomi(benchmark::State &stato)
{
    const ElencoComuni::Elenco &e = elencoSpedito();
    Luoghi::Dati altri;
    altri.carica(QStringLiteral(SPORTELLO_SOURCE_DIR "/data/luoghi.dat"));
    Luoghi::Indice indice;
    for (int i = 0; i < e.nomi.size(); ++i)
        indice.aggiungi(e.nomi[i], e.elencosigle[i], i);
    indice.aggiungiAltriNomi(altri);
    const QString testi[] = {QStringLiteral("Forli'"), QStringLiteral("St. Christina in Gröden"),
                             QStringLiteral("Paterno'"), QStringLiteral("Atlantide")};
    size_t i = 0;
    for (auto _ : stato) {
        const std::vector<Luoghi::Luogo> trovati = indice.cerca(testi[i++ % 4]);
        benchmark::DoNotOptimize(trovati.data());
    }
}
BENCHMARK(RicercaTolleranteSuTuttiINomi)->Unit(benchmark::kMicrosecond);

// The directory's search after the exact one, when the tolerant search finds nothing: the forms clerks write
// and the near spellings offered, at most 50 µs a search; the tables are built at the first, outside the loop.
void FormeScritteEViciniNelloElenco(benchmark::State &stato)
{
    const ElencoComuni::Elenco &e = elencoSpedito();
    const ElencoComuni::RicercaTollerante ricerca(QStringLiteral(SPORTELLO_SOURCE_DIR "/data/luoghi.dat"));
    const QString testi[] = {QStringLiteral("S. Giovanni Rotondo"), QStringLiteral("Meran/Merano"),
                             QStringLiteral("Lamezia"), QStringLiteral("Milamo"), QStringLiteral("Atlantide")};
    if (ricerca.cerca(e, testi[0]).size() != 1 || ricerca.proposte(e, testi[3]).size() != 1)
        stato.SkipWithError("forme non trovate");
    size_t i = 0;
    for (auto _ : stato) {
        const QString &testo = testi[i++ % 5];
        std::vector<int> trovati = ricerca.cerca(e, testo);
        if (trovati.empty())
            trovati = ricerca.proposte(e, testo);
        benchmark::DoNotOptimize(trovati.data());
    }
}
BENCHMARK(FormeScritteEViciniNelloElenco)->Unit(benchmark::kMicrosecond);

void PrimoCaricamentoDeiCap(benchmark::State &stato)
{
    const ElencoComuni::Elenco &e = elencoSpedito();
    const QString percorso = QStringLiteral(SPORTELLO_SOURCE_DIR "/data/luoghi.dat");
    for (auto _ : stato) {
        const ElencoComuni::RicercaTollerante ricerca(percorso);
        if (ricerca.perCap(e, QStringLiteral("00184")).size() != 1)
            stato.SkipWithError("00184 non trovato");
    }
}
BENCHMARK(PrimoCaricamentoDeiCap)->Unit(benchmark::kMicrosecond);

void CaricaLaFinestra(benchmark::State &stato)
{
    percorsoFile();
    for (auto _ : stato) {
        Comuni w;
        if (!w.carica() || w.List1->count() != ElencoComuni::kCapienza)
            stato.SkipWithError("finestra non caricata");
    }
}
BENCHMARK(CaricaLaFinestra)->Unit(benchmark::kMillisecond);

} // namespace
