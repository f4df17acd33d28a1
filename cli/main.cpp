#include <atomic>
#include <cerrno>
#include <csignal>

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTextStream>
#include <QTranslator>

#include "flussi.h"
#include "rigadicomando.h"
#include "tabella.h"

namespace {

// Ctrl-C (or a termination) asks the run to stop and clean up; a second one ends the program at once.
std::atomic<bool> interrotto{false};
volatile std::sig_atomic_t segnale = 0;

void suSegnale(int numero)
{
    if (interrotto.load()) {
        std::signal(numero, SIG_DFL);
        std::raise(numero);
        return;
    }
    segnale = numero;
    interrotto.store(true);
}

} // namespace

int main(int argc, char *argv[])
{
    static_assert(decltype(interrotto)::is_always_lock_free, "the flag is set from a signal handler");
    QCoreApplication app(argc, argv);
    QTranslator qt;
    if (qt.load(QLocale(QLocale::Italian, QLocale::Italy), QStringLiteral("qtbase"), QStringLiteral("_"),
                QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(&qt);
    Flussi::intercettaInterruzioni(suSegnale);
    Flussi::Testo standard(Flussi::Flusso::Uscita);
    Flussi::Testo standardErrori(Flussi::Flusso::Errori);
    QTextStream uscita(&standard);
    QTextStream errori(&standardErrori);
    int stato = Cli::esegui(QCoreApplication::arguments(), uscita, errori, Flussi::terminale(Flussi::Flusso::Errori),
                            &interrotto);
    // An answer that could not be written (a full disk, a closed pipe) is an error, as it is for a table.
    errno = 0;
    uscita.flush();
    if (uscita.status() != QTextStream::Ok) {
        errori << "sportello-cli: impossibile scrivere sullo standard output: " << Tabelle::motivoScrittura(errno)
               << '\n';
        stato = Cli::kErroreUso;
    }
    errori.flush();
    // Stopped by a signal, once everything is cleaned up: the shell learns it as it would have.
    if (segnale != 0) {
        std::signal(segnale, SIG_DFL);
        std::raise(segnale);
    }
    return stato;
}
