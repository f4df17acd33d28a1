// Starts like the program does and ends once the main window has painted: what start-up costs.
#include <QApplication>

#include "frmmain.h"
#include "osenxp.h"
#include "primopaint.h"

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    Aspetto::inizializza();
    frmMain finestra;
    PrimoPaint osservatore;
    finestra.installEventFilter(&osservatore);
    finestra.carica();
    finestra.show();
    return app.exec();
}
