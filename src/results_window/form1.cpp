// Form1: its load, its lifecycle and timers, the Enter of the search box,
// and the window's own handlers.
#include "form1.h"

#include "form1_design.h"
#include "on_screen.h"

#include "artwork/artwork.h"
#include "platform/design_palette.h"
#include "platform/twips.h"
#include "platform/twips_geometry.h"
#include "platform/window_geometry.h"
#include "settings/conversions.h"
#include "settings/search_history.h"
#include "settings/settings_table.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QPointer>
#include <QSignalBlocker>
#include <QWheelEvent>

#include <algorithm>

namespace orvanta::results_window {

using namespace form1_design;

namespace {

bool isEnterKey(const QKeyEvent& key) { return key.key() == Qt::Key_Return || key.key() == Qt::Key_Enter; }

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
  // The design's colours for every control, whatever the desktop's theme.
  QPalette palette = platform::designPalette();
  palette.setColor(QPalette::Window, kBackColour);
  setPalette(palette);
  setAutoFillBackground(true);
  platform::setWindowGeometry(*this, platform::twipsToPixels(kDesignLeft, kDesignTop, kDesignWidth, kDesignHeight));
  buildDesign();
  typingPause_ = new QTimer(this);
  typingPause_->setObjectName(QStringLiteral("TypingPause"));
  typingPause_->setSingleShot(true);
  typingPause_->setInterval(kTypingPauseMs);
  connect(typingPause_, &QTimer::timeout, this, &Form1::typingPaused);
  connect(text1_, &QLineEdit::textChanged, this, &Form1::wordsChanged);
}

Form1::~Form1() { module1_.UnhookWindow(); }


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
  // The system folder.
  Opening.WindowsDirectory = windowSystem_.windowsDirectory();

  // The two halves of the search address; a half that had to take its
  // default shows the preferences window, once the load has finished, so
  // that it takes the place and the rows per group the load sets up.
  const settings::LoadedText prefix = settings::loadText(regKeys_, u"SearchPrefix");
  const settings::LoadedText suffix = settings::loadText(regKeys_, u"SearchSuffix");
  Search.searchPrefix = prefix.value;
  Search.searchSuffix = suffix.value;
  const bool showPreferences = prefix.defaulted || suffix.defaulted;

  // The deactivation hook.
  module1_.HookedWindow = this;
  module1_.HookWindow();

  // The extension lists: Applications is fixed, the others are settings.
  Extensions = search::loadExtensionLists(regKeys_);

  // Rows per group.
  const qint32 maxSearchResults = settings::loadNumber(regKeys_, u"MaxSearchResults").value;

  // The anchor; an unset one (0) takes its default from the primary
  // screen's work area: the panel ends at its right edge, and the button
  // above the panel stands at its top, below a top bar.
  const QList<QRect> workAreas = windowSystem_.workAreas();
  const QRect primary = workAreas.isEmpty() ? QRect() : workAreas.front();
  Anchor.LeftPosition = settings::loadNumber(regKeys_, u"LeftPosition", [&] {
                          const int right = platform::pixelsToTwipsX(primary.x() + primary.width());
                          return settings::roundToLong(double(right) - Width());
                        }).value;
  Anchor.TopPosition =
      settings::loadNumber(regKeys_, u"TopPosition", [&] {
        return std::optional<qint32>(platform::pixelsToTwipsY(primary.y()) + settings::kTopPositionBelowWorkArea);
      }).value;
  setLeft(Anchor.LeftPosition);
  setTop(Anchor.TopPosition);

  // The preferences beyond the design's, read again where they act; here
  // only their defaults are stored when needed.
  settings::loadNumber(regKeys_, u"ShowHitsWhileTyping");
  settings::loadNumber(regKeys_, u"KeepButtonOnScreen");

  // The row layout starts over.
  Panel = search::PanelState{.MaxSearchResults = maxSearchResults};

  // Only the search strip shows.
  setHeight(kSearchStripHeight);
  moveIntoReach();

  // The search box; while the window is hidden the focus only takes
  // effect once it shows, which Timer2 sees to.
  text1_->setFocus();
  text1_->setEnabled(true);
  text1_->setVisible(true);
  text1_->setFocus();

