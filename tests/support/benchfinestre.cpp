// The main of the window benchmarks: an offscreen QApplication (unless a platform is chosen) with the
// program's look, as the windows have it when the program runs.
#include <benchmark/benchmark.h>

#include <QApplication>

#include "osenxp.h"

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    Aspetto::inizializza();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
