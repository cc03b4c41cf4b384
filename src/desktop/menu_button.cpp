// The menu-bar button: load, placement, keeping on top and the click.
#include "menu_button.h"

#include "artwork/artwork.h"
#include "windows.h"
#include "platform/window_geometry.h"
#include "platform/twips.h"
#include "platform/twips_geometry.h"
#include "results_window/on_screen.h"
#include "settings/conversions.h"
#include "settings/settings_table.h"

#include <QCloseEvent>
#include <QEvent>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>

#include <cmath>

namespace orvanta::desktop {
namespace {

// Window design, twips; the first resize replaces the size by Image1's.
constexpr int kDesignLeft = 5250;
constexpr int kDesignTop = 5475;
constexpr int kDesignWidth = 2235;
constexpr int kDesignHeight = 1290;
constexpr int kImageWidth = 690;
constexpr int kImageHeight = 330;
// The button's right edge lies this far right of the panel's.
constexpr double kRightOverhang = 100;

}  // namespace

MenuButton::MenuButton(const settings::RegKeys& regKeys, platform::WindowSystem& windowSystem, Windows& windows,
                       QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      regKeys_(regKeys),
      windowSystem_(windowSystem),
      windows_(windows),
      idlePicture_(artwork::picture(artwork::kMenuButtonIdle)) {
  setObjectName(QStringLiteral("MenuButton"));
  setWindowTitle(QStringLiteral("Orvanta Button"));
  setGeometry(platform::twipsToPixels(kDesignLeft, kDesignTop, kDesignWidth, kDesignHeight));

  image1_ = new QLabel(this);
  image1_->setObjectName(QStringLiteral("Image1"));
  image1_->setPixmap(artwork::picture(artwork::kMenuButtonPressed));
  image1_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  image1_->setGeometry(platform::twipsToPixels(0, 0, kImageWidth, kImageHeight));
  image1_->hide();

  timer1_ = new QTimer(this);
  timer1_->setObjectName(QStringLiteral("Timer1"));
  timer1_->setInterval(150);
  connect(timer1_, &QTimer::timeout, this, &MenuButton::keepOnTop);
  timer1_->start();

  // A change of the screens is followed once Qt has finished it (a screen
  // that goes is still listed while its removal is announced).
  for (QScreen* screen : QGuiApplication::screens()) watchScreen(screen);
  connect(qApp, &QGuiApplication::screenAdded, this, [this](QScreen* screen) {
    watchScreen(screen);
    QMetaObject::invokeMethod(this, &MenuButton::followScreens, Qt::QueuedConnection);
  });
  connect(qApp, &QGuiApplication::screenRemoved, this, &MenuButton::followScreens, Qt::QueuedConnection);
}

void MenuButton::watchScreen(QScreen* screen) {
  connect(screen, &QScreen::availableGeometryChanged, this, &MenuButton::followScreens, Qt::QueuedConnection);
}

void MenuButton::followScreens() {
  if (unloaded_) return;
  moveIntoReach();
  if (windows_.isForm1Loaded() && windows_.form1().isVisible()) windows_.form1().moveIntoReach(geometry());
}

void MenuButton::Form_Load() {
  // Referring to the results window loads it, with its whole load, hidden.
  windows_.form1().setVisible(false);
  const QString left = settings::readSetting(regKeys_, u"LeftPosition");
  const QString top = settings::readSetting(regKeys_, u"TopPosition");
  if (const auto value = settings::textToLong(left)) left_ = *value;
  if (const auto value = settings::textToDouble(top)) {
    if (const auto rounded = settings::roundToLong(*value - Height())) top_ = *rounded;
  }
  setLeft(left_);
  setTop(top_);
  moveIntoReach();
}

void MenuButton::Form_Resize() {
  platform::setWindowSize(*this, image1_->size());
  // A position that cannot be read keeps the button where it is.
  const auto left = settings::textToDouble(settings::readSetting(regKeys_, u"LeftPosition"));
  const auto top = settings::textToDouble(settings::readSetting(regKeys_, u"TopPosition"));
  if (left) {
    if (const auto rounded = settings::roundToLong(*left + kRightOverhang)) {
      setLeft(windows_.form1().Width() + *rounded - Width());
    }
  }
  if (top) {
    if (const auto rounded = settings::roundToLong(*top - Height())) setTop(*rounded);
  }
  moveIntoReach();
}

void MenuButton::moveIntoReach() {
  // At its default place the button's right edge passes the screen's by
  // the overhang; it may stand that far out, no further.
  const int overhang = int(std::ceil(kRightOverhang * platform::logicalDpiX() / platform::kTwipsPerInch));
  move(results_window::buttonInReach(geometry(), windowSystem_.workAreas(), overhang));
}

void MenuButton::Form_Click() {
  // The pressed picture covers the whole button and takes no clicks: while
  // it shows, a click does nothing.
  if (image1_->isVisible()) return;
  image1_->setVisible(true);
  results_window::Form1& form1 = windows_.form1();
  // The screens may have changed since the start.
  moveIntoReach();
  form1.moveIntoReach(geometry());
  form1.show();
  form1.activateWindow();
  // Words of an earlier search are replaced by what is typed next.
  form1.selectSearchWords();
}

void MenuButton::dropPanel() {
  // A button unloaded while the program ends takes no more requests, and
  // the results window is not loaded again for one.
  if (unloaded_ || !windows_.isForm1Loaded()) return;
  Form_Click();
  results_window::Form1& form1 = windows_.form1();
  form1.raise();
  form1.activateWindow();
  form1.Text1()->setFocus();
  form1.selectSearchWords();
}

void MenuButton::keepOnTop() { windowSystem_.keepOnTop(*this); }

void MenuButton::closeEvent(QCloseEvent* event) {
  // The window manager's close of the button ends the program: every
  // window is unloaded, the preferences window with its close steps.
  event->ignore();
  if (!unloaded_) windows_.unloadAll();
}

void MenuButton::Unload() {
  if (unloaded_) return;
  unloaded_ = true;
  timer1_->stop();
  hide();
  emit unloaded();
}

int MenuButton::Left() const { return platform::leftTwips(*this); }
int MenuButton::Top() const { return platform::topTwips(*this); }
int MenuButton::Width() const { return platform::widthTwips(*this); }
int MenuButton::Height() const { return platform::heightTwips(*this); }
void MenuButton::setLeft(int twips) { platform::setLeftTwips(*this, twips); }
void MenuButton::setTop(int twips) { platform::setTopTwips(*this, twips); }

bool MenuButton::event(QEvent* event) {
  if (event->type() == QEvent::WindowActivate) keepOnTop();
  return QWidget::event(event);
}

void MenuButton::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  if (!unloaded_) Form_Resize();
}

void MenuButton::paintEvent(QPaintEvent*) {
  if (idlePicture_.isNull()) return;
  QPainter painter(this);
  painter.drawPixmap(0, 0, idlePicture_);
}

void MenuButton::mouseReleaseEvent(QMouseEvent* event) {
  QWidget::mouseReleaseEvent(event);
  if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) Form_Click();
}

}  // namespace orvanta::desktop
