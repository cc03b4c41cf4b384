// The preferences window: its fixed design and its event handlers.
#include "preferences_window.h"

#include "preferences_design.h"
#include "search_instructions.h"

#include "platform/design_palette.h"
#include "platform/fonts.h"
#include "platform/twips.h"
#include "platform/window_geometry.h"
#include "settings/conversions.h"
#include "settings/settings_table.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QFontMetrics>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QSlider>
#include <QStyle>
#include <QVBoxLayout>

#include <algorithm>
#include <iterator>

namespace orvanta::settings {
namespace {

// The window's default dialog font is 8 pt.
constexpr double kDialogFontPoints = 8.0;

// The smallest size a caption shrinks to when it does not fit its box (a
// translation can be much longer than the design's English).
constexpr double kSmallestCaptionPoints = 5.0;

// Where a redirect link of the search service starts in its pages.
const QString kRedirectMarker = QStringLiteral("/ok?url=");

// A text box that selects its whole text when clicked, so a paste replaces it.
class SelectAllOnClickLineEdit : public QLineEdit {
 public:
  using QLineEdit::QLineEdit;

 protected:
  void mousePressEvent(QMouseEvent* e) override {
    pressed_ = e->button() == Qt::LeftButton;
    QLineEdit::mousePressEvent(e);
  }
  void mouseReleaseEvent(QMouseEvent* e) override {
    QLineEdit::mouseReleaseEvent(e);
    if (pressed_ && e->button() == Qt::LeftButton && rect().contains(e->position().toPoint())) selectAll();
    pressed_ = false;
  }

 private:
  bool pressed_ = false;
};

// A text box that reports every key release.
class KeyReleaseLineEdit : public QLineEdit {
 public:
  explicit KeyReleaseLineEdit(std::function<void()> onKeyRelease, QWidget* parent)
      : QLineEdit(parent), onKeyRelease_(std::move(onKeyRelease)) {}

 protected:
  void keyReleaseEvent(QKeyEvent* e) override {
    QLineEdit::keyReleaseEvent(e);
    onKeyRelease_();
  }

 private:
  std::function<void()> onKeyRelease_;
};

// A slider that reports a mouse-button release once it has taken its value.
class ReleaseReportingSlider : public QSlider {
 public:
  ReleaseReportingSlider(Qt::Orientation orientation, std::function<void()> onRelease, QWidget* parent)
      : QSlider(orientation, parent), onRelease_(std::move(onRelease)) {}

 protected:
  void mouseReleaseEvent(QMouseEvent* e) override {
    QSlider::mouseReleaseEvent(e);
    onRelease_();
  }

 private:
  std::function<void()> onRelease_;
};


// Whether a label's caption fits its box in `font`.
bool captionFits(const QLabel* label, const QFont& font) {
  const QRect box = label->contentsRect();
  const int flags = static_cast<int>(label->alignment()) | (label->wordWrap() ? Qt::TextWordWrap : 0);
  const QRect needed = QFontMetrics(font).boundingRect(box, flags, label->text());
  return needed.width() <= box.width() && needed.height() <= box.height();
}

// The fonts standing in for the design's are often wider: a caption that
// does not fit its box shrinks by quarter points until it does.
void fitCaption(QLabel* label) {
  QFont font = label->font();
  while (!captionFits(label, font) && font.pointSizeF() > kSmallestCaptionPoints) {
    font.setPointSizeF(font.pointSizeF() - 0.25);
  }
  if (font != label->font()) label->setFont(font);
}

// A button's caption, translated, may be longer than the design's: it
// shrinks by quarter points, as a label's does, until it fits.
void fitButtonCaption(QPushButton* button) {
  const int margin = button->style()->pixelMetric(QStyle::PM_ButtonMargin, nullptr, button);
  QFont font = button->font();
  while (QFontMetrics(font).horizontalAdvance(button->text()) > button->width() - 2 * margin &&
         font.pointSizeF() > kSmallestCaptionPoints) {
    font.setPointSizeF(font.pointSizeF() - 0.25);
  }
  if (font != button->font()) button->setFont(font);
}

// A check box's caption, beside its indicator, shrinks the same way.
void fitCheckBoxCaption(QCheckBox* box) {
  const int beside = box->style()->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, box) +
                     box->style()->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, nullptr, box);
  QFont font = box->font();
  while (QFontMetrics(font).horizontalAdvance(box->text()) > box->width() - beside &&
         font.pointSizeF() > kSmallestCaptionPoints) {
    font.setPointSizeF(font.pointSizeF() - 0.25);
  }
  if (font != box->font()) box->setFont(font);
}

