// Main of every test program: headless, Italian regional settings, the program's look (Qt's translations load where
// the program loads them: before a message box or a tool window).
#include <gtest/gtest.h>

#include <QApplication>
#include <QLocale>

#include "osenxp.h"

int main(int argc, char **argv)
{
#ifdef Q_OS_WIN
    // Windows's own file dialogs are no Qt windows that a test could drive: the tests use Qt's, as on Linux.
    QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
    // Wine passes no QT_ variable to the program: SPORTELLO_QPA chooses the platform there (tools/windows.sh
    // runs the tests that measure text on Qt's Windows platform, since the offscreen one has no fonts there).
    if (!qEnvironmentVariableIsEmpty("SPORTELLO_QPA"))
        qputenv("QT_QPA_PLATFORM", qgetenv("SPORTELLO_QPA"));
#endif
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    ::testing::InitGoogleTest(&argc, argv);
    QLocale::setDefault(QLocale(QLocale::Italian, QLocale::Italy));
    QApplication app(argc, argv);
    Aspetto::inizializza();
    return RUN_ALL_TESTS();
}
