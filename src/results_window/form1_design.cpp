// Form1's design: the controls made with the window (the search strip,
// the band, the icons, the timers) and the row control arrays completed
// when first needed.
#include "form1.h"
#include "form1_controls.h"
#include "form1_design.h"

#include "artwork/artwork.h"
#include "platform/fonts.h"
#include "platform/twips.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QPainter>
#include <QStyle>

namespace orvanta::results_window {

using namespace form1_design;

void form1_design::setTextColour(QWidget* widget, const QColor& colour) {
  QPalette palette = widget->palette();
  palette.setColor(QPalette::WindowText, colour);
  palette.setColor(QPalette::Text, colour);
  widget->setPalette(palette);
}

namespace {

QLabel* makeLabel(QWidget* parent, const QString& name, const QString& caption) {
  auto* label = new QLabel(parent);
  label->setObjectName(name);
  label->setTextFormat(Qt::PlainText);
  label->setText(caption);
  return label;
}

// An image control: its picture looks the same whether the window is
// enabled or not, so it draws the picture itself in both states. (A
// disabled label draws its picture through the style's disabled look,
// which tints it with the window's back colour: the panel's magenta while
// the preferences window has it disabled.)
class DesignPicture : public QLabel {
 public:
  using QLabel::QLabel;

 protected:
  void paintEvent(QPaintEvent*) override {
    const QPixmap picture = pixmap();
    if (picture.isNull()) return;
    QPainter painter(this);
    // A picture drawn for another device pixel ratio is scaled smoothly.
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    if (hasScaledContents()) {
      painter.drawPixmap(contentsRect(), picture);
    } else {
      style()->drawItemPixmap(&painter, contentsRect(), static_cast<int>(alignment()), picture);
    }
  }
};

QLabel* makeImage(QWidget* parent, const QString& name, const QPixmap& picture) {
  auto* image = new DesignPicture(parent);
  image->setObjectName(name);
  image->setPixmap(picture);
  image->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  return image;
}

// Where the design puts the row elements that lie outside the client
// area: scattered to the right of the window's width.
QPoint scatteredPosition(int array, int index) {
  return {5280 + ((index * 7 + array) % 12) * 480, 150 + ((index * 5 + array * 3) % 36) * 300};
}

}  // namespace

void Form1::place(QWidget* control, int left, int top, int width, int height) {
  control->setGeometry(platform::twipsToPixels(left, top, width, height));
}

void Form1::applyDesign(QWidget* control) {
  const platform::ControlDesign* design = platform::findControl(kForm1Controls, control->objectName());
  if (!design) return;
  control->setGeometry(design->pixels());
  if (design->fontFamily) {
    control->setFont(platform::designFont(QString::fromUtf16(design->fontFamily), design->fontPoints, design->bold));
  }
}

void Form1::buildDesign() {
  auto makeLabel = [this](const QString& name, const QString& caption) {
    return results_window::makeLabel(this, name, caption);
  };
  auto makeImage = [this](const QString& name, const QPixmap& picture) {
    return results_window::makeImage(this, name, picture);
  };

  // Lowest in the z-order: the rows' view below the search strip, and in
  // it the rows' area, whose origin is the window's while nothing is
  // scrolled, so every row control stands where the design and the fill
  // put it. Both are see-through: the window's picture shows behind.
  rowView_ = new QWidget(this);
  rowView_->setObjectName(QStringLiteral("RowView"));
  rowArea_ = new QWidget(rowView_);
  rowArea_->setObjectName(QStringLiteral("RowArea"));
  hideFromAccessibility(rowView_);
  hideFromAccessibility(rowArea_);
  const auto makeRowLabel = [this](const QString& name, const QString& caption) {
    return results_window::makeLabel(rowArea_, name, caption);
  };

  // Lowest in the rows' area: the highlight band, behind the row labels.
  selectionBand_ = makeRowLabel(QStringLiteral("SelectionBand"), QString());
  selectionBand_->setAutoFillBackground(true);
  {
    QPalette band = selectionBand_->palette();
    band.setColor(QPalette::Window, kSelectionBandColour);
    selectionBand_->setPalette(band);
  }
  applyDesign(selectionBand_);
  selectionBand_->installEventFilter(this);
  // The row arrays come next in the z-order; completeDesign makes them.

  // The line about a search service that could not be had.
  serviceMessage_ = makeRowLabel(QStringLiteral("ServiceMessage"), QString());
  serviceMessage_->setWordWrap(true);
  serviceMessage_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  setTextColour(serviceMessage_, kRowTextColour);
  applyDesign(serviceMessage_);
  serviceMessage_->hide();

  // Category icons, picture sources for the rows.
  iconsApplications_ = makeImage(QStringLiteral("IconsApplications"), artwork::picture(artwork::kIconApplications));
  applyDesign(iconsApplications_);
  iconsAudio_ = makeImage(QStringLiteral("IconsAudio"), artwork::picture(artwork::kIconAudio));
  applyDesign(iconsAudio_);
  iconsDocuments_ = makeImage(QStringLiteral("IconsDocuments"), artwork::picture(artwork::kIconDocuments));
  applyDesign(iconsDocuments_);
  iconsImages_ = makeImage(QStringLiteral("IconsImages"), artwork::picture(artwork::kIconImages));
  applyDesign(iconsImages_);
  iconsPdfs_ = makeImage(QStringLiteral("IconsPDFs"), artwork::picture(artwork::kIconPdfs));
  applyDesign(iconsPdfs_);

  line1_ = new LineControl(kLine1Colour, this);
  line1_->setObjectName(QStringLiteral("Line1"));
  line1_->setPoints(6810, 8805, 10650, 8775);
  line1_->hide();

  label1_ = makeLabel(QStringLiteral("Label1"), QString());
  setTextColour(label1_, kLabel1TextColour);
  applyDesign(label1_);
  label1_->installEventFilter(this);

  closeButton_ = makeImage(QStringLiteral("CloseButton"), artwork::picture(artwork::kCloseButton));
  applyDesign(closeButton_);
  closeButton_->hide();
  closeButton_->installEventFilter(this);

  progress_ = new QWidget(this);
  progress_->setObjectName(QStringLiteral("Progress"));
  applyDesign(progress_);
  progressFrame_ = new DesignPicture(progress_);
  progressFrame_->setObjectName(QStringLiteral("ProgressFrame"));
  progressFrame_->setPixmap(artwork::picture(artwork::kProgressStrip));
  progressFrame_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  applyDesign(progressFrame_);
  progress_->hide();

  text1_ = new QLineEdit(this);
  text1_->setObjectName(QStringLiteral("Text1"));
  text1_->setFrame(false);
  setTextColour(text1_, Qt::black);
  applyDesign(text1_);
  text1_->hide();
  text1_->installEventFilter(this);

  text2_ = new QPlainTextEdit(this);
  text2_->setObjectName(QStringLiteral("Text2"));
  text2_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  applyDesign(text2_);
  // The page box lies outside the window: the keyboard never goes there
  // (typed words would vanish into it), and a screen reader is not shown it
  // (it holds the whole page, codes and all).
  text2_->setFocusPolicy(Qt::NoFocus);
  for (QWidget* part : text2_->findChildren<QWidget*>()) part->setFocusPolicy(Qt::NoFocus);
  hideFromAccessibility(text2_);

  // Shown only while the rows need more height than the window has.
  rowScrollBar_ = new QScrollBar(Qt::Vertical, this);
  rowScrollBar_->setObjectName(QStringLiteral("RowScrollBar"));
  rowScrollBar_->setFocusPolicy(Qt::NoFocus);
  // Not the window's own colours (the design's magenta under its picture):
  // every role set, so that none is inherited from the window.
  {
    const QPalette application = QGuiApplication::palette();
    QPalette bar = application;
    for (int role = 0; role < QPalette::NColorRoles; ++role) {
      const auto colourRole = static_cast<QPalette::ColorRole>(role);
      bar.setColor(colourRole, application.color(colourRole));
    }
    rowScrollBar_->setPalette(bar);
  }
  rowScrollBar_->setSingleStep(platform::twipsToPixelsY(search::kRowHeight));
  rowScrollBar_->hide();
  hideFromAccessibility(rowScrollBar_);
  connect(rowScrollBar_, &QScrollBar::valueChanged, this, &Form1::layOutRowArea);
  layOutRowArea();

  timer1_ = new QTimer(this);
  timer1_->setObjectName(QStringLiteral("Timer1"));
  timer1_->setInterval(60);
  connect(timer1_, &QTimer::timeout, this, &Form1::Timer1_Timer);
  timer2_ = new QTimer(this);
  timer2_->setObjectName(QStringLiteral("Timer2"));
  timer2_->setInterval(150);
  connect(timer2_, &QTimer::timeout, this, &Form1::Timer2_Timer);

  setUpAccessibility();
}

void Form1::completeDesign() {
  if (designComplete_) return;
  designComplete_ = true;
  // Any edit of a text box wakes the accessibility bridge, which first
  // waits for the session bus; the program's first window does not wait
  // for that.
  text2_->setPlainText(QStringLiteral("Text2"));

  const QFont rowFont = platform::designFont(kLucidaGrande, 9);
  const QFont boldRowFont = platform::designFont(kLucidaGrande, 9, true);
  // Made in their z-order, lowest first.
  QList<QWidget*> made;
  auto makeLabel = [this, &made](const QString& name, const QString& caption) {
    made.append(results_window::makeLabel(rowArea_, name, caption));
    return static_cast<QLabel*>(made.back());
  };
  auto makeImage = [this, &made](const QString& name, const QPixmap& picture) {
    made.append(results_window::makeImage(rowArea_, name, picture));
    return static_cast<QLabel*>(made.back());
  };

  // Each array from its table entry: its indices in ascending order, each
  // element named ARRAY_INDEX at the place the design tells or scattered
  // outside the client area, with the array's element size.
  // Each array's own seed of the scattered places, in the table's order.
  static constexpr int kScatterSeed[] = {3, 0, 1, 2};
  const auto makeArray = [&](int arrayIndex, auto makeElement) {
    const platform::ControlArrayDesign& array = kForm1RowArrays[arrayIndex];
    QList<int> indices;
    for (int i = array.first; i <= array.last; ++i) indices.append(i);
    if (array.extra != 0) indices.append(array.extra);
    for (int i : indices) {
      const QString name = QStringLiteral("%1_%2").arg(QString::fromUtf16(array.name)).arg(i);
      QRect rect(scatteredPosition(kScatterSeed[arrayIndex], i), QSize(array.width, array.height));
      QString caption;
      if (const platform::ControlDesign* told = platform::findControl(kForm1RowElements, name)) {
        rect = QRect(told->left, told->top, told->width, told->height);
        // The design's caption in the session's language.
        if (told->caption) caption = QCoreApplication::translate("Form1", QString::fromUtf16(told->caption).toUtf8());
      }
      makeElement(i, name, rect, caption);
    }
  };
  const auto placeTwips = [this](QWidget* control, const QRect& rect) {
    place(control, rect.left(), rect.top(), rect.width(), rect.height());
  };
  // The arrays' places in the table.
  constexpr int kMenuScroller = 0, kLeftsideLabel = 1, kIconImg = 2, kFileName = 3;

  // MenuScroller: the rows' hit areas.
  makeArray(kMenuScroller, [&](int i, const QString& name, const QRect& rect, const QString&) {
    QLabel* label = makeLabel(name, QString());
    placeTwips(label, rect);
    menuScroller_.add(i, label);
  });

  // LeftsideLabel: the caption column.
  makeArray(kLeftsideLabel, [&](int i, const QString& name, const QRect& rect, const QString& caption) {
    QLabel* label = makeLabel(name, caption);
    label->setFont(rowFont);
    label->setAlignment(Qt::AlignRight | Qt::AlignTop);
    setTextColour(label, kRowTextColour);
    placeTwips(label, rect);
    leftsideLabel_.add(i, label);
  });

  // IconImg: the row icons; all but element 0 scale their picture.
  const QPixmap rowIcon = artwork::picture(artwork::kIconRowDefault);
  makeArray(kIconImg, [&](int i, const QString& name, const QRect& rect, const QString&) {
    QLabel* image = makeImage(name, rowIcon);
    image->setScaledContents(i != 0);
    placeTwips(image, rect);
    image->setVisible(i <= 45);
    iconImg_.add(i, image);
  });

  // FileName: the file names; 3 to 110 hidden with "FILE", 97 to 110 bold.
  makeArray(kFileName, [&](int i, const QString& name, const QRect& rect, const QString& caption) {
    // Its accessible role is known before its caption wakes accessibility.
    QLabel* label = makeLabel(name, QString());
    setRowAccessibleRole(label, i);
    label->setText(i >= 3 && i <= 110 ? QStringLiteral("FILE") : caption);
    label->setFont(i >= 97 && i <= 110 ? boldRowFont : rowFont);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setTextColour(label, kRowTextColour);
    placeTwips(label, i >= 34 && i <= 46 ? QRect(rect.topLeft(), QSize(2685, rect.height())) : rect);
    label->setVisible(i <= 2 || i == search::kPreferencesRow);
    fileName_.add(i, label);
  });

  // Every row element follows the pointer, so the row under it can be
  // highlighted without a button held.
  const struct {
    search::RowArray array;
    const ControlArray<QLabel>& elements;
  } rowArrays[] = {{search::RowArray::LeftsideLabel, leftsideLabel_},
                   {search::RowArray::IconImg, iconImg_},
                   {search::RowArray::FileName, fileName_},
                   {search::RowArray::MenuScroller, menuScroller_}};
  for (const auto& rowArray : rowArrays) {
    for (int index : rowArray.elements.indices()) {
      QLabel* element = rowArray.elements(index);
      rowElements_.insert(element, {rowArray.array, index});
      element->setMouseTracking(true);
      element->installEventFilter(this);
    }
  }

  // Their place in the z-order: above the band, below the service's
  // message; the rows' area lies below every other control.
  for (QWidget* element : made) element->stackUnder(serviceMessage_);
  updateAccessibleRows();
}

}  // namespace orvanta::results_window
