// Main of every test program: headless (offscreen; on Windows in the test's display), Italian regional
// settings, the program's look (Qt's translations load where the program loads them: before a message box or
// a tool window).
#include <gtest/gtest.h>

#include <QApplication>
#include <QLocale>

#include "osenxp.h"

int main(int argc, char **argv)
{
#ifndef Q_OS_WIN
    // Windows keeps its own platform: Qt's offscreen one has no fonts there (under Wine, in Xvfb, the
    // windows open on the virtual screen).
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
#endif
    ::testing::InitGoogleTest(&argc, argv);
    QLocale::setDefault(QLocale(QLocale::Italian, QLocale::Italy));
    QApplication app(argc, argv);
    Aspetto::inizializza();
    return RUN_ALL_TESTS();
}
