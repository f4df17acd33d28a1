#include <QApplication>

#include "frmmain.h"
#include "osenxp.h"

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    Aspetto::inizializza();
    frmMain finestra;
    finestra.carica();
    finestra.show();
    return app.exec();
}