// A slider's range and value at load: the range runs from `minimum` (0 at
// most) to `maximum`, widened to hold `value` so that loading never moves
// the anchor.
void setSliderRange(QSlider* slider, double minimum, double maximum, int value) {
  const int lower = std::min(0, roundToLong(minimum).value_or(0));
  const int upper = roundToLong(maximum).value_or(0);
  const QSignalBlocker quiet(slider);
  slider->setRange(std::min(lower, value), std::max(upper, value));
  slider->setValue(value);
}

}  // namespace

Form_OrvantaPreferences::Form_OrvantaPreferences(const RegKeys& regKeys, PreferencesPeers& peers,
                                                 platform::BrowserFactory browserFactory, PageFetcher fetcher,
                                                 QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      regKeys_(regKeys),
      peers_(peers),
      browserFactory_(std::move(browserFactory)),
      fetcher_(std::move(fetcher)) {
  setAttribute(Qt::WA_DeleteOnClose);
  buildDesign();
}

Form_OrvantaPreferences::~Form_OrvantaPreferences() = default;

void Form_OrvantaPreferences::buildDesign() {
  setObjectName(QStringLiteral("Form_OrvantaPreferences"));
  setWindowTitle(QCoreApplication::translate("Form_OrvantaPreferences", "Orvanta Preferences"));
  // Every control takes the design's colours from the window, whatever the
  // desktop's theme.
  setPalette(platform::designPalette());
  QFont dialogFont = font();
  dialogFont.setPointSizeF(kDialogFontPoints);
  setFont(dialogFont);

  const platform::TwipsScale scale = platform::TwipsScale::forScreen(QGuiApplication::primaryScreen());
  setFixedSize(scale.toPixels(9975), scale.toPixels(8850));
  move(scale.toPixels(2160), scale.toPixels(2205));

  // Names the control, places it and sets its font as its entry of the
  // design table says; returns its caption there (empty for none).
  const auto place = [&](QWidget* widget, const char16_t* name) {
    const platform::ControlDesign& design = *platform::findControl(kPreferencesControls, QStringView(name));
    widget->setObjectName(QString::fromUtf16(name));
    widget->setGeometry(scale.toPixels(QRect(design.left, design.top, design.width, design.height)));
    if (design.fontFamily) {
      widget->setFont(platform::designFont(QString::fromUtf16(design.fontFamily), design.fontPoints, design.bold));
    }
    // The design's caption in the session's language.
    return design.caption ? QCoreApplication::translate("Form_OrvantaPreferences",
                                                        QString::fromUtf16(design.caption).toUtf8().constData())
                          : QString();
  };
  const auto label = [&](const char16_t* name) {
    auto* l = new QLabel(this);
    l->setTextFormat(Qt::PlainText);
    l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    l->setWordWrap(true);
    l->setText(place(l, name));
    return l;
  };
  const auto button = [&](const char16_t* name) {
    auto* b = new QPushButton(this);
    b->setText(place(b, name));
    return b;
  };
  const auto textBox = [&](QLineEdit* box, const char16_t* name) {
    const QString text = place(box, name);
    if (!text.isEmpty()) box->setText(text);
    return box;
  };

  Label8 = label(u"Label8");
  Label8->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
  Label8->setAutoFillBackground(true);
  QPalette yellow = Label8->palette();
  yellow.setColor(QPalette::Window, QColor(255, 255, 0));
  Label8->setPalette(yellow);

  Label5 = label(u"Label5");
  Label5->setText(searchAddressInstructions(Label5->text()));

  TextSearchPrefix = textBox(new SelectAllOnClickLineEdit(this), u"TextSearchPrefix");

  Label6 = label(u"Label6");
  Label6->setAlignment(Qt::AlignCenter);
  Label6->setFrameStyle(QFrame::Box | QFrame::Plain);
  Label6->setAutoFillBackground(true);
  QPalette white = Label6->palette();
  white.setColor(QPalette::Window, QColor(255, 255, 255));
  Label6->setPalette(white);

  TextSearchSuffix = textBox(new SelectAllOnClickLineEdit(this), u"TextSearchSuffix");
  Label4 = label(u"Label4");
  SearchCriteria = textBox(new QLineEdit(this), u"SearchCriteria");
  Command1 = button(u"Command1");
  Command3 = button(u"Command3");
  Label7 = label(u"Label7");
  AddressBar = textBox(new QLineEdit(this), u"AddressBar");
  Command2 = button(u"Command2");

  WebBrowser1 = new QWidget(this);
  place(WebBrowser1, u"WebBrowser1");
  auto* browserLayout = new QVBoxLayout(WebBrowser1);
  browserLayout->setContentsMargins(0, 0, 0, 0);

  Label9 = label(u"Label9");
  HTMLBox = new QPlainTextEdit(this);
  HTMLBox->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  HTMLBox->setTabChangesFocus(true);
  place(HTMLBox, u"HTMLBox");

  Label2 = label(u"Label2");
  TextMaxSearchResults =
      textBox(new KeyReleaseLineEdit([this] { SavePositionSettings(); }, this), u"TextMaxSearchResults");
  Label3 = label(u"Label3");
  InitiateURL = textBox(new QLineEdit(this), u"InitiateURL");
  ApplySettings = button(u"ApplySettings");
  Label1 = label(u"Label1");
  const auto checkBox = [&](const char16_t* name, const char16_t* setting) {
    auto* box = new QCheckBox(this);
    box->setText(place(box, name));
    // The user's clicks only; the load sets the box without storing.
    connect(box, &QCheckBox::clicked, this,
            [this, setting](bool on) { writeSetting(regKeys_, QStringView(setting), numberToText(on ? 1 : 0)); });
    return box;
  };
  Check1 = checkBox(u"Check1", u"ShowHitsWhileTyping");
  Check2 = checkBox(u"Check2", u"KeepButtonOnScreen");

  for (QLabel* caption : findChildren<QLabel*>()) fitCaption(caption);
  for (QPushButton* captioned : findChildren<QPushButton*>()) fitButtonCaption(captioned);
  for (QCheckBox* box : findChildren<QCheckBox*>()) fitCheckBoxCaption(box);

  LeftSideSlider = new ReleaseReportingSlider(Qt::Horizontal, [this] { SavePositionSettings(); }, this);
  place(LeftSideSlider, u"LeftSideSlider");
  // Vertical positions grow downwards, as on the screen.
  TopSideSlider = new ReleaseReportingSlider(Qt::Vertical, [this] { SavePositionSettings(); }, this);
  TopSideSlider->setInvertedAppearance(true);
  TopSideSlider->setInvertedControls(true);
  place(TopSideSlider, u"TopSideSlider");
  for (QSlider* slider : {LeftSideSlider, TopSideSlider}) {
    slider->setRange(0, 0);
    // Arrow keys move the anchor by a pixel, page keys by ten.
    slider->setSingleStep(qRound(scale.twipsPerPixel()));
    slider->setPageStep(qRound(10 * scale.twipsPerPixel()));
    slider->setFocusPolicy(Qt::StrongFocus);
  }
  // The load sets the sliders with their signals blocked: every change
  // reported here is the user's.
  connect(LeftSideSlider, &QSlider::valueChanged, this, [this] {
    leftChanged_ = true;
    PositionPreview();
  });
  connect(TopSideSlider, &QSlider::valueChanged, this, [this] {
    topChanged_ = true;
    PositionPreview();
  });
  // Edits by the user only; the box's own corrections of an edit follow it.
  connect(TextMaxSearchResults, &QLineEdit::textEdited, this, [this] { maxSearchResultsChanged_ = true; });


  connect(TextMaxSearchResults, &QLineEdit::textChanged, this, [this] { TextMaxSearchResults_Change(); });
  connect(ApplySettings, &QPushButton::clicked, this, [this] { ApplySettings_Click(); });
  connect(Command1, &QPushButton::clicked, this, [this] { Command1_Click(); });
  connect(Command2, &QPushButton::clicked, this, [this] { Command2_Click(); });
  connect(Command3, &QPushButton::clicked, this, [this] { Command3_Click(); });
}

bool Form_OrvantaPreferences::event(QEvent* e) {
  if (e->type() == QEvent::WindowActivate) {
    // By its first activation the window manager has framed the window.
    if (!placedWithFrame_ && frameGeometry() != geometry()) {
      placedWithFrame_ = true;
      keepWithinWorkArea();
    }
    peers_.keepOnTop(*this);
  }
  return QWidget::event(e);
}

void Form_OrvantaPreferences::showEvent(QShowEvent* e) {
  if (!loaded_) Form_Load();
  QWidget::showEvent(e);
}

void Form_OrvantaPreferences::closeEvent(QCloseEvent* e) {
  if (loaded_ && !unloaded_) Form_Unload();
  e->accept();
}

void Form_OrvantaPreferences::keyPressEvent(QKeyEvent* e) {
  if (e->key() == Qt::Key_Escape && (e->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
    close();
    return;
  }
  QWidget::keyPressEvent(e);
}

void Form_OrvantaPreferences::Form_Load() {
  loaded_ = true;

  // The browser's view takes the place of WebBrowser1 and its place in the
  // tab order.
  if (browserFactory_) browser_ = browserFactory_(WebBrowser1);
  if (browser_) {
    QWidget* view = browser_->widget();
    WebBrowser1->layout()->addWidget(view);
    WebBrowser1->setFocusProxy(view);
    browser_->setNavigationObserver([this] { WebBrowser1_Navigated(); });
  }

  keepWithinWorkArea();

  // The anchor can be moved over every screen: the sliders span the whole
  // desktop, across the seams of side-by-side screens.
  const QScreen* screen = QGuiApplication::primaryScreen();
  const platform::TwipsScale scale = platform::TwipsScale::forScreen(screen);
  const QRect desktop = screen ? screen->virtualGeometry() : QRect();
  setSliderRange(LeftSideSlider, scale.toTwips(desktop.x()),
                 scale.toTwips(desktop.x() + desktop.width()) - peers_.resultsWidth(), peers_.resultsLeft());
  setSliderRange(TopSideSlider, scale.toTwips(desktop.y()),
                 scale.toTwips(desktop.y() + desktop.height()) - peers_.resultsHeight(), peers_.resultsTop());

  TextMaxSearchResults->setText(QString::number(currentMaxSearchResults()));

  TextSearchPrefix->setText(loadText(regKeys_, u"SearchPrefix").value);
  TextSearchSuffix->setText(loadText(regKeys_, u"SearchSuffix").value);
  Check1->setChecked(readSwitch(regKeys_, u"ShowHitsWhileTyping"));
  Check2->setChecked(readSwitch(regKeys_, u"KeepButtonOnScreen"));

  // The tab order, set once the browser's view is in place.
  QWidget* const tabOrder[] = {LeftSideSlider,
                               TopSideSlider,
                               TextMaxSearchResults,
                               ApplySettings,
                               TextSearchPrefix,
                               TextSearchSuffix,
                               SearchCriteria,
                               Command1,
                               HTMLBox,
                               WebBrowser1->focusProxy() ? WebBrowser1->focusProxy() : WebBrowser1,
                               AddressBar,
                               Command2,
                               Command3,
                               InitiateURL,
                               Check1,
                               Check2};
  for (std::size_t i = 1; i < std::size(tabOrder); ++i) setTabOrder(tabOrder[i - 1], tabOrder[i]);
  LeftSideSlider->setFocus();
}

void Form_OrvantaPreferences::keepWithinWorkArea() {
  const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
  if (!screen) return;
  // A window's place is its frame's. Before the window manager has framed
  // the window, a title bar below that place is allowed for.
  QRect frame = frameGeometry();
  if (frame == geometry()) frame.setHeight(frame.height() + style()->pixelMetric(QStyle::PM_TitleBarHeight));
  const QPoint place = platform::placeWithin(frame, screen->availableGeometry());
  if (place != frame.topLeft()) move(place);
}

void Form_OrvantaPreferences::Form_Unload() {
  unloaded_ = true;
  peers_.unloadBackdrop();
  peers_.setResultsEnabled(true);
  SavePositionSettings();
  peers_.clearPreferencesOpen();
}

void Form_OrvantaPreferences::SavePositionSettings() {
  if (topChanged_) writeSetting(regKeys_, u"TopPosition", QString::number(TopSideSlider->value()));
  if (leftChanged_) writeSetting(regKeys_, u"LeftPosition", QString::number(LeftSideSlider->value()));
  if (maxSearchResultsChanged_) writeSetting(regKeys_, u"MaxSearchResults", TextMaxSearchResults->text());
}

qint32 Form_OrvantaPreferences::currentMaxSearchResults() const {
  // The panel keeps the value it read at the start for this run; a value
  // stored since (by an earlier opening of this window) is the one the
  // next start takes, so the box shows that. A stored text the next start
  // would replace by its default leaves the panel's value.
  const QString stored = readSetting(regKeys_, u"MaxSearchResults");
  const Setting* setting = findSetting(u"MaxSearchResults");
  if (setting && !needsDefault(*setting, stored)) {
    if (const auto number = textToLong(stored)) return *number;
  }
  return peers_.resultsMaxSearchResults();
}

void Form_OrvantaPreferences::PositionPreview() {
  peers_.keepOnTop(*this);
  peers_.moveResults(LeftSideSlider->value(), TopSideSlider->value());
  peers_.showResults();
  const int left = peers_.resultsLeft();
  const int top = peers_.resultsTop();
  const int width = peers_.resultsWidth();
  const int height = peers_.resultsHeight();
  peers_.loadBackdrop();
  peers_.moveBackdrop(left - 60, top - 60, width + 120, height + 120);
  peers_.moveMenuButton(LeftSideSlider->value(), TopSideSlider->value() - peers_.menuButtonHeight());
  peers_.showBackdrop();
}

void Form_OrvantaPreferences::TextMaxSearchResults_Change() {
  // Each assignment changes the text and runs this again on the new text,
  // which then passes.
  const QString text = TextMaxSearchResults->text();
  if (text == QLatin1String("0")) {
    TextMaxSearchResults->setText(QStringLiteral("1"));
    return;
  }
  if (text.isEmpty()) {
    TextMaxSearchResults->setText(fixedDefault(u"MaxSearchResults"));
    return;
  }
  // Compared as shown with two decimals; text that is not a number stays.
  const auto number = textToDouble(text);
  if (!number) return;
  const auto shown = textToDouble(formatFixed(*number));
  if (shown && *shown > 30) TextMaxSearchResults->setText(QStringLiteral("30"));
}

void Form_OrvantaPreferences::ApplySettings_Click() {
  writeSetting(regKeys_, u"SearchPrefix", TextSearchPrefix->text());
  writeSetting(regKeys_, u"SearchSuffix", TextSearchSuffix->text());
}

void Form_OrvantaPreferences::Command1_Click() {
  loadPage(TextSearchPrefix->text() + SearchCriteria->text() + TextSearchSuffix->text());
}

void Form_OrvantaPreferences::Command2_Click() { loadPage(AddressBar->text()); }

void Form_OrvantaPreferences::Command3_Click() {
  const QString page = HTMLBox->toPlainText();
  const qsizetype start = page.indexOf(kRedirectMarker);
  if (start < 0) return;
  const qsizetype end = page.indexOf(QLatin1Char('"'), start);
  if (end < 0) return;
  InitiateURL->setText(page.mid(start, end - start));
}

void Form_OrvantaPreferences::WebBrowser1_Navigated() { AddressBar->setText(browser_->locationUrl()); }

void Form_OrvantaPreferences::loadPage(const QString& address) {
  // The fetch blocks, but a transfer may let events through while it waits;
  // the window may be gone when it returns.
  const QPointer<Form_OrvantaPreferences> alive(this);
  const std::optional<QString> page = fetcher_ ? fetcher_(address) : std::nullopt;
  if (!alive) return;
  HTMLBox->setPlainText(
      page ? *page
           : QCoreApplication::translate("Form_OrvantaPreferences", "Could not fetch the page at %1").arg(address));
  if (browser_) browser_->navigate(address);
}

}  // namespace orvanta::settings
