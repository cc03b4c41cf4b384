// Twips (1/1440 inch) to pixels and back, at a screen's logical dots per
// inch: 15 twips a pixel at 96 dpi. Window and control positions are kept
// in twips and converted here when they reach the window system.
#pragma once

#include <QRect>

class QScreen;

namespace orvanta::platform {

class TwipsScale {
 public:
  static constexpr double kTwipsPerInch = 1440.0;

  explicit TwipsScale(double logicalDpi = 96.0) : dpi_(logicalDpi > 0 ? logicalDpi : 96.0) {}

  // The scale of `screen`, or 96 dpi when there is no screen.
  static TwipsScale forScreen(const QScreen* screen);

  double twipsPerPixel() const { return kTwipsPerInch / dpi_; }

  // Rounded to the nearest pixel.
  int toPixels(double twips) const;
  double toTwips(double pixels) const { return pixels * twipsPerPixel(); }

  // A rectangle in twips (left, top, width, height) in pixels, each figure
  // rounded on its own.
  QRect toPixels(const QRect& twips) const;

 private:
  double dpi_;
};

}  // namespace orvanta::platform
