// The line control: covers the rectangle its two points span and draws
// the line inside it.
#include "line_control.h"

#include "platform/twips.h"

#include <QPainter>

#include <algorithm>

namespace orvanta::results_window {

LineControl::LineControl(QColor colour, QWidget* parent) : QWidget(parent), colour_(colour) {
  setAttribute(Qt::WA_TransparentForMouseEvents);
}

void LineControl::setPoints(int x1, int y1, int x2, int y2) {
  x1_ = x1;
  y1_ = y1;
  x2_ = x2;
  y2_ = y2;
  const int px1 = platform::twipsToPixelsX(x1), py1 = platform::twipsToPixelsY(y1);
  const int px2 = platform::twipsToPixelsX(x2), py2 = platform::twipsToPixelsY(y2);
  setGeometry(std::min(px1, px2), std::min(py1, py2), std::abs(px2 - px1) + 1, std::abs(py2 - py1) + 1);
  update();
}

void LineControl::paintEvent(QPaintEvent*) {
  const int px1 = platform::twipsToPixelsX(x1_), py1 = platform::twipsToPixelsY(y1_);
  const int px2 = platform::twipsToPixelsX(x2_), py2 = platform::twipsToPixelsY(y2_);
  const QPoint origin(std::min(px1, px2), std::min(py1, py2));
  QPainter painter(this);
  painter.setPen(colour_);
  painter.drawLine(QPoint(px1, py1) - origin, QPoint(px2, py2) - origin);
}

}  // namespace orvanta::results_window
