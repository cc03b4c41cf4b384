// Moving the panel and the button into reach on the screens.
#include "on_screen.h"

#include <algorithm>
#include <limits>

namespace orvanta::results_window {
namespace {

// The squared distance between two rectangles (0 when they touch or
// overlap).
qint64 distanceSquared(const QRect& a, const QRect& b) {
  const qint64 dx = std::max({qint64(0), qint64(b.left()) - a.right(), qint64(a.left()) - b.right()});
  const qint64 dy = std::max({qint64(0), qint64(b.top()) - a.bottom(), qint64(a.top()) - b.bottom()});
  return dx * dx + dy * dy;
}

qint64 area(const QRect& rect) { return rect.isEmpty() ? 0 : qint64(rect.width()) * rect.height(); }

// `start` moved the least so that a length `length` from it lies within
// [low, high); the low end wins when it cannot fit.
int keepWithin(int start, int length, int low, int high) { return std::max(low, std::min(start, high - length)); }

}  // namespace

QRect screenHolding(const QRect& window, const QList<QRect>& screens) {
  QRect best;
  qint64 bestOverlap = 0;
  for (const QRect& screen : screens) {
    const qint64 overlap = area(screen.intersected(window));
    if (overlap > bestOverlap) {
      bestOverlap = overlap;
      best = screen;
    }
  }
  if (bestOverlap > 0) return best;
  qint64 nearest = std::numeric_limits<qint64>::max();
  for (const QRect& screen : screens) {
    if (const qint64 distance = distanceSquared(screen, window); distance < nearest) {
      nearest = distance;
      best = screen;
    }
  }
  return best;
}

namespace {

// `window` moved the least into `screen`: its right edge may pass the
// screen's by `rightOverhang`, and `roomAbove` is kept free above it.
QPoint placeWithin(const QRect& window, const QRect& screen, int rightOverhang, int roomAbove) {
  if (screen.isEmpty()) return window.topLeft();
  return {keepWithin(window.x(), window.width(), screen.left(), screen.left() + screen.width() + rightOverhang),
          keepWithin(window.y(), window.height(), screen.top() + roomAbove, screen.top() + screen.height())};
}

}  // namespace

QPoint panelInReach(const QRect& strip, const QList<QRect>& screens, int roomAbove, const QRect& button) {
  return placeWithin(strip, screenHolding(button.isEmpty() ? strip : button, screens), 0, roomAbove);
}

QPoint buttonInReach(const QRect& button, const QList<QRect>& screens, int rightOverhang) {
  return placeWithin(button, screenHolding(button, screens), rightOverhang, 0);
}

}  // namespace orvanta::results_window
