// Twips to pixels through the primary screen's logical dpi.
#include "twips.h"

#include <QGuiApplication>
#include <QScreen>

#include <cmath>

namespace orvanta::platform {
namespace {

QScreen* screen() { return qGuiApp ? QGuiApplication::primaryScreen() : nullptr; }

int toPixels(double twips, double dpi) { return static_cast<int>(std::lround(twips * dpi / kTwipsPerInch)); }
int toTwips(int pixels, double dpi) { return static_cast<int>(std::lround(pixels * kTwipsPerInch / dpi)); }

}  // namespace

double logicalDpiX() {
  QScreen* s = screen();
  return s && s->logicalDotsPerInchX() > 0 ? s->logicalDotsPerInchX() : 96.0;
}

double logicalDpiY() {
  QScreen* s = screen();
  return s && s->logicalDotsPerInchY() > 0 ? s->logicalDotsPerInchY() : 96.0;
}

int twipsToPixelsX(double twips) { return toPixels(twips, logicalDpiX()); }
int twipsToPixelsY(double twips) { return toPixels(twips, logicalDpiY()); }
int pixelsToTwipsX(int pixels) { return toTwips(pixels, logicalDpiX()); }
int pixelsToTwipsY(int pixels) { return toTwips(pixels, logicalDpiY()); }

QRect twipsToPixels(int left, int top, int width, int height) {
  return QRect(twipsToPixelsX(left), twipsToPixelsY(top), twipsToPixelsX(width), twipsToPixelsY(height));
}

int screenWidthTwips() {
  QScreen* s = screen();
  return s ? pixelsToTwipsX(s->geometry().width()) : 0;
}

int screenHeightTwips() {
  QScreen* s = screen();
  return s ? pixelsToTwipsY(s->geometry().height()) : 0;
}

}  // namespace orvanta::platform
