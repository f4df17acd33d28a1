// sportello-cli over generated tables of 100,000 rows, file in and file out: rows per second of each
// command (items per second below). tools/misura_cli.sh measures the program itself on a million.
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include "comandi.h"
#include "generapersone.h"
#include "tabella.h"

namespace {

constexpr qint64 kRighe = 100000;

struct Tabelle {
    QTemporaryDir cartella;
    QString persone, codici, partite, uscita;
    Fiscale::TabellaCodici tabella;

    Tabelle()
    {
        tabella.carica(QStringLiteral(SPORTELLO_SOURCE_DIR "/data/codes.cf"));
        persone = cartella.filePath(QStringLiteral("persone.csv"));
        codici = cartella.filePath(QStringLiteral("codici.csv"));
        partite = cartella.filePath(QStringLiteral("partite.csv"));
        uscita = cartella.filePath(QStringLiteral("uscita.csv"));
        Generatore::Opzioni opzioni;
        opzioni.righe = kRighe;
        QFile f(persone), p(partite);
        f.open(QIODevice::WriteOnly);
        p.open(QIODevice::WriteOnly);
        Generatore::persone(QStringLiteral(SPORTELLO_SOURCE_DIR "/data/codes.dat"), opzioni,
                            [&](const QByteArray &b) { f.write(b); });
        Generatore::partiteIva(opzioni, [&](const QByteArray &b) { p.write(b); });
        f.close();
        // The codes that calcola gives, one column.
        Cli::Calcola calcola(tabella);
        esegui(calcola, persone);
        QFile calcolati(uscita), c(codici);
        calcolati.open(QIODevice::ReadOnly);
        c.open(QIODevice::WriteOnly);
        while (!calcolati.atEnd())
            c.write(calcolati.readLine().split(';').value(6) + '\n');
    }

    int esegui(Cli::Comando &comando, const QString &ingresso) const
    {
        Cli::OpzioniTabella opzioni;
        opzioni.ingresso = ingresso;
        opzioni.uscita = uscita;
        return Cli::eseguiTabella(comando, opzioni, [](const QString &) {});
    }
};

const Tabelle &tabelle()
{
    static const Tabelle t;
    return t;
}

void misura(benchmark::State &stato, Cli::Comando &&comando, const QString &ingresso)
{
    for (auto _ : stato) {
        if (tabelle().esegui(comando, ingresso) > 1)
            stato.SkipWithError("sportello-cli failed");
    }
    stato.SetItemsProcessed(stato.iterations() * kRighe);
}

void Calcola(benchmark::State &stato)
{
    misura(stato, Cli::Calcola(tabelle().tabella), tabelle().persone);
}
BENCHMARK(Calcola)->Unit(benchmark::kMillisecond);

void Verifica(benchmark::State &stato)
{
    misura(stato, Cli::VerificaCmd(tabelle().tabella), tabelle().codici);
}
BENCHMARK(Verifica)->Unit(benchmark::kMillisecond);

void PartitaIva(benchmark::State &stato)
{
    misura(stato, Cli::PartitaIvaCmd(), tabelle().partite);
}
BENCHMARK(PartitaIva)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