  loaded_ = true;
  startTimers();

  if (showPreferences) preferences_.showPreferences();
}

void Form1::moveIntoReach(const QRect& button) {
  const QRect strip(pos(), QSize(width(), platform::twipsToPixelsY(kSearchStripHeight)));
  move(panelInReach(strip, windowSystem_.workAreas(), platform::twipsToPixelsY(kButtonHeightTwips), button));
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
  // Asked each time, so that the preference counts from its next use on.
  if (settings::readSwitch(regKeys_, u"KeepButtonOnScreen")) {
    closePanel();
    return;
  }
  module1_.UnhookWindow();
  windows_.hideButtonPressedPicture();
  preferences_.unloadPreferences();
  windows_.unloadBorderBackground();
  windows_.unloadMenuButton();
  windows_.unloadForm1();
}

void Form1::closePanel() {
  // The hook stays: the panel dropped again closes the same way.
  dropTypedSearch();
  windows_.hideButtonPressedPicture();
  preferences_.unloadPreferences();
  windows_.unloadBorderBackground();
  // Nothing ticks while the panel waits hidden; the caret comes back with
  // the window's activation.
  timer1_->stop();
  timer2_->stop();
  hide();
}

void Form1::Form_Unload() { module1_.UnhookWindow(); }

void Form1::Unload() {
  if (unloaded_) return;
  Form_Unload();
  unloaded_ = true;
  dropTypedSearch();
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
  recallPosition_ = -1;
  // Enter's search replaces whatever a typed search would bring.
  dropTypedSearch();
  rowsFromTypedSearch_ = false;
  Interaction.EnterPending = true;
  Panel.RowTop = search::kFirstRowTop;
  Panel.RowIndex = 1;
  progress_->setVisible(true);
  closeButton_->setVisible(true);
  // The words are kept once searched for, even when the window went away
  // meanwhile; the settings outlive it.
  const settings::RegKeys& regKeys = regKeys_;
  const QString words = text1_->text();
  if (searchCallback_) {
    searchRunning_ = true;
    const bool windowAlive = searchCallback_(words);
    if (!windowAlive || unloaded_) {
      settings::rememberSearch(regKeys, words);
      return true;
    }
    searchRunning_ = false;
  }
  settings::rememberSearch(regKeys, words);
  return true;
}

void Form1::wordsChanged() {
  ++wordsChange_;
  // The answer for the earlier words would be dropped: its request goes at
  // once, so that at most one search of typed words is under way.
  if (typedSearchRunning_ && typedSearchCancel_) typedSearchCancel_();
  if (!unloaded_) typingPause_->start();
}

void Form1::dropTypedSearch() {
  ++wordsChange_;
  pauseMissed_ = false;
  typingPause_->stop();
  if (typedSearchRunning_ && typedSearchCancel_) typedSearchCancel_();
}

void Form1::typingPaused() {
  // A pause that passed while the answer for earlier words was awaited is
  // taken up once that wait has ended.
  if (typedSearchRunning_) pauseMissed_ = true;
  if (unloaded_ || searchRunning_ || typedSearchRunning_ || !typedSearch_) return;
  // Asked at every pause, so that the preference counts from the next
  // words on.
  if (!settings::readSwitch(regKeys_, u"ShowHitsWhileTyping")) return;
  const QString text = text1_->text();
  if (text.trimmed().size() < kTypedSearchMinimum) return;
  const quint64 change = wordsChange_;
  const QPointer<Form1> self(this);
  typedSearchRunning_ = true;
  const bool alive = typedSearch_(text, [self, change] { return !self || self->wordsChange_ != change; });
  if (!alive || !self || unloaded_) return;
  typedSearchRunning_ = false;
  if (pauseMissed_) {
    pauseMissed_ = false;
    if (!typingPause_->isActive()) typingPaused();
  }
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
  serviceMessage_->setAccessibleName(text);
  const int width = serviceMessage_->width();
  const int height = serviceMessage_->heightForWidth(width);
  serviceMessage_->setGeometry(serviceMessage_->x(), platform::twipsToPixelsY(top), width,
                               height > 0 ? height : serviceMessage_->sizeHint().height());
  serviceMessage_->raise();
  serviceMessage_->show();
  return platform::pixelsToTwipsY(serviceMessage_->height());
}

