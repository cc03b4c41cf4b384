// Form1's controls as the results panel. Twips are kept on each element as
// set, so reading a top back gives exactly what the fill wrote.
#include "form1_panel.h"

#include "form1.h"

#include "artwork/artwork.h"
#include "platform/twips.h"
#include "platform/twips_geometry.h"

#include <QFontMetrics>
#include <QPixmap>

namespace orvanta::results_window {
namespace {

using search::RowArray;

constexpr char kTopTwips[] = "orvantaTopTwips";
constexpr char kDesignPoints[] = "orvantaDesignPoints";
constexpr int kIconPixels = 16;
constexpr double kSmallestCaptionPoints = 6.0;

// A group's caption in another language may be wider than the caption
// column: it shrinks by quarter points from the design's size until it
// fits.
void fitCaption(QLabel& label) {
  if (!label.property(kDesignPoints).isValid()) label.setProperty(kDesignPoints, label.font().pointSizeF());
  QFont font = label.font();
  font.setPointSizeF(label.property(kDesignPoints).toDouble());
  const int room = label.contentsRect().width();
  while (QFontMetrics(font).horizontalAdvance(label.text()) > room && font.pointSizeF() > kSmallestCaptionPoints) {
    font.setPointSizeF(font.pointSizeF() - 0.25);
  }
  if (font != label.font()) label.setFont(font);
}

}  // namespace

QLabel* Form1Panel::element(RowArray array, int index) const {
  switch (array) {
    case RowArray::LeftsideLabel:
      return form_.LeftsideLabel(index);
    case RowArray::IconImg:
      return form_.IconImg(index);
    case RowArray::FileName:
      return form_.FileName(index);
    case RowArray::MenuScroller:
      return form_.MenuScroller(index);
  }
  return nullptr;
}

bool Form1Panel::hasElement(RowArray array, int index) const { return element(array, index) != nullptr; }

void Form1Panel::setCaption(RowArray array, int index, const QString& caption) {
  QLabel* label = element(array, index);
  if (!label) return;
  label->setText(caption);
  if (array == RowArray::LeftsideLabel) fitCaption(*label);
}

void Form1Panel::setToolTip(RowArray array, int index, const QString& toolTip) {
  if (QLabel* label = element(array, index)) label->setToolTip(toolTip);
}

void Form1Panel::setTop(RowArray array, int index, int top) {
  if (QLabel* label = element(array, index)) {
    label->setProperty(kTopTwips, top);
    platform::setTopTwips(*label, top);
  }
}

void Form1Panel::setLeft(RowArray array, int index, int left) {
  if (QLabel* label = element(array, index)) platform::setLeftTwips(*label, left);
}

void Form1Panel::setVisible(RowArray array, int index, bool visible) {
  if (QLabel* label = element(array, index)) label->setVisible(visible);
}

int Form1Panel::top(RowArray array, int index) const {
  const QLabel* label = element(array, index);
  if (!label) return 0;
  const QVariant twips = label->property(kTopTwips);
  return twips.isValid() ? twips.toInt() : platform::pixelsToTwipsY(label->y());
}

QString Form1Panel::toolTip(RowArray array, int index) const {
  const QLabel* label = element(array, index);
  return label ? label->toolTip() : QString();
}

void Form1Panel::setIconPicture(int index, const QImage& picture) {
  form_.hitPictures().forget(index);
  if (QLabel* icon = form_.IconImg(index)) icon->setPixmap(QPixmap::fromImage(picture));
}

void Form1Panel::restoreIconPicture(int index) {
  form_.hitPictures().forget(index);
  if (QLabel* icon = form_.IconImg(index)) icon->setPixmap(artwork::picture(artwork::kIconRowDefault));
}

void Form1Panel::requestHitPicture(int index, const QString& path) {
  if (form_.IconImg(index)) form_.hitPictures().request(index, path);
}

void Form1Panel::dropHitPictures() { form_.hitPictures().cancelAll(); }

void Form1Panel::setIconHeight(int index, int height) {
  if (QLabel* icon = form_.IconImg(index)) icon->resize(icon->width(), platform::twipsToPixelsY(height));
}

void Form1Panel::setIconWidth(int index, int width) {
  if (QLabel* icon = form_.IconImg(index)) icon->resize(platform::twipsToPixelsX(width), icon->height());
}

QImage Form1Panel::groupPicture(search::GroupPicture picture) const {
  const QLabel* source = nullptr;
  switch (picture) {
    case search::GroupPicture::IconsApplications:
      source = form_.IconsApplications();
      break;
    case search::GroupPicture::IconsAudio:
      source = form_.IconsAudio();
      break;
    case search::GroupPicture::IconsDocuments:
      source = form_.IconsDocuments();
      break;
    case search::GroupPicture::IconsImages:
      source = form_.IconsImages();
      break;
    case search::GroupPicture::IconsPDFs:
      source = form_.IconsPDFs();
      break;
  }
  const QPixmap pixmap = source->pixmap();
  if (pixmap.isNull()) return {};
  return pixmap.toImage().scaled(kIconPixels, kIconPixels, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

void Form1::showHitPicture(int index, const QImage& picture) {
  if (QLabel* icon = IconImg(index)) icon->setPixmap(QPixmap::fromImage(picture));
}

void Form1Panel::showLine1() { form_.Line1()->show(); }

void Form1Panel::hideProgress() { form_.Progress()->hide(); }

void Form1Panel::stopTimer1() { form_.Timer1()->stop(); }

void Form1Panel::setWindowHeight(int height) { form_.setHeight(height); }

void Form1Panel::pumpEvents() { form_.pumpEvents(); }

void Form1Panel::fillDone() { form_.dropStaleHighlight(); }

}  // namespace orvanta::results_window
