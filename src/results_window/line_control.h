// A line control: a straight line between two points given in twips,
// relative to its container, drawn one pixel wide in one colour.
#pragma once

#include <QColor>
#include <QWidget>

namespace orvanta::results_window {

class LineControl : public QWidget {
  Q_OBJECT

 public:
  LineControl(QColor colour, QWidget* parent);

  // Moves the line; the points are in twips.
  void setPoints(int x1, int y1, int x2, int y2);

  int X1() const { return x1_; }
  int Y1() const { return y1_; }
  int X2() const { return x2_; }
  int Y2() const { return y2_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QColor colour_;
  int x1_ = 0, y1_ = 0, x2_ = 0, y2_ = 0;
};

}  // namespace orvanta::results_window
