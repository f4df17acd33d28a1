#pragma once

#include <QRect>

// Sizes and positions of windows and controls are given in twips, 1/1440 of an inch.
namespace Twips {

// Device-independent pixels per inch of the screen (its logical DPI; 96 when there is no screen).
double dpi();

int inPixel(double twips);
double daPixel(int pixel);
QRect rettangolo(int sinistra, int alto, int larghezza, int altezza);

} // namespace Twips
