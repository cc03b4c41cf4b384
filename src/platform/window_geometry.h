// Sizing the program's own top-level windows so that the window manager
// keeps the size the program gives them, to the device pixel.
#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>
#include <QWidget>

#include <algorithm>

namespace orvanta::platform {

// Gives the top-level `window` the size `size` (pixels) as its only size.
// At a fractional scale factor (1.5 at 144 dpi) Qt asks an X window manager
// for sizes in steps of one scaled pixel (2 device pixels) from a base size,
// and the window manager then cuts a window of an odd number of device
// pixels by one: the button would end a device pixel above the panel below
// it. With the size as the base of those steps and as the smallest and the
// largest size, the window keeps it exactly. The limits are set before the
// size, so the window manager never sees the new size under the old ones.
inline void setWindowSize(QWidget& window, const QSize& size) {
  window.setBaseSize(size);
  window.setFixedSize(size);
}

// Moves and sizes the top-level `window` (pixels), its size as above.
inline void setWindowGeometry(QWidget& window, const QRect& geometry) {
  setWindowSize(window, geometry.size());
  window.move(geometry.topLeft());
}

// Where a window whose frame (title bar and borders included) is `frame`
// goes so that it stays reachable in `workArea` (a screen's area without
// its panels): moved in as little as needed; a frame larger than the area
// has its top left corner, with the title bar, at the area's.
inline QPoint placeWithin(const QRect& frame, const QRect& workArea) {
  if (workArea.isEmpty()) return frame.topLeft();
  const int left = std::max(workArea.left(), std::min(frame.left(), workArea.right() + 1 - frame.width()));
  const int top = std::max(workArea.top(), std::min(frame.top(), workArea.bottom() + 1 - frame.height()));
  return {left, top};
}

}  // namespace orvanta::platform
