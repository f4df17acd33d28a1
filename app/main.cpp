#include <QApplication>

#include "autoverifica.h"
#include "frmmain.h"
#include "osenxp.h"
#include "versione.h"

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    // The window class and the desktop entry the desktop matches the windows with, whatever the path.
    QCoreApplication::setApplicationName(QStringLiteral("sportello"));
    QGuiApplication::setDesktopFileName(QString::fromLatin1(Versione::kIdApplicazione));
    Aspetto::inizializza();
    frmMain finestra;
    finestra.carica();
    finestra.show();
    if (Autoverifica::richiesta())
        return Autoverifica::esegui(finestra);
    return app.exec();
}
