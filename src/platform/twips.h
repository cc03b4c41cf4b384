// Twips (1/1440 inch) and pixels: window and control positions are kept in
// twips and converted through the screen's logical dots per inch, which
// makes 15 twips a pixel at 96 dpi.
#pragma once

#include <QRect>

class QScreen;

namespace orvanta::platform {

inline constexpr int kTwipsPerInch = 1440;

class TwipsScale {
 public:
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

// The same conversions on the primary screen (96 dpi without a screen).
// The primary screen's logical dots per inch (96 without a screen).
double logicalDpiX();
double logicalDpiY();

// Twips to whole pixels, rounded to the nearest.
int twipsToPixelsX(double twips);
int twipsToPixelsY(double twips);
// Pixels to twips.
int pixelsToTwipsX(int pixels);
int pixelsToTwipsY(int pixels);

// A rectangle given in twips (left, top, width, height) in pixels.
QRect twipsToPixels(int left, int top, int width, int height);

// The primary screen's width in twips.
int screenWidthTwips();

}  // namespace orvanta::platform
