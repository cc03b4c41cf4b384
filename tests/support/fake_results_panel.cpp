// The window-less results panel.
#include "fake_results_panel.h"

#include <stdexcept>

namespace orvanta::testing {

using search::GroupPicture;
using search::RowArray;

namespace {

// Elements the design places outside the client area.
constexpr int kOutsideLeft = 12000;
constexpr int kOutsideTop = 20000;

}  // namespace

const QColor FakeResultsPanel::kDesignIconColour(200, 200, 200);
const QColor FakeResultsPanel::kApplicationsColour(255, 0, 0);
const QColor FakeResultsPanel::kAudioColour(0, 255, 0);
const QColor FakeResultsPanel::kDocumentsColour(0, 0, 255);
const QColor FakeResultsPanel::kPdfsColour(255, 255, 0);
const QColor FakeResultsPanel::kImagesColour(0, 255, 255);

QImage solidPicture(const QColor& colour) {
  QImage image(16, 16, QImage::Format_RGB32);
  image.fill(colour);
  return image;
}

FakeResultsPanel::FakeResultsPanel() : designIcon_(solidPicture(kDesignIconColour)) {
  for (RowArray array : {RowArray::LeftsideLabel, RowArray::IconImg, RowArray::FileName, RowArray::MenuScroller}) {
    for (int index = 0; index <= search::kPreferencesRow; ++index) {
      if (!search::rowArrayHasIndex(array, index)) continue;
      Element element;
      element.left = kOutsideLeft;
      element.top = kOutsideTop;
      switch (array) {
        case RowArray::LeftsideLabel:
          element.visible = true;
          element.width = 1740;
          element.height = 255;
          break;
        case RowArray::IconImg:
          element.picture = designIcon_;
          element.width = 240;
          element.height = 240;
          break;
        case RowArray::FileName:
          element.visible = index <= 2 || index == search::kPreferencesRow;
          if (index >= 3 && index <= 110) element.caption = QStringLiteral("FILE");
          element.width = 2805;
          element.height = 270;
          break;
        case RowArray::MenuScroller:
          element.visible = true;
          element.width = index == 0 ? 3270 : 6630;
          element.height = 270;
          break;
      }
      elements_.emplace(std::make_pair(array, index), element);
    }
  }
  auto& topHit = elements_[{RowArray::LeftsideLabel, 1}];
  topHit.caption = QStringLiteral("Top Hit");
  topHit.left = 0;
  topHit.top = 960;
  auto& leftZero = elements_[{RowArray::LeftsideLabel, 0}];
  leftZero.left = 45;
  leftZero.top = 675;
  auto& iconZero = elements_[{RowArray::IconImg, 0}];
  iconZero.left = 1950;
  iconZero.top = 525;
  iconZero.visible = true;
  auto& showAll = elements_[{RowArray::FileName, 0}];
  showAll.caption = QStringLiteral("Show All");
  showAll.left = 2280;
  showAll.top = 525;
  auto& preferences = elements_[{RowArray::FileName, search::kPreferencesRow}];
  preferences.caption = QStringLiteral("Orvanta Preferences...");
  preferences.left = 8355;
  preferences.top = 8685;
  auto& scrollerOne = elements_[{RowArray::MenuScroller, 1}];
  scrollerOne.left = 3195;
  scrollerOne.top = 1110;
}

FakeResultsPanel::Element* FakeResultsPanel::find(RowArray array, int index) {
  const auto it = elements_.find({array, index});
  if (it == elements_.end()) {
    ++missingElementCalls;
    return nullptr;
  }
  return &it->second;
}

const FakeResultsPanel::Element& FakeResultsPanel::element(RowArray array, int index) const {
  const auto it = elements_.find({array, index});
  if (it == elements_.end()) throw std::out_of_range("no such element");
  return it->second;
}

bool FakeResultsPanel::hasElement(RowArray array, int index) const { return elements_.count({array, index}) != 0; }

void FakeResultsPanel::setCaption(RowArray array, int index, const QString& caption) {
  if (Element* e = find(array, index)) e->caption = caption;
}

void FakeResultsPanel::setToolTip(RowArray array, int index, const QString& toolTip) {
  if (Element* e = find(array, index)) e->toolTip = toolTip;
}

void FakeResultsPanel::setTop(RowArray array, int index, int top) {
  if (Element* e = find(array, index)) e->top = top;
}

void FakeResultsPanel::setLeft(RowArray array, int index, int left) {
  if (Element* e = find(array, index)) e->left = left;
}

void FakeResultsPanel::setVisible(RowArray array, int index, bool visible) {
  if (Element* e = find(array, index)) e->visible = visible;
}

int FakeResultsPanel::top(RowArray array, int index) const {
  const auto it = elements_.find({array, index});
  return it == elements_.end() ? 0 : it->second.top;
}

QString FakeResultsPanel::toolTip(RowArray array, int index) const {
  const auto it = elements_.find({array, index});
  return it == elements_.end() ? QString() : it->second.toolTip;
}

void FakeResultsPanel::setIconPicture(int index, const QImage& picture) {
  pendingPictures.erase(index);
  if (Element* e = find(RowArray::IconImg, index)) e->picture = picture;
}

void FakeResultsPanel::restoreIconPicture(int index) {
  pendingPictures.erase(index);
  if (Element* e = find(RowArray::IconImg, index)) e->picture = designIcon_;
}

void FakeResultsPanel::setIconHeight(int index, int height) {
  if (Element* e = find(RowArray::IconImg, index)) e->height = height;
}

void FakeResultsPanel::setIconWidth(int index, int width) {
  if (Element* e = find(RowArray::IconImg, index)) e->width = width;
}

QImage FakeResultsPanel::groupPicture(GroupPicture picture) const {
  switch (picture) {
    case GroupPicture::IconsApplications:
      return solidPicture(kApplicationsColour);
    case GroupPicture::IconsAudio:
      return solidPicture(kAudioColour);
    case GroupPicture::IconsDocuments:
      return solidPicture(kDocumentsColour);
    case GroupPicture::IconsImages:
      return solidPicture(kImagesColour);
    case GroupPicture::IconsPDFs:
      return solidPicture(kPdfsColour);
  }
  return {};
}

void FakeResultsPanel::requestHitPicture(int index, const QString& path) {
  if (!find(RowArray::IconImg, index)) return;
  ++pictureRequests;
  pendingPictures[index] = path;
}

void FakeResultsPanel::dropHitPictures() {
  ++dropHitPicturesCalls;
  pendingPictures.clear();
}

void FakeResultsPanel::deliverPictures() {
  const std::map<int, QString> pending = std::move(pendingPictures);
  pendingPictures.clear();
  for (const auto& [index, path] : pending) {
    if (const std::optional<QImage> picture = pictureLoader(path)) elements_[{RowArray::IconImg, index}].picture = *picture;
  }
}

void FakeResultsPanel::pumpEvents() {
  ++pumpCount;
  if (onPump) onPump();
}

}  // namespace orvanta::testing
