// Load of a full codes.cf and one complete fiscal code computation; the tolerant search of a place, the
// places as clerks write them and the near spellings.
#include <benchmark/benchmark.h>

#include <QFile>
#include <QTemporaryDir>

#include "calcolo.h"
#include "codici.h"
#include "ricercaluoghi.h"
#include "verificacf.h"

namespace {

constexpr int kVoci = 20000;

// A full table of names of realistic length and the end record. One entry in fifty repeats an earlier key with
// a last year, as the names that had two codes over time do in the shipped file.
QByteArray tabellaPiena()
{
    QByteArray dati;
    for (int i = 0; i < kVoci; ++i) {
        const bool storica = i % 50 == 25;
        const int n = storica ? i - 1 : i;
        dati += recordCodici("COMUNE DI PROVA " + QByteArray::number(n), n % 2 ? "RM" : "MI",
                             "Z" + QByteArray::number(i % 1000).rightJustified(3, '0'), storica ? "1950" : "");
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
        if (errore != 0 || tabella.numeroVoci() != kVoci)
            stato.SkipWithError("load failed");
    }
}
BENCHMARK(CaricaCodesCf)->Unit(benchmark::kMicrosecond);

// The shipped codes.cf: its records, the days of every entry after them and the indexes by name and by code,
// as the fiscal code window reads them at each opening.
void CaricaCodesCfSpedito(benchmark::State &stato)
{
    for (auto _ : stato) {
        Fiscale::TabellaCodici tabella;
        const int errore = tabella.carica(QStringLiteral(SPORTELLO_SOURCE_DIR "/data/codes.cf"));
        benchmark::DoNotOptimize(errore);
        if (errore != 0 || !tabella.conGiorni())
            stato.SkipWithError("codes.cf not read with its days");
    }
}
BENCHMARK(CaricaCodesCfSpedito)->Unit(benchmark::kMicrosecond);

// Compaction, lookup of the last entry of a full table, check character.
void CalcoloCompleto(benchmark::State &stato)
{
    Fiscale::TabellaCodici tabella;
    tabella.analizza(tabellaPiena());
    const QString cognome = QString::fromUtf8("De Luca"), nome = QString::fromUtf8("Nicolò Maria");
    const QString comune = QStringLiteral("comune di prova 19999"), provincia = QStringLiteral("rm");
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

// One verification with its decode and the place lookup over the shipped table: an omocodic code, so that
// every step runs, and the texts a caller shows only on demand.
void VerificaCompleta(benchmark::State &stato)
{
    Fiscale::TabellaCodici tabella;
    if (tabella.carica(QStringLiteral(SPORTELLO_SOURCE_DIR "/data/codes.cf")) != 0)
        stato.SkipWithError("codes.cf not read");
    const Fiscale::IndiceCatastale indice(tabella);
    const QString codice = QStringLiteral("rssmra80a01h5lmx");
    const QDate oggi = QDate::currentDate();
    for (auto _ : stato) {
        const Fiscale::Verifica v = Fiscale::verifica(codice, &indice, oggi);
        benchmark::DoNotOptimize(v.voce);
        if (!v.valido() || v.voce < 0)
            stato.SkipWithError("verification failed");
    }
}
BENCHMARK(VerificaCompleta)->Unit(benchmark::kNanosecond);

// The reverse index that the window builds at each opening, on a full table and on the shipped one (with the
// days of every code).
void IndiceCatastale(benchmark::State &stato)
{
    Fiscale::TabellaCodici tabella;
    tabella.analizza(tabellaPiena());
    for (auto _ : stato) {
        Fiscale::IndiceCatastale indice(tabella);
        benchmark::DoNotOptimize(indice.cerca('Z', 999));
    }
}
BENCHMARK(IndiceCatastale)->Unit(benchmark::kMicrosecond);

void IndiceCatastaleSpedito(benchmark::State &stato)
{
    Fiscale::TabellaCodici tabella;
    tabella.carica(QStringLiteral(SPORTELLO_SOURCE_DIR "/data/codes.cf"));
    for (auto _ : stato) {
        Fiscale::IndiceCatastale indice(tabella);
        benchmark::DoNotOptimize(indice.cerca('Z', 999));
    }
}
BENCHMARK(IndiceCatastaleSpedito)->Unit(benchmark::kMicrosecond);

// The tolerant search over all the names of the shipped codes.cf (today's, former, foreign) and luoghi.dat,
// after the exact lookup has failed: at most 50 µs a search. A text that matches no name whole also tries
// every cut name as a start (the worst case); the index is built at the first search, outside the loop.
void RicercaTolleranteNeiCodici(benchmark::State &stato)
{
    Fiscale::TabellaCodici tabella;
    tabella.carica(QStringLiteral(SPORTELLO_SOURCE_DIR "/data/codes.cf"));
    const Fiscale::RicercaLuoghi ricerca(QStringLiteral(SPORTELLO_SOURCE_DIR "/data/luoghi.dat"));
    const QDate nascita(1980, 1, 1);
    const QString testi[] = {QStringLiteral("Forli'"), QStringLiteral("Kaltern an der Weinstrasse"),
                             QStringLiteral("Atlantide")};
    if (ricerca.cerca(tabella, testi[0], QStringLiteral("FC"), nascita).size() != 1)
        stato.SkipWithError("FORLI' non trovato");
    size_t i = 0;
    for (auto _ : stato) {
        const std::vector<Luoghi::Luogo> trovati = ricerca.cerca(tabella, testi[i++ % 3], QString(), nascita);
        benchmark::DoNotOptimize(trovati.data());
    }
}
BENCHMARK(RicercaTolleranteNeiCodici)->Unit(benchmark::kMicrosecond);

// The places as clerks write them and the near spellings, over the same table, after the tolerant search has
// found nothing (it runs again inside each search here): at most 50 µs a search. The tables of these
// searches are built at the first, outside the loop (PrimaFormaScritta measures that one).
const Fiscale::TabellaCodici &tabellaSpedita()
{
    static const Fiscale::TabellaCodici tabella = [] {
        Fiscale::TabellaCodici t;
        t.carica(QStringLiteral(SPORTELLO_SOURCE_DIR "/data/codes.cf"));
        return t;
    }();
    return tabella;
}

void FormeScritteNeiCodici(benchmark::State &stato)
{
    const Fiscale::RicercaLuoghi ricerca(QStringLiteral(SPORTELLO_SOURCE_DIR "/data/luoghi.dat"));
    const QDate nascita(1980, 1, 1);
    const QString testi[] = {QStringLiteral("S. Giovanni Rotondo"),
                             QStringLiteral("Sesto S.Giovanni"),
                             QStringLiteral("S. S. Giovanni"),
                             QStringLiteral("Meran/Merano"),
                             QStringLiteral("Lamezia"),
                             QStringLiteral("San"),
                             QStringLiteral("00184"),
                             QStringLiteral("Atlantide")};
    if (ricerca.cerca(tabellaSpedita(), testi[0], QString(), nascita).size() != 1)
        stato.SkipWithError("S. Giovanni Rotondo non trovato");
    size_t i = 0;
    for (auto _ : stato) {
        const std::vector<Luoghi::Luogo> trovati = ricerca.cerca(tabellaSpedita(), testi[i++ % 8], QString(), nascita);
        benchmark::DoNotOptimize(trovati.data());
    }
}
BENCHMARK(FormeScritteNeiCodici)->Unit(benchmark::kMicrosecond);

void NomiViciniNeiCodici(benchmark::State &stato)
{
    const Fiscale::RicercaLuoghi ricerca(QStringLiteral(SPORTELLO_SOURCE_DIR "/data/luoghi.dat"));
    const QDate nascita(1980, 1, 1);
    const QString testi[] = {QStringLiteral("Milamo"), QStringLiteral("Tornio"),
                             QStringLiteral("Barcelona Pozzo di Gotto"), QStringLiteral("Atlantide"),
                             QStringLiteral("Castelnuovo di Garfagnama")};
    if (ricerca.proposte(tabellaSpedita(), testi[0], QString(), nascita).size() != 1)
        stato.SkipWithError("Milamo: MILANO non proposto");
    size_t i = 0;
    for (auto _ : stato) {
        const std::vector<Luoghi::Luogo> trovati =
            ricerca.proposte(tabellaSpedita(), testi[i++ % 5], QString(), nascita);
        benchmark::DoNotOptimize(trovati.data());
    }
}
BENCHMARK(NomiViciniNeiCodici)->Unit(benchmark::kMicrosecond);

// The first search that needs the clerk's forms: the tolerant index and the tables of the forms built.
void PrimaFormaScritta(benchmark::State &stato)
{
    for (auto _ : stato) {
        const Fiscale::RicercaLuoghi ricerca(QStringLiteral(SPORTELLO_SOURCE_DIR "/data/luoghi.dat"));
        benchmark::DoNotOptimize(ricerca.cerca(tabellaSpedita(), QStringLiteral("Lamezia"), QString(), QDate()).data());
    }
}
BENCHMARK(PrimaFormaScritta)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
