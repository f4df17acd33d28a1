#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTextStream>
#include <QTranslator>

#include "flussi.h"
#include "rigadicomando.h"

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTranslator qt;
    if (qt.load(QLocale(QLocale::Italian, QLocale::Italy), QStringLiteral("qtbase"), QStringLiteral("_"),
                QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(&qt);
    Flussi::Testo standard(Flussi::Flusso::Uscita);
    Flussi::Testo standardErrori(Flussi::Flusso::Errori);
    QTextStream uscita(&standard);
    QTextStream errori(&standardErrori);
    const int stato = Cli::esegui(QCoreApplication::arguments(), uscita, errori,
                                  Flussi::terminale(Flussi::Flusso::Errori));
    uscita.flush();
    errori.flush();
    return stato;
}
