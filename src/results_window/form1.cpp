// Form1: design, load, lifecycle and the window's own handlers.
#include "form1.h"

#include "on_screen.h"

#include "desktop/artwork.h"
#include "platform/file_system.h"
#include "platform/fonts.h"
#include "platform/twips.h"
#include "platform/window_geometry.h"
#include "settings/conversions.h"
#include "settings/settings_table.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include <cmath>

namespace orvanta::results_window {
namespace {

namespace artwork = desktop::artwork;

// Window design, twips.
constexpr int kDesignLeft = 240;
constexpr int kDesignTop = 1395;
constexpr int kDesignWidth = 5115;
constexpr int kDesignHeight = 11160;
// Only the search strip shows until a search lays out rows.
constexpr int kSearchStripHeight = 470;

constexpr int kProgressFrameStep = 450;
constexpr int kLastProgressFrameTop = -4950;

constexpr int kRowTopAtStart = 1360;
constexpr int kServiceMessageLeft = 240;

const QColor kBackColour(255, 0, 255);
const QColor kRowTextColour(47, 47, 47);
const QColor kHighlightTextColour(255, 255, 255);
const QColor kLabel1TextColour(128, 128, 128);
const QColor kSelectionBandColour(37, 92, 226);
// The band's design place, outside the window, where it waits unseen.
constexpr int kSelectionBandLeft = 6075;
constexpr int kSelectionBandTop = 9780;
const QColor kLine1Colour(192, 192, 192);

const QString kLucidaGrande = QStringLiteral("Lucida Grande");
const QString kMacGrande = QStringLiteral("MACGrande");

bool isEnterKey(const QKeyEvent& key) { return key.key() == Qt::Key_Return || key.key() == Qt::Key_Enter; }

void setTextColour(QWidget* widget, const QColor& colour) {
  QPalette palette = widget->palette();
  palette.setColor(QPalette::WindowText, colour);
  palette.setColor(QPalette::Text, colour);
  widget->setPalette(palette);
}

QLabel* makeLabel(QWidget* parent, const QString& name, const QString& caption) {
  auto* label = new QLabel(parent);
  label->setObjectName(name);
  label->setTextFormat(Qt::PlainText);
  label->setText(caption);
  return label;
}

QLabel* makeImage(QWidget* parent, const QString& name, const QPixmap& picture) {
  auto* image = new QLabel(parent);
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

// The starter used while none has been handed in: every start is refused.
constexpr int kShowAllRow = 0;

class StartsNothing : public platform::ProgramStart {
 public:
  bool start(const QString&, int) override { return false; }
};

}  // namespace

Form1::Form1(const settings::RegKeys& regKeys, platform::WindowSystem& windowSystem, PreferencesWindow& preferences,
             ProgramWindows& windows, QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint),
      regKeys_(regKeys),
      windowSystem_(windowSystem),
      preferences_(preferences),
      windows_(windows),
      module1_(windowSystem) {
  setObjectName(QStringLiteral("Form1"));
  setWindowTitle(QStringLiteral("Orvanta"));
  QPalette palette = this->palette();
  palette.setColor(QPalette::Window, kBackColour);
  setPalette(palette);
  setAutoFillBackground(true);
  platform::setWindowGeometry(*this, platform::twipsToPixels(kDesignLeft, kDesignTop, kDesignWidth, kDesignHeight));
  buildDesign();
}

Form1::~Form1() { module1_.UnhookWindow(); }

void Form1::place(QWidget* control, int left, int top, int width, int height) {
  control->setGeometry(platform::twipsToPixels(left, top, width, height));
}

void Form1::buildDesign() {
  auto makeLabel = [this](const QString& name, const QString& caption) {
    return results_window::makeLabel(this, name, caption);
  };
  auto makeImage = [this](const QString& name, const QPixmap& picture) {
    return results_window::makeImage(this, name, picture);
  };

  // Lowest in the z-order: the highlight band, behind the row labels.
  selectionBand_ = makeLabel(QStringLiteral("SelectionBand"), QString());
  selectionBand_->setAutoFillBackground(true);
  {
    QPalette band = selectionBand_->palette();
    band.setColor(QPalette::Window, kSelectionBandColour);
    selectionBand_->setPalette(band);
  }
  place(selectionBand_, kSelectionBandLeft, kSelectionBandTop, 6000, 270);
  selectionBand_->installEventFilter(this);
  // The row arrays come next in the z-order; completeDesign makes them.

  // The line about a search service that could not be had.
  serviceMessage_ = makeLabel(QStringLiteral("ServiceMessage"), QString());
  serviceMessage_->setFont(platform::designFont(kLucidaGrande, 9));
  serviceMessage_->setWordWrap(true);
  serviceMessage_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  setTextColour(serviceMessage_, kRowTextColour);
  place(serviceMessage_, kServiceMessageLeft, kRowTopAtStart, kDesignWidth - 2 * kServiceMessageLeft, 270);
  serviceMessage_->hide();

  // Category icons, picture sources for the rows.
  iconsApplications_ = makeImage(QStringLiteral("IconsApplications"), artwork::picture(artwork::kIconApplications));
  place(iconsApplications_, 5280, 3000, 240, 240);
  iconsAudio_ = makeImage(QStringLiteral("IconsAudio"), artwork::picture(artwork::kIconAudio));
  place(iconsAudio_, 6120, 45, 240, 240);
  iconsDocuments_ = makeImage(QStringLiteral("IconsDocuments"), artwork::picture(artwork::kIconDocuments));
  place(iconsDocuments_, 6825, 75, 240, 240);
  iconsImages_ = makeImage(QStringLiteral("IconsImages"), artwork::picture(artwork::kIconImages));
  place(iconsImages_, 7905, 5415, 240, 240);
  iconsPdfs_ = makeImage(QStringLiteral("IconsPDFs"), artwork::picture(artwork::kIconPdfs));
  place(iconsPdfs_, 8010, 6540, 240, 240);

  line1_ = new LineControl(kLine1Colour, this);
  line1_->setObjectName(QStringLiteral("Line1"));
  line1_->setPoints(6810, 8805, 10650, 8775);
  line1_->hide();

  label1_ = makeLabel(QStringLiteral("Label1"), QString());
  label1_->setFont(platform::designFont(kMacGrande, 8.25));
  setTextColour(label1_, kLabel1TextColour);
  place(label1_, 2085, 90, 2790, 270);
  label1_->installEventFilter(this);

  closeButton_ = makeImage(QStringLiteral("CloseButton"), artwork::picture(artwork::kCloseButton));
  place(closeButton_, 4740, 135, 210, 210);
  closeButton_->hide();
  closeButton_->installEventFilter(this);

  progress_ = new QWidget(this);
  progress_->setObjectName(QStringLiteral("Progress"));
  place(progress_, 0, 0, 600, 435);
  progressFrame_ = new QLabel(progress_);
  progressFrame_->setObjectName(QStringLiteral("ProgressFrame"));
  progressFrame_->setPixmap(artwork::picture(artwork::kProgressStrip));
  progressFrame_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  place(progressFrame_, 0, 0, 645, 5430);
  progress_->hide();

  text1_ = new QLineEdit(this);
  text1_->setObjectName(QStringLiteral("Text1"));
  text1_->setFrame(false);
  text1_->setFont(platform::designFont(kLucidaGrande, 9));
  setTextColour(text1_, Qt::black);
  place(text1_, 2100, 105, 2505, 255);
  text1_->hide();
  text1_->installEventFilter(this);

  text2_ = new QPlainTextEdit(this);
  text2_->setObjectName(QStringLiteral("Text2"));
  text2_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  place(text2_, 11160, 1470, 3765, 645);

  // The search box comes first in the tab order.
  setTabOrder(text1_, text2_);

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

QString Form1::readSetting(QStringView name) const { return settings::readSetting(regKeys_, name); }

void Form1::writeSetting(QStringView name, const QString& value) const {
  settings::writeSetting(regKeys_, name, value);
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
    made.append(results_window::makeLabel(this, name, caption));
    return static_cast<QLabel*>(made.back());
  };
  auto makeImage = [this, &made](const QString& name, const QPixmap& picture) {
    made.append(results_window::makeImage(this, name, picture));
    return static_cast<QLabel*>(made.back());
  };

  // MenuScroller: the rows' hit areas, 0-81 and 999.
  for (int i = 0; i <= 81; ++i) {
    QLabel* label = makeLabel(QStringLiteral("MenuScroller_%1").arg(i), QString());
    const QPoint at = i == 1 ? QPoint(3195, 1110) : i == 0 ? QPoint(5235, 4350) : scatteredPosition(3, i);
    place(label, at.x(), at.y(), i == 0 ? 3270 : 6630, 270);
    menuScroller_.add(i, label);
  }
  {
    QLabel* label = makeLabel(QStringLiteral("MenuScroller_999"), QString());
    place(label, 5235, 4650, 6630, 270);
    menuScroller_.add(999, label);
  }

  // LeftsideLabel: the caption column, 0-123 and 999.
  auto makeCaption = [&](int index, const QString& caption, QPoint at) {
    QLabel* label = makeLabel(QStringLiteral("LeftsideLabel_%1").arg(index), caption);
    label->setFont(rowFont);
    label->setAlignment(Qt::AlignRight | Qt::AlignTop);
    setTextColour(label, kRowTextColour);
    place(label, at.x(), at.y(), 1740, 255);
    leftsideLabel_.add(index, label);
  };
  for (int i = 0; i <= 123; ++i) {
    const QPoint at = i == 0 ? QPoint(45, 675) : i == 1 ? QPoint(0, 960) : scatteredPosition(0, i);
    makeCaption(i, i == 1 ? QStringLiteral("Top Hit") : QString(), at);
  }
  makeCaption(999, QString(), QPoint(6465, 9105));

  // IconImg: the row icons, 0-106; all but element 0 scale their picture.
  const QPixmap rowIcon = artwork::picture(artwork::kIconRowDefault);
  for (int i = 0; i <= 106; ++i) {
    QLabel* image = makeImage(QStringLiteral("IconImg_%1").arg(i), rowIcon);
    image->setScaledContents(i != 0);
    const QPoint at = i == 0 ? QPoint(1950, 525) : scatteredPosition(1, i);
    place(image, at.x(), at.y(), 240, 240);
    image->setVisible(i <= 45);
    iconImg_.add(i, image);
  }

  // FileName: the file names, 0-110 and 999.
  auto makeFileName = [&](int index, const QString& caption, QPoint at, int width, bool bold, bool visible) {
    // Its accessible role is known before its caption wakes accessibility.
    QLabel* label = makeLabel(QStringLiteral("FileName_%1").arg(index), QString());
    setRowAccessibleRole(label, index);
    label->setText(caption);
    label->setFont(bold ? boldRowFont : rowFont);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setTextColour(label, kRowTextColour);
    place(label, at.x(), at.y(), width, 270);
    label->setVisible(visible);
    fileName_.add(index, label);
  };
  for (int i = 0; i <= 110; ++i) {
    const QString caption = i == 0 ? QStringLiteral("Show All") : i >= 3 ? QStringLiteral("FILE") : QString();
    const QPoint at = i == 0 ? QPoint(2280, 525) : scatteredPosition(2, i);
    const int width = i >= 34 && i <= 46 ? 2685 : 2805;
    makeFileName(i, caption, at, width, i >= 97, i <= 2);
  }
  makeFileName(999, QStringLiteral("Orvanta Preferences..."), QPoint(8355, 8685), 2805, false, true);

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

  // Their place in the z-order: above the band, below every other control.
  for (QWidget* element : made) element->stackUnder(iconsApplications_);
  updateAccessibleRows();
}

void Form1::setVisible(bool visible) {
  // Rows made while the window shows would stay hidden.
  if (visible) completeDesign();
  QWidget::setVisible(visible);
  if (visible) startTimers();
}

void Form1::startTimers() {
  // The progress strip and the focus timer run from the window's first
  // show: while it is hidden they have nothing to show or focus, and their
  // ticks would only wake the idle program.
  if (!loaded_ || timersStarted_ || unloaded_ || !isVisible()) return;
  timersStarted_ = true;
  timer1_->start();
  timer2_->start();
}

void Form1::Form_Load() {
  // 1. The system folder.
  Opening.WindowsDirectory = windowSystem_.windowsDirectory();

  // 2-4. The two halves of the search address; an empty one shows the
  // preferences window (loaded before the default is stored) and gets its
  // default.
  // The preferences window shows once the load has finished, so that it
  // takes the place and the rows per group the load sets up.
  bool showPreferences = false;
  Search.searchPrefix = readSetting(u"SearchPrefix");
  Search.searchSuffix = readSetting(u"SearchSuffix");
  if (settings::searchPrefixNeedsDefault(Search.searchPrefix)) {
    showPreferences = true;
    Search.searchPrefix = settings::defaultSearchPrefix(regKeys_);
    writeSetting(u"SearchPrefix", Search.searchPrefix);
  }
  if (Search.searchSuffix.isEmpty()) {
    showPreferences = true;
    Search.searchSuffix = settings::fixedDefault(u"SearchSuffix");
    writeSetting(u"SearchSuffix", Search.searchSuffix);
  }

  // 5. The deactivation hook.
  module1_.HookedWindow = this;
  module1_.HookWindow();

  // 6-7. The extension lists.
  Extensions.Extensions_Applications = settings::kExtensionsApplications;
  const struct {
    QStringView name;
    QString& variable;
  } lists[] = {
      {u"Extensions_Audio", Extensions.Extensions_Audio}, {u"Extensions_Documents", Extensions.Extensions_Documents},
      {u"Extensions_Images", Extensions.Extensions_Images}, {u"Extensions_PDFs", Extensions.Extensions_PDFs},
      {u"Extensions_Video", Extensions.Extensions_Video},   {u"Extensions_Widgets", Extensions.Extensions_Widgets},
  };
  for (const auto& list : lists) {
    list.variable = readSetting(list.name);
    if (list.variable.isEmpty()) {
      list.variable = settings::fixedDefault(list.name);
      writeSetting(list.name, list.variable);
    }
  }

  // 8. Rows per group; text that is not a number leaves the variable as it
  // was.
  if (const auto value = settings::TextToLong(readSetting(u"MaxSearchResults"))) Panel.MaxSearchResults = *value;
  if (Panel.MaxSearchResults == 0) {
    Panel.MaxSearchResults = settings::kDefaultMaxSearchResults;
    writeSetting(u"MaxSearchResults", settings::NumberToText(Panel.MaxSearchResults));
  }

  // 9-12. The anchor; 0 means unset.
  if (const auto value = settings::TextToLong(readSetting(u"LeftPosition"))) Anchor.LeftPosition = *value;
  if (const auto value = settings::TextToLong(readSetting(u"TopPosition"))) Anchor.TopPosition = *value;
  if (Anchor.LeftPosition == 0) {
    if (const auto value = settings::RoundToLong(double(platform::screenWidthTwips()) - Width())) {
      Anchor.LeftPosition = *value;
      writeSetting(u"LeftPosition", settings::NumberToText(Anchor.LeftPosition));
      setLeft(Anchor.LeftPosition);
    }
  }
  if (Anchor.TopPosition == 0) {
    Anchor.TopPosition = settings::kDefaultTopPosition;
    writeSetting(u"TopPosition", settings::NumberToText(Anchor.TopPosition));
    setTop(Anchor.TopPosition);
  }
  setLeft(Anchor.LeftPosition);
  setTop(Anchor.TopPosition);

  // 13. Row layout values.
  Panel.WindowExtraHeight = 420;
  Panel.BottomRowOffset = 100;
  Panel.RowIndex = 1;
  Panel.RowTop = kRowTopAtStart;

  // 14. Only the search strip shows.
  setHeight(kSearchStripHeight);
  moveIntoReach();

  // 15. The search box; while the window is hidden the focus only takes
  // effect once it shows, which Timer2 sees to.
  text1_->setFocus();
  text1_->setEnabled(true);
  text1_->setVisible(true);
  text1_->setFocus();

  loaded_ = true;
  startTimers();

  if (showPreferences) preferences_.showPreferences();
}

void Form1::moveIntoReach() {
  const QRect strip(pos(), QSize(width(), platform::twipsToPixelsY(kSearchStripHeight)));
  move(panelInReach(strip, screenGeometries()));
}

void Form1::Form_Activate() { windowSystem_.keepOnTop(*this); }

void Form1::Form_Resize() {
  const int bottom = Height() - 15;
  line1_->setPoints(0, bottom, Width(), bottom);
}

void Form1::setProgressFrameTop(int twips) {
  progressFrameTop_ = twips;
  progressFrame_->move(0, platform::twipsToPixelsY(twips));
}

void Form1::Timer1_Timer() {
  windowSystem_.processPendingEvents();
  if (unloaded_) return;
  if (progressFrameTop_ == kLastProgressFrameTop) setProgressFrameTop(0);
  setProgressFrameTop(progressFrameTop_ - kProgressFrameStep);
}

void Form1::Timer2_Timer() {
  if (!isVisible()) return;
  text1_->setVisible(true);
  text1_->setFocus();
  text1_->setEnabled(true);
  timer2_->stop();
}

void Form1::CloseForm() {
  if (Opening.PreferencesOpen) return;
  module1_.UnhookWindow();
  windows_.hideButtonPressedPicture();
  preferences_.unloadPreferences();
  windows_.unloadBorderBackground();
  windows_.unloadMenuButton();
  windows_.unloadForm1();
}

void Form1::Form_Unload() { module1_.UnhookWindow(); }

void Form1::Unload() {
  if (unloaded_) return;
  Form_Unload();
  unloaded_ = true;
  hitPictures_.cancelAll();
  timer1_->stop();
  timer2_->stop();
  hide();
  emit unloaded();
}

void Form1::CloseButton_Click() { windowSystem_.endProgram(0); }

void Form1::closeEvent(QCloseEvent* event) {
  // The window manager's close (Alt+F4) ends the use of the panel as
  // CloseForm does; the panel is never merely hidden, which would leave the
  // button pressed and dead.
  event->ignore();
  if (!unloaded_) CloseForm();
}

bool Form1::Text1_KeyPress(const QKeyEvent& key) {
  // A key that arrives while another one lets pending events run, or while
  // keys held that way still wait, is held and comes after them: handled at
  // once, it would reach the box before the earlier key and scramble fast
  // typing.
  if (heldKeys_.mustWait(key)) {
    heldKeys_.hold(key);
    return true;
  }
  if (keyboardKeyPress(key)) return true;
  // Typing takes the keyboard's highlight away; Enter then searches.
  if (keyboardHighlight_ && !key.text().isEmpty()) highlightFromKeyboard(0);
  // Every key that types a character first lets pending events run.
  if (key.text().isEmpty() && !isEnterKey(key)) return false;
  heldKeys_.beginYield();
  windowSystem_.processPendingEvents();
  heldKeys_.endYield();
  if (!heldKeys_.isEmpty()) QMetaObject::invokeMethod(this, &Form1::deliverHeldKeys, Qt::QueuedConnection);
  if (unloaded_) return true;
  if (!isEnterKey(key)) return false;
  // The Enter never reaches the text box. A second Enter while a search
  // runs is dropped.
  if (searchRunning_) return true;
  Interaction.EnterPending = true;
  Panel.RowTop = kRowTopAtStart;
  Panel.RowIndex = 1;
  progress_->setVisible(true);
  closeButton_->setVisible(true);
  if (searchCallback_) {
    searchRunning_ = true;
    const bool windowAlive = searchCallback_(text1_->text());
    if (!windowAlive || unloaded_) return true;
    searchRunning_ = false;
  }
  return true;
}

void Form1::deliverHeldKeys() {
  heldKeys_.deliver(text1_, [this] { return unloaded_; });
}

bool Form1::Text1_KeyUp() {
  // The release of the Enter that started a search is swallowed.
  const bool swallow = Interaction.EnterPending;
  Interaction.EnterPending = false;
  text1_->setFocus();
  return swallow;
}

int Form1::showServiceMessage(const QString& text, int top) {
  serviceMessage_->setText(text);
  const int width = serviceMessage_->width();
  const int height = serviceMessage_->heightForWidth(width);
  serviceMessage_->setGeometry(serviceMessage_->x(), platform::twipsToPixelsY(top), width,
                               height > 0 ? height : serviceMessage_->sizeHint().height());
  serviceMessage_->raise();
  serviceMessage_->show();
  return platform::pixelsToTwipsY(serviceMessage_->height());
}

void Form1::hideServiceMessage() { serviceMessage_->hide(); }

void Form1::setTopHitLabel(const search::TopHitLabel& label) {
  QLabel* topHit = FileName(1);
  topHit->setText(label.caption);
  topHit->setToolTip(label.toolTip);
}

search::TopHitLabel Form1::topHitLabel() const {
  const QLabel* topHit = FileName(1);
  return {topHit->text(), topHit->toolTip()};
}

int Form1::Left() const { return platform::pixelsToTwipsX(x()); }
int Form1::Top() const { return platform::pixelsToTwipsY(y()); }
int Form1::Width() const { return platform::pixelsToTwipsX(width()); }
int Form1::Height() const { return platform::pixelsToTwipsY(height()); }
void Form1::setLeft(int twips) { move(platform::twipsToPixelsX(twips), y()); }
void Form1::setTop(int twips) { move(x(), platform::twipsToPixelsY(twips)); }
void Form1::setHeight(int twips) { platform::setWindowSize(*this, QSize(width(), platform::twipsToPixelsY(twips))); }

bool Form1::event(QEvent* event) {
  if (event->type() == QEvent::WindowActivate) Form_Activate();
  return QWidget::event(event);
}

void Form1::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  Form_Resize();
}

void Form1::paintEvent(QPaintEvent*) {
  // The window starts hidden and may never show, so its largest picture is
  // decoded when it is first painted.
  if (!backgroundLoaded_) {
    backgroundLoaded_ = true;
    background_ = artwork::picture(artwork::kForm1Background);
  }
  if (background_.isNull()) return;
  QPainter painter(this);
  painter.drawPixmap(0, 0, background_);
}

void Form1::pumpEvents() { windowSystem_.processPendingEvents(); }

bool Form1::rowHoldsHit(int index) const {
  const QLabel* name = FileName(index);
  if (!name || !name->isVisibleTo(this) || !rect().intersects(name->geometry())) return false;
  return index == search::kPreferencesRow || !name->toolTip().isEmpty();
}

void Form1::removeHighlight() {
  if (QLabel* caption = LeftsideLabel(Interaction.CurrentRow)) setTextColour(caption, kRowTextColour);
  if (QLabel* name = FileName(Interaction.CurrentRow)) setTextColour(name, kRowTextColour);
  const QPoint away = platform::twipsToPixels(kSelectionBandLeft, kSelectionBandTop, 0, 0).topLeft();
  selectionBand_->move(away);
  Interaction.CurrentRow = 0;
  announceAccessibleFocus();
}

void Form1::dropStaleHighlight() {
  updateAccessibleRows();
  if (!rowHoldsHit(Interaction.CurrentRow)) {
    keyboardHighlight_ = false;
    removeHighlight();
    return;
  }
  // The row may have moved with the new layout; the band stays on it.
  selectionBand_->move(0, FileName(Interaction.CurrentRow)->y());
}

void Form1::HighlightRow(int index) {
  // The band only ever marks a row that holds a hit.
  if (!rowHoldsHit(index)) {
    removeHighlight();
    return;
  }
  if (const QLabel* caption = LeftsideLabel(index)) selectionBand_->move(selectionBand_->x(), caption->y());
  if (QLabel* caption = LeftsideLabel(index)) setTextColour(caption, kHighlightTextColour);
  if (QLabel* caption = LeftsideLabel(Interaction.CurrentRow)) setTextColour(caption, kRowTextColour);
  if (const QLabel* name = FileName(index)) selectionBand_->move(0, name->y());
  if (QLabel* name = FileName(index)) setTextColour(name, kHighlightTextColour);
  if (QLabel* name = FileName(Interaction.CurrentRow)) setTextColour(name, kRowTextColour);
  Interaction.CurrentRow = index;
  announceAccessibleFocus();
}

void Form1::Row_MouseMove(int index) {
  if (index == Interaction.CurrentRow) return;
  keyboardHighlight_ = false;
  HighlightRow(index);
}

bool Form1::Row_MouseUp(search::RowArray array, int index) {
  // A row without a hit takes no release and no click.
  if (!rowHoldsHit(index)) return true;
  if (array == search::RowArray::IconImg) {
    Interaction.CurrentRow = index;
    ReleaseAction(index);
    return true;
  }
  if (index == Interaction.CurrentRow) return false;
  HighlightRow(index);
  ReleaseAction(index);
  return true;
}

std::optional<QString> Form1::rowPath(int row) const {
  if (const QLabel* name = FileName(row)) return name->toolTip();
  return std::nullopt;
}

OpenHitContext Form1::openContext() {
  static StartsNothing startsNothing;
  return OpenHitContext{
      .regKeys = regKeys_,
      .programStart = programStart_ ? *programStart_ : startsNothing,
      .WindowsDirectory = Opening.WindowsDirectory,
      .getExtensionName = &platform::FileSystem::GetExtensionName,
      .closeForm = [this] { CloseForm(); },
      .showPreferences = [this] { preferences_.showPreferences(); },
      .disableForm1 = [this] { setEnabled(false); },
      .PreferencesOpen = Opening.PreferencesOpen,
      .desktop = desktopLauncher_,
      .lastSearchAddress = [this] { return lastSearchAddress(); },
  };
}

QString Form1::lastSearchAddress() const {
  if (Search.SearchQuery.isEmpty()) return {};
  return Search.searchPrefix + Search.SearchQuery + Search.searchSuffix;
}

void Form1::ReleaseAction(int row) {
  OpenHitContext context = openContext();
  OpenViaExplorer(row, rowPath(row), context);
}

void Form1::OpenResult(int row) {
  OpenHitContext context = openContext();
  results_window::OpenResult(row, rowPath(row), context);
}

namespace {

bool isClick(const QWidget& control, const QEvent& event) {
  const auto& mouse = static_cast<const QMouseEvent&>(event);
  return mouse.button() == Qt::LeftButton && control.rect().contains(mouse.position().toPoint());
}

}  // namespace

bool Form1::rowEvent(search::RowArray array, int index, QWidget* element, QEvent* event) {
  switch (event->type()) {
    case QEvent::MouseMove:
      Row_MouseMove(index);
      return false;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
      // Taken here, so the release comes back to this element (and a
      // double-click on a row is not the window's double-click).
      return true;
    case QEvent::MouseButtonRelease:
      // Once a release action has run, the windows are closing or the
      // preferences window is up, and the click of this release is dropped.
      // A click on Show All opens the last search's page once there is one.
      if (index == kShowAllRow && array == search::RowArray::FileName && !lastSearchAddress().isEmpty()) {
        if (isClick(*element, *event) && !unloaded_) OpenResult(index);
        return true;
      }
      if (Row_MouseUp(array, index)) return true;
      if (isClick(*element, *event) && !unloaded_) OpenResult(index);
      return true;
    default:
      return false;
  }
}

bool Form1::selectionBandEvent(QEvent* event) {
  switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
      return true;
    case QEvent::MouseButtonRelease:
      // The band always marks the row last highlighted.
      if (isClick(*selectionBand_, *event) && !unloaded_ && rowHoldsHit(Interaction.CurrentRow)) OpenResult(Interaction.CurrentRow);
      return true;
    default:
      return false;
  }
}

