// The widget panel: twips become pixels at 15 to one.
#include "widget_panel.h"

#include <QCoreApplication>
#include <QPixmap>

namespace orvanta::bench {

using search::RowArray;

namespace {

constexpr int kTwipsPerPixel = 15;

QImage solid(Qt::GlobalColor colour) {
  QImage image(16, 16, QImage::Format_RGB32);
  image.fill(colour);
  return image;
}

}  // namespace

WidgetPanel::WidgetPanel() : designIcon_(solid(Qt::gray)) {
  window_.resize(5115 / kTwipsPerPixel, 470 / kTwipsPerPixel);
  for (RowArray array : {RowArray::LeftsideLabel, RowArray::IconImg, RowArray::FileName, RowArray::MenuScroller}) {
    for (int index = 0; index <= search::kPreferencesRow; ++index) {
      if (!search::rowArrayHasIndex(array, index)) continue;
      auto* element = new QLabel(&window_);
      element->move(8000 / kTwipsPerPixel, 20000 / kTwipsPerPixel);
      switch (array) {
        case RowArray::LeftsideLabel:
          element->resize(1740 / kTwipsPerPixel, 255 / kTwipsPerPixel);
          element->setAlignment(Qt::AlignRight);
          break;
        case RowArray::IconImg:
          element->resize(16, 16);
          element->setScaledContents(index != 0);
          element->setPixmap(QPixmap::fromImage(designIcon_));
          break;
        case RowArray::FileName:
          element->resize(2805 / kTwipsPerPixel, 270 / kTwipsPerPixel);
          element->setTextFormat(Qt::PlainText);
          break;
        case RowArray::MenuScroller:
          element->resize((index == 0 ? 3270 : 6630) / kTwipsPerPixel, 270 / kTwipsPerPixel);
          break;
      }
      labels_.emplace(std::make_pair(array, index), element);
    }
  }
  line1_ = new QLabel(&window_);
  line1_->hide();
  progress_ = new QLabel(&window_);
  window_.show();
}

QLabel* WidgetPanel::label(RowArray array, int index) const {
  const auto it = labels_.find({array, index});
  return it == labels_.end() ? nullptr : it->second;
}

bool WidgetPanel::hasElement(RowArray array, int index) const { return label(array, index) != nullptr; }

void WidgetPanel::setCaption(RowArray array, int index, const QString& caption) {
  if (QLabel* l = label(array, index)) l->setText(caption);
}

void WidgetPanel::setToolTip(RowArray array, int index, const QString& toolTip) {
  if (QLabel* l = label(array, index)) l->setToolTip(toolTip);
}

void WidgetPanel::setTop(RowArray array, int index, int top) {
  if (QLabel* l = label(array, index)) l->move(l->x(), top / kTwipsPerPixel);
}

void WidgetPanel::setLeft(RowArray array, int index, int left) {
  if (QLabel* l = label(array, index)) l->move(left / kTwipsPerPixel, l->y());
}

void WidgetPanel::setVisible(RowArray array, int index, bool visible) {
  if (QLabel* l = label(array, index)) l->setVisible(visible);
}

int WidgetPanel::top(RowArray array, int index) const {
  const QLabel* l = label(array, index);
  return l ? l->y() * kTwipsPerPixel : 0;
}

void WidgetPanel::setIconPicture(int index, const QImage& picture) {
  pictures_.forget(index);
  if (QLabel* l = label(RowArray::IconImg, index)) l->setPixmap(QPixmap::fromImage(picture));
}

void WidgetPanel::restoreIconPicture(int index) { setIconPicture(index, designIcon_); }

void WidgetPanel::setIconHeight(int index, int height) {
  if (QLabel* l = label(RowArray::IconImg, index)) l->resize(l->width(), height / kTwipsPerPixel);
}

void WidgetPanel::setIconWidth(int index, int width) {
  if (QLabel* l = label(RowArray::IconImg, index)) l->resize(width / kTwipsPerPixel, l->height());
}

QImage WidgetPanel::groupPicture(search::GroupPicture picture) const {
  switch (picture) {
    case search::GroupPicture::IconsApplications: return solid(Qt::red);
    case search::GroupPicture::IconsAudio: return solid(Qt::green);
    case search::GroupPicture::IconsDocuments: return solid(Qt::blue);
    case search::GroupPicture::IconsImages: return solid(Qt::cyan);
    case search::GroupPicture::IconsPDFs: return solid(Qt::yellow);
  }
  return {};
}

void WidgetPanel::setWindowHeight(int height) { window_.resize(window_.width(), height / kTwipsPerPixel); }

void WidgetPanel::pumpEvents() { QCoreApplication::processEvents(); }

}  // namespace orvanta::bench
