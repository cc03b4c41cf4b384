// A window's or control's place and size in twips: read back from its
// pixels and set through them, as the program's windows keep their
// geometry (a window's place is in screen coordinates, a control's in its
// container's).
#pragma once

#include "twips.h"
#include "window_geometry.h"

#include <QWidget>

namespace orvanta::platform {

inline int leftTwips(const QWidget& widget) { return pixelsToTwipsX(widget.x()); }
inline int topTwips(const QWidget& widget) { return pixelsToTwipsY(widget.y()); }
inline int widthTwips(const QWidget& widget) { return pixelsToTwipsX(widget.width()); }
inline int heightTwips(const QWidget& widget) { return pixelsToTwipsY(widget.height()); }

// Moves `widget` to the left or the top given in twips, keeping the other.
inline void setLeftTwips(QWidget& widget, int twips) { widget.move(twipsToPixelsX(twips), widget.y()); }
inline void setTopTwips(QWidget& widget, int twips) { widget.move(widget.x(), twipsToPixelsY(twips)); }

// Gives the top-level `window` the height given in twips as its only
// height, keeping its width.
inline void setWindowHeightTwips(QWidget& window, int twips) {
  setWindowSize(window, QSize(window.width(), twipsToPixelsY(twips)));
}

}  // namespace orvanta::platform
