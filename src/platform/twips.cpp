// Twips to pixels and back through a screen's logical dpi.
#include "twips.h"

#include <QGuiApplication>
#include <QScreen>

#include <cmath>

namespace orvanta::platform {
namespace {

QScreen* primaryScreen() { return qGuiApp ? QGuiApplication::primaryScreen() : nullptr; }

}  // namespace

TwipsScale TwipsScale::forScreen(const QScreen* screen) {
  return TwipsScale(screen ? screen->logicalDotsPerInchX() : 96.0);
}

int TwipsScale::toPixels(double twips) const { return static_cast<int>(std::lround(twips / twipsPerPixel())); }

QRect TwipsScale::toPixels(const QRect& twips) const {
  return QRect(toPixels(twips.x()), toPixels(twips.y()), toPixels(twips.width()), toPixels(twips.height()));
}

double logicalDpiX() {
  QScreen* s = primaryScreen();
  return s && s->logicalDotsPerInchX() > 0 ? s->logicalDotsPerInchX() : 96.0;
}

double logicalDpiY() {
  QScreen* s = primaryScreen();
  return s && s->logicalDotsPerInchY() > 0 ? s->logicalDotsPerInchY() : 96.0;
}

int twipsToPixelsX(double twips) { return TwipsScale(logicalDpiX()).toPixels(twips); }
int twipsToPixelsY(double twips) { return TwipsScale(logicalDpiY()).toPixels(twips); }
int pixelsToTwipsX(int pixels) { return static_cast<int>(std::lround(TwipsScale(logicalDpiX()).toTwips(pixels))); }
int pixelsToTwipsY(int pixels) { return static_cast<int>(std::lround(TwipsScale(logicalDpiY()).toTwips(pixels))); }

QRect twipsToPixels(int left, int top, int width, int height) {
  return QRect(twipsToPixelsX(left), twipsToPixelsY(top), twipsToPixelsX(width), twipsToPixelsY(height));
}

int screenWidthTwips() {
  QScreen* s = primaryScreen();
  return s ? pixelsToTwipsX(s->geometry().width()) : 0;
}

}  // namespace orvanta::platform
