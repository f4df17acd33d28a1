// A window of the main window's size with one label and one push button, both with text, that ends once it
// has painted: the yardstick for start-up that pays, as any program with text does, for the fonts.
#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QWidget>

#include "primopaint.h"

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QWidget finestra;
    finestra.resize(455, 285);
    QLabel etichetta(QStringLiteral("Sportello"), &finestra);
    etichetta.setGeometry(0, 32, 455, 33);
    QPushButton pulsante(QStringLiteral("Esci"), &finestra);
    pulsante.setGeometry(232, 208, 97, 65);
    PrimoPaint osservatore;
    finestra.installEventFilter(&osservatore);
    finestra.show();
    return app.exec();
}
