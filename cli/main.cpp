#include <cstdio>

#include <unistd.h>

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTextStream>
#include <QTranslator>

#include "rigadicomando.h"

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTranslator qt;
    if (qt.load(QLocale(QLocale::Italian, QLocale::Italy), QStringLiteral("qtbase"), QStringLiteral("_"),
                QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(&qt);
    QTextStream uscita(stdout);
    QTextStream errori(stderr);
    const int stato = Cli::esegui(QCoreApplication::arguments(), uscita, errori, isatty(STDERR_FILENO) != 0);
    uscita.flush();
    errori.flush();
    return stato;
}
