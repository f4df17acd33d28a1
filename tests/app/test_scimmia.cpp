// Random keys and clicks in every window, with a fixed seed: nothing may crash or hang, and the user can
// always leave the window from the keyboard.
#include <deque>
#include <random>

#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "finestre.h"
#include "frmmain.h"
#include "supporto.h"

namespace {

// A few thousand steps in all; SCIMMIA_PASSI sets another number per window for a longer run by hand.
const int kPassi = qEnvironmentVariableIntValue("SCIMMIA_PASSI") > 0 ? qEnvironmentVariableIntValue("SCIMMIA_PASSI")
                                                                     : 500;

const char *const kTasti[] = {
    "Tab",    "Shift+Tab", "Return", "Num+Enter", "Space",     "Up",  "Down",   "Left",    "Right",
    "Home",   "End",       "PgUp",   "PgDown",    "Backspace", "Del", "Escape", "F4",      "Alt+Down",
    "Ctrl+A", "Ctrl+Z",    "Ctrl+V", "Ctrl+W",    "Alt+F4",    "t:a", "t:Z",    "t:0",     "t:7",
    "t: ",    "t:.",       "t:,",    "t:-",       "t:/",       "t:'", "t:E",    "t:1E400", "t:ROMA",
};

// A step of the random walk: a key, an access key, or a click somewhere in the window in front.
QString passoACaso(std::mt19937 &caso, const QWidget *davanti)
{
    const int tipo = std::uniform_int_distribution<int>(0, 9)(caso);
    if (tipo <= 1 && davanti) {
        const int x = std::uniform_int_distribution<int>(0, qMax(0, davanti->width() - 1))(caso);
        const int y = std::uniform_int_distribution<int>(0, qMax(0, davanti->height() - 1))(caso);
        return QStringLiteral("%1:%2,%3").arg(QLatin1Char(tipo == 0 ? 'c' : 'd')).arg(x).arg(y);
    }
    if (tipo == 2)
        return QStringLiteral("Alt+") + QChar(u'A' + std::uniform_int_distribution<int>(0, 25)(caso));
    return QString::fromLatin1(kTasti[std::uniform_int_distribution<int>(0, std::size(kTasti) - 1)(caso)]);
}

} // namespace

TEST(Scimmia, NessunaFinestraSiBloccaOTrattieneLUtente)
{
    // No browser and no printer to reach: their failures are messages, which the recorder takes.
    QTemporaryDir vuota;
    for (const char *variabile : {"XDG_DATA_DIRS", "XDG_CONFIG_HOME", "XDG_DATA_HOME"})
        qputenv(variabile, vuota.path().toLocal8Bit());
    qputenv("CUPS_SERVER", vuota.filePath(QStringLiteral("cups")).toLocal8Bit());
    CartellaProgrammaFinta cartella;
    for (const char *file : {"codes.dat", "codes.cf"})
        QFile::copy(QStringLiteral(SPORTELLO_SOURCE_DIR "/data/") + QLatin1String(file),
                    cartella.file(QLatin1String(file)));
    RegistroMessaggi registro;

    unsigned seme = 20261209;
    for (const FinestraDaProvare &f : finestreDaProvare()) {
        if (f.passi.empty())
            continue; // the main window: its keys would open the others or end the program
        frmMain menu;
        menu.carica();
        menu.show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&menu));
        std::mt19937 caso(seme++);
        std::deque<QString> apertura;
        QString trattenuto;
        const auto passo = [&](int i) -> QString {
            QWidget *davanti = finestraInPrimoPiano();
            if (i == kPassi) {
                // The window in front still has a control that takes the keys.
                const QWidget *fuoco = QApplication::focusWidget();
                if (davanti && (!fuoco || !fuoco->isVisible() || !fuoco->isEnabled() || fuoco->window() != davanti))
                    trattenuto = QStringLiteral("no usable focus in %1").arg(davanti->windowTitle());
            }
            // Then out from the keyboard alone: Escape for an open list, Ctrl+W for a window; in the main
            // window, time for an access key's click still on its way.
            if (i >= kPassi)
                return davanti == &menu ? QStringLiteral("p:200") : QLatin1String(i % 2 ? "Escape" : "Ctrl+W");
            if (davanti == &menu && apertura.empty()) {
                // The window was closed: open it again; the access key clicks a little later.
                for (const char *p : f.passi) {
                    apertura.push_back(QString::fromUtf8(p));
                    if (apertura.back().startsWith(QLatin1String("Alt+")))
                        apertura.push_back(QStringLiteral("p:150"));
                }
            }
            if (!apertura.empty()) {
                QString p = apertura.front();
                apertura.pop_front();
                return p;
            }
            return passoACaso(caso, davanti);
        };
        bool fuori = false;
        const bool finiti = eseguiPassi(
            kPassi + 12, passo, [&] { fuori = finestraInPrimoPiano() == &menu; }, 0, 600000);
        EXPECT_TRUE(finiti) << f.nome;
        EXPECT_EQ(trattenuto, QString()) << f.nome;
        EXPECT_TRUE(fuori) << f.nome;
        chiudiModali(&menu);
    }
}
