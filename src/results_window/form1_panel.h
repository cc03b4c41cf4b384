// The results panel over Form1's own controls: the fill's element
// operations become captions, tool tips, places in twips, visibility and
// pictures of the row control arrays, and the window's height.
#pragma once

#include "search/results_panel.h"

#include <QLabel>

namespace orvanta::results_window {

class Form1;

class Form1Panel : public search::ResultsPanel {
 public:
  explicit Form1Panel(Form1& form) : form_(form) {}

  bool hasElement(search::RowArray array, int index) const override;
  void setCaption(search::RowArray array, int index, const QString& caption) override;
  void setToolTip(search::RowArray array, int index, const QString& toolTip) override;
  void setTop(search::RowArray array, int index, int top) override;
  void setLeft(search::RowArray array, int index, int left) override;
  void setVisible(search::RowArray array, int index, bool visible) override;
  // The top last set in twips; the design place for an element never moved.
  int top(search::RowArray array, int index) const override;
  QString toolTip(search::RowArray array, int index) const override;
  void setIconPicture(int index, const QImage& picture) override;
  void restoreIconPicture(int index) override;
  void setIconHeight(int index, int height) override;
  void setIconWidth(int index, int width) override;
  // The category picture at the row icons' 16 x 16 pixels.
  QImage groupPicture(search::GroupPicture picture) const override;
  // Read by the window's picture reader; each lands on its icon when ready.
  void requestHitPicture(int index, const QString& path) override;
  void dropHitPictures() override;
  void showLine1() override;
  void setWindowHeight(int height) override;
  void hideProgress() override;
  void stopTimer1() override;
  void pumpEvents() override;
  void fillDone() override;

 private:
  QLabel* element(search::RowArray array, int index) const;

  Form1& form_;
};

}  // namespace orvanta::results_window
