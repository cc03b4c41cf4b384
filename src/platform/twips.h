// Twips (1/1440 inch) and pixels: window positions and sizes are kept in
// twips and converted through the screen's logical dots per inch, which
// makes 15 twips a pixel at 96 dpi.
#pragma once

#include <QRect>

namespace orvanta::platform {

inline constexpr int kTwipsPerInch = 1440;

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

// The primary screen's size in twips.
int screenWidthTwips();
int screenHeightTwips();

}  // namespace orvanta::platform
