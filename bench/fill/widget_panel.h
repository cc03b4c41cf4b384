// A results panel made of real widgets: one label per row element placed in
// a plain window, enough to measure a fill as the window system sees it.
#pragma once

#include "search/hit_pictures.h"
#include "search/results_panel.h"

#include <QImage>
#include <QLabel>
#include <QWidget>

#include <map>
#include <utility>

namespace orvanta::bench {

class WidgetPanel : public search::ResultsPanel {
 public:
  WidgetPanel();

  QWidget& window() { return window_; }

  bool hasElement(search::RowArray array, int index) const override;
  void setCaption(search::RowArray array, int index, const QString& caption) override;
  void setToolTip(search::RowArray array, int index, const QString& toolTip) override;
  void setTop(search::RowArray array, int index, int top) override;
  void setLeft(search::RowArray array, int index, int left) override;
  void setVisible(search::RowArray array, int index, bool visible) override;
  int top(search::RowArray array, int index) const override;
  void setIconPicture(int index, const QImage& picture) override;
  void restoreIconPicture(int index) override;
  void setIconHeight(int index, int height) override;
  void setIconWidth(int index, int width) override;
  QImage groupPicture(search::GroupPicture picture) const override;
  void requestHitPicture(int index, const QString& path) override { pictures_.request(index, path); }
  void dropHitPictures() override { pictures_.cancelAll(); }
  // Pictures asked for and not arrived yet.
  int pendingPictures() const { return pictures_.pendingCount(); }
  void showLine1() override { line1_->show(); }
  void setWindowHeight(int height) override;
  void hideProgress() override { progress_->hide(); }
  void stopTimer1() override {}
  void pumpEvents() override;
  void fillDone() override {}

 private:
  QLabel* label(search::RowArray array, int index) const;

  QWidget window_;
  std::map<std::pair<search::RowArray, int>, QLabel*> labels_;
  QLabel* line1_;
  QLabel* progress_;
  QImage designIcon_;
  search::HitPictures pictures_{[this](int index, const QImage& picture) { setIconPicture(index, picture); }};
};

}  // namespace orvanta::bench
