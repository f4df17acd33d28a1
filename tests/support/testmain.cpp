// Main of every test program: headless, Italian regional settings, the program's look (Qt's translations load where
// the program loads them: before a message box or a tool window).
#include <gtest/gtest.h>

#include <QApplication>
#include <QLocale>

#include "osenxp.h"

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    ::testing::InitGoogleTest(&argc, argv);
    QLocale::setDefault(QLocale(QLocale::Italian, QLocale::Italy));
    QApplication app(argc, argv);
    Aspetto::inizializza();
    return RUN_ALL_TESTS();
}
