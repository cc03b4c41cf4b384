// Twips conversions at a screen's logical resolution.
#include "twips.h"

#include <QScreen>

#include <cmath>

namespace orvanta::platform {

TwipsScale TwipsScale::forScreen(const QScreen* screen) {
  return TwipsScale(screen ? screen->logicalDotsPerInchX() : 96.0);
}

int TwipsScale::toPixels(double twips) const {
  return static_cast<int>(std::lround(twips / twipsPerPixel()));
}

QRect TwipsScale::toPixels(const QRect& twips) const {
  return QRect(toPixels(twips.x()), toPixels(twips.y()), toPixels(twips.width()), toPixels(twips.height()));
}

}  // namespace orvanta::platform