bool Form1::eventFilter(QObject* watched, QEvent* event) {
  if (const auto row = rowElements_.constFind(watched); row != rowElements_.constEnd()) {
    return rowEvent(row->array, row->index, static_cast<QWidget*>(watched), event);
  }
  if (watched == selectionBand_) return selectionBandEvent(event);
  if (watched == text1_) {
    switch (event->type()) {
      case QEvent::KeyPress:
        return Text1_KeyPress(*static_cast<QKeyEvent*>(event));
      case QEvent::KeyRelease:
        if (static_cast<QKeyEvent*>(event)->isAutoRepeat()) return false;
        return Text1_KeyUp();
      case QEvent::MouseButtonDblClick:
        preferences_.showPreferences();
        return false;
      default:
        return false;
    }
  }
  if (event->type() == QEvent::MouseButtonRelease) {
    const auto* mouse = static_cast<QMouseEvent*>(event);
    auto* control = static_cast<QWidget*>(watched);
    const bool click = mouse->button() == Qt::LeftButton && control->rect().contains(mouse->position().toPoint());
    if (click && watched == closeButton_) {
      CloseButton_Click();
      return true;
    }
    if (click && watched == label1_) {
      text1_->setVisible(true);
      label1_->setVisible(false);
      return true;
    }
  }
  return false;
}

void Form1::mouseDoubleClickEvent(QMouseEvent* event) {
  QWidget::mouseDoubleClickEvent(event);
  preferences_.showPreferences();
}

}  // namespace orvanta::results_window
