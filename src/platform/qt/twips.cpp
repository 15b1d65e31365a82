#include "platform/qt/twips.h"

#include <QGuiApplication>
#include <QScreen>
#include <cmath>

namespace tess {

double PixelsPerTwip() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    const double dpi = screen ? screen->logicalDotsPerInch() : 96.0;
    return dpi / 1440.0;
}

int Px(double twips) { return static_cast<int>(std::lround(twips * PixelsPerTwip())); }
double Twips(int pixels) { return pixels / PixelsPerTwip(); }

}  // namespace tess