void Form1::hideServiceMessage() { serviceMessage_->hide(); }

void Form1::selectSearchWords() { text1_->selectAll(); }

void Form1::setTopHitLabel(const search::TopHitLabel& label) {
  QLabel* topHit = FileName(1);
  topHit->setText(label.caption);
  topHit->setToolTip(label.toolTip);
}

int Form1::Left() const { return platform::leftTwips(*this); }
int Form1::Top() const { return platform::topTwips(*this); }
int Form1::Width() const { return platform::widthTwips(*this); }
int Form1::Height() const { return platform::heightTwips(*this); }
void Form1::setLeft(int twips) { platform::setLeftTwips(*this, twips); }
void Form1::setTop(int twips) { platform::setTopTwips(*this, twips); }
void Form1::setHeight(int twips) {
  rowsHeight_ = platform::twipsToPixelsY(twips);
  // Down to the bottom of the work area, never shorter than the search
  // strip.
  int height = rowsHeight_;
  const QRect workArea = windowSystem_.workArea(*this);
  if (workArea.isValid()) {
    const int room = workArea.bottom() + 1 - y();
    height = std::min(height, std::max(room, platform::twipsToPixelsY(kSearchStripHeight)));
  }
  platform::setWindowSize(*this, QSize(width(), height));
  layOutRowArea();
}

void Form1::layOutRowArea() {
  if (!rowArea_) return;
  const int stripHeight = platform::twipsToPixelsY(kSearchStripHeight);
  const int rowsHeight = std::max(rowsHeight_, height());
  const int maximum = rowsHeight - height();
  const QSignalBlocker quiet(rowScrollBar_);
  rowScrollBar_->setRange(0, maximum);
  rowScrollBar_->setPageStep(std::max(1, height() - stripHeight));
  const int barWidth = rowScrollBar_->sizeHint().width();
  rowScrollBar_->setGeometry(width() - barWidth, stripHeight, barWidth, std::max(0, height() - stripHeight - 1));
  rowScrollBar_->setVisible(maximum > 0);
  rowView_->setGeometry(0, stripHeight, width(), std::max(0, height() - stripHeight));
  rowArea_->setGeometry(0, -stripHeight - rowScrollBar_->value(), width(), rowsHeight);
}

int Form1::rowScroll() const { return rowScrollBar_->value(); }

int Form1::maximumRowScroll() const { return rowScrollBar_->maximum(); }

void Form1::scrollRowsTo(int pixels) { rowScrollBar_->setValue(std::clamp(pixels, 0, rowScrollBar_->maximum())); }

void Form1::keepRowInView(int index) {
  const QLabel* name = FileName(index);
  if (!name) return;
  const int stripHeight = platform::twipsToPixelsY(kSearchStripHeight);
  // In the rows' area, the part on view lies below the strip and above
  // the bottom rule.
  const int viewTop = stripHeight + rowScroll();
  const int viewBottom = rowScroll() + height() - 1;
  if (name->y() < viewTop) {
    // A row of the first screenful takes the rows back to their start, so
    // that Show All and the Top Hit come into view with it.
    const bool firstScreenful = name->geometry().bottom() + 1 <= height() - 1;
    scrollRowsTo(firstScreenful ? 0 : name->y() - stripHeight);
  } else if (name->geometry().bottom() + 1 > viewBottom) {
    scrollRowsTo(name->geometry().bottom() + 1 - height() + 1);
  }
}

void Form1::wheelEvent(QWheelEvent* event) {
  // The wheel scrolls the rows, three rows a notch, when they do not fit.
  if (maximumRowScroll() == 0) {
    event->ignore();
    return;
  }
  const int pixels = event->pixelDelta().y();
  const int step = pixels != 0 ? pixels : event->angleDelta().y() * 3 * rowScrollBar_->singleStep() / 120;
  scrollRowsTo(rowScroll() - step);
  event->accept();
}

bool Form1::event(QEvent* event) {
  if (event->type() == QEvent::WindowActivate) Form_Activate();
  return QWidget::event(event);
}

void Form1::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  layOutRowArea();
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
}  // namespace orvanta::results_window
