// sportello-cli over generated tables of 100,000 rows, file in and file out: rows per second of each
// command (items per second below). tools/misura_cli.sh measures the program itself on a million.
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include "comandi.h"
#include "generapersone.h"
#include "tabella.h"
#include "verificacf.h"

namespace {

constexpr qint64 kRighe = 100000;

struct Dati {
    QTemporaryDir cartella;
    QString persone, codici, omocodici, calcolati, partite, uscita;
    Fiscale::TabellaCodici tabella;

    Dati()
    {
        tabella.carica(QStringLiteral(SPORTELLO_SOURCE_DIR "/data/codes.cf"));
        persone = cartella.filePath(QStringLiteral("persone.csv"));
        codici = cartella.filePath(QStringLiteral("codici.csv"));
        omocodici = cartella.filePath(QStringLiteral("omocodici.csv"));
        calcolati = cartella.filePath(QStringLiteral("calcolati.csv"));
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
        // The codes that calcola gives, one column, and in omocodic form (positions 14 and 15 replaced); and
        // the whole table that calcola writes, surname and name beside each code.
        Tabelle::Calcola calcola(tabella);
        esegui(calcola, persone);
        QFile::copy(uscita, calcolati);
        QFile tabellaCalcolata(calcolati), c(codici), o(omocodici);
        tabellaCalcolata.open(QIODevice::ReadOnly);
        c.open(QIODevice::WriteOnly);
        o.open(QIODevice::WriteOnly);
        while (!tabellaCalcolata.atEnd()) {
            const QByteArray codice = tabellaCalcolata.readLine().split(';').value(6);
            c.write(codice + '\n');
            const QStringList varianti =
                Fiscale::variantiOmocodiche(Fiscale::verifica(QString::fromLatin1(codice), nullptr, QDate()));
            o.write((varianti.isEmpty() ? codice : varianti[1].toLatin1()) + '\n');
        }
    }

    int esegui(Tabelle::Comando &comando, const QString &ingresso) const
    {
        Tabelle::OpzioniTabella opzioni;
        opzioni.ingresso = ingresso;
        opzioni.uscita = uscita;
        Tabelle::Osservatore osservatore;
        return Tabelle::eseguiTabella(comando, opzioni, osservatore).stato == Tabelle::Stato::Errore ? 2 : 0;
    }
};

const Dati &tabelle()
{
    static const Dati t;
    return t;
}

void misura(benchmark::State &stato, Tabelle::Comando &&comando, const QString &ingresso)
{
    for (auto _ : stato) {
        if (tabelle().esegui(comando, ingresso) > 1)
            stato.SkipWithError("sportello-cli failed");
    }
    stato.SetItemsProcessed(stato.iterations() * kRighe);
}

void Calcola(benchmark::State &stato)
{
    misura(stato, Tabelle::Calcola(tabelle().tabella), tabelle().persone);
}
BENCHMARK(Calcola)->Unit(benchmark::kMillisecond);

void Verifica(benchmark::State &stato)
{
    misura(stato, Tabelle::VerificaCmd(tabelle().tabella), tabelle().codici);
}
BENCHMARK(Verifica)->Unit(benchmark::kMillisecond);

void VerificaOmocodici(benchmark::State &stato)
{
    misura(stato, Tabelle::VerificaCmd(tabelle().tabella), tabelle().omocodici);
}
BENCHMARK(VerificaOmocodici)->Unit(benchmark::kMillisecond);

void VerificaConCognomeENome(benchmark::State &stato)
{
    misura(stato, Tabelle::VerificaCmd(tabelle().tabella), tabelle().calcolati);
}
BENCHMARK(VerificaConCognomeENome)->Unit(benchmark::kMillisecond);

void PartitaIva(benchmark::State &stato)
{
    misura(stato, Tabelle::PartitaIvaCmd(), tabelle().partite);
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
