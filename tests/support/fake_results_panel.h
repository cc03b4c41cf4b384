// A results panel without a window: keeps every element's caption, tool tip,
// geometry, visibility and picture as the window design starts them, and
// counts calls on elements the design does not have, so tests can check the
// exact layout a fill leaves.
#pragma once

#include "search/hit_pictures.h"
#include "search/results_panel.h"

#include <QColor>
#include <QImage>
#include <QString>

#include <functional>
#include <map>
#include <optional>
#include <utility>

namespace orvanta::testing {

// A 16 x 16 picture in one colour, so tests can tell pictures apart.
QImage solidPicture(const QColor& colour);

class FakeResultsPanel : public search::ResultsPanel {
 public:
  struct Element {
    QString caption;
    QString toolTip;
    int top = 0;
    int left = 0;
    bool visible = false;
    QImage picture;  // IconImg only
    int width = 0;
    int height = 0;
  };

  // The colours of the design pictures.
  static const QColor kDesignIconColour;
  static const QColor kApplicationsColour;
  static const QColor kAudioColour;
  static const QColor kDocumentsColour;
  static const QColor kImagesColour;
  static const QColor kPdfsColour;

  FakeResultsPanel();

  const Element& element(search::RowArray array, int index) const;

  int windowHeight = 470;
  bool line1Visible = false;
  bool progressVisible = true;
  bool timer1Running = true;
  int pumpCount = 0;
  int missingElementCalls = 0;  // calls on an index the array does not have
  std::function<void()> onPump;
  // Reads the pictures asked for; the real reader (without thumbnails)
  // unless a test sets one.
  std::function<std::optional<QImage>(const QString&)> pictureLoader = [](const QString& path) {
    return search::readHitPicture(path, QSize(search::kRowIconPixels, search::kRowIconPixels), QString());
  };
  // Pictures asked for and not yet delivered or dropped: icon -> path.
  std::map<int, QString> pendingPictures;
  int pictureRequests = 0;
  int dropHitPicturesCalls = 0;
  int fillDoneCalls = 0;
  // What the window's reader does later: every pending picture that can be
  // read lands on its icon.
  void deliverPictures();

  bool hasElement(search::RowArray array, int index) const override;
  void setCaption(search::RowArray array, int index, const QString& caption) override;
  void setToolTip(search::RowArray array, int index, const QString& toolTip) override;
  void setTop(search::RowArray array, int index, int top) override;
  void setLeft(search::RowArray array, int index, int left) override;
  void setVisible(search::RowArray array, int index, bool visible) override;
  int top(search::RowArray array, int index) const override;
  QString toolTip(search::RowArray array, int index) const override;
  void setIconPicture(int index, const QImage& picture) override;
  void restoreIconPicture(int index) override;
  void setIconHeight(int index, int height) override;
  void setIconWidth(int index, int width) override;
  QImage groupPicture(search::GroupPicture picture) const override;
  void requestHitPicture(int index, const QString& path) override;
  void dropHitPictures() override;
  void showLine1() override { line1Visible = true; }
  void setWindowHeight(int height) override { windowHeight = height; }
  void hideProgress() override { progressVisible = false; }
  void stopTimer1() override { timer1Running = false; }
  void pumpEvents() override;
  void fillDone() override { ++fillDoneCalls; }

 private:
  Element* find(search::RowArray array, int index);

  std::map<std::pair<search::RowArray, int>, Element> elements_;
  QImage designIcon_;
};

}  // namespace orvanta::testing
