#include "platform/units.h"

#include "platform/errors.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace pennaro {

namespace {

double logicalDpi(bool horizontal) {
    const QScreen *screen = QGuiApplication::primaryScreen();
    const double dpi = !screen ? 96.0 : horizontal ? screen->logicalDotsPerInchX() : screen->logicalDotsPerInchY();
    return dpi > 0 ? dpi : 96.0;
}

int wholePixels(double twips, double twipsPerPixel) {
    const double px = std::round(twips / twipsPerPixel);
    if (!std::isfinite(px) || std::fabs(px) > QWIDGETSIZE_MAX)
        throw PlatformError(QStringLiteral("Invalid property value"));
    return int(px);
}

}  // namespace

double twipsPerPixelX() { return 1440.0 / logicalDpi(true); }
double twipsPerPixelY() { return 1440.0 / logicalDpi(false); }

int twipsToPixelsX(double twips) { return wholePixels(twips, twipsPerPixelX()); }
int twipsToPixelsY(double twips) { return wholePixels(twips, twipsPerPixelY()); }

}  // namespace pennaro
