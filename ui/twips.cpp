#include "twips.h"

#include <cmath>

#include <QGuiApplication>
#include <QScreen>

namespace Twips {

double dpi()
{
    const QScreen *schermo = QGuiApplication::primaryScreen();
    const double valore = schermo ? schermo->logicalDotsPerInch() : 96.0;
    return valore > 0 ? valore : 96.0;
}

int inPixel(double twips)
{
    return static_cast<int>(std::lround(twips * dpi() / 1440.0));
}

double daPixel(int pixel)
{
    return pixel * 1440.0 / dpi();
}

QRect rettangolo(int sinistra, int alto, int larghezza, int altezza)
{
    return QRect(inPixel(sinistra), inPixel(alto), inPixel(larghezza), inPixel(altezza));
}

} // namespace Twips
