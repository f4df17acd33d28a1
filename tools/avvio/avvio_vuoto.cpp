// A bare Qt window of the main window's size that ends once it has painted: the yardstick for start-up.
#include <QApplication>
#include <QWidget>

#include "primopaint.h"

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QWidget finestra;
    finestra.resize(455, 285);
    PrimoPaint osservatore;
    finestra.installEventFilter(&osservatore);
    finestra.show();
    return app.exec();
}
