// Loading the pseudo-language and checking the texts a window shows.
#include "pseudo_language.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QCoreApplication>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QStyle>
#include <QWidget>

namespace orvanta::testing {

PseudoLanguage::PseudoLanguage() {
  loaded_ = translator_.load(QStringLiteral(ORVANTA_PSEUDO_QM));
  if (loaded_) QCoreApplication::installTranslator(&translator_);
}

PseudoLanguage::~PseudoLanguage() {
  if (loaded_) QCoreApplication::removeTranslator(&translator_);
}

bool PseudoLanguage::isBuilt() { return !QStringLiteral(ORVANTA_PSEUDO_QM).isEmpty(); }

bool isPseudoText(const QString& text) { return text.startsWith(u'[') && text.endsWith(u']'); }

namespace {

// Whether `text` in `widget`'s font fits a box of `width` x `height`,
// wrapped at words when `wrap`.
bool fits(const QWidget& widget, const QString& text, int width, int height, bool wrap, int alignment) {
  const QFontMetrics metrics(widget.font());
  if (!wrap) return metrics.horizontalAdvance(text) <= width && metrics.height() <= height;
  const QRect needed = metrics.boundingRect(QRect(0, 0, width, height), alignment | Qt::TextWordWrap, text);
  return needed.width() <= width && needed.height() <= height;
}

}  // namespace

QStringList shownTextProblems(QWidget& window, const std::function<bool(const QWidget&)>& isData) {
  QStringList problems;
  if (!window.windowTitle().trimmed().isEmpty() && !isPseudoText(window.windowTitle()) &&
      window.windowFlags().testFlag(Qt::FramelessWindowHint) == false) {
    problems << QStringLiteral("title \"%1\" is not translated").arg(window.windowTitle());
  }
  for (QWidget* widget : window.findChildren<QWidget*>()) {
    if (!widget->isVisibleTo(&window)) continue;
    // Only what lies within the window is seen.
    const QRect place(widget->mapTo(&window, QPoint(0, 0)), widget->size());
    if (!window.rect().intersects(place)) continue;
    QString text;
    bool fit = true;
    if (const auto* label = qobject_cast<const QLabel*>(widget)) {
      text = label->text();
      const QRect box = label->contentsRect();
      fit = fits(*label, text, box.width(), box.height(), label->wordWrap(), int(label->alignment()));
    } else if (const auto* check = qobject_cast<const QCheckBox*>(widget)) {
      // A check box's text stands beside its indicator.
      text = check->text();
      const int beside = check->style()->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, check) +
                         check->style()->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, nullptr, check);
      fit = fits(*check, text, check->width() - beside, check->height(), false, 0);
    } else if (const auto* button = qobject_cast<const QAbstractButton*>(widget)) {
      text = button->text();
      const int margin = button->style()->pixelMetric(QStyle::PM_ButtonMargin, nullptr, button);
      fit = fits(*button, text, button->width() - 2 * margin, button->height(), false, 0);
    } else if (const auto* box = qobject_cast<const QLineEdit*>(widget)) {
      text = box->text();
      // A box scrolls the user's longer texts; the program's own must fit
      // (the frame and the box's own margin of two pixels each side).
      fit = isData(*box) || fits(*box, text, box->contentsRect().width() - 4, box->contentsRect().height(), false, 0);
    } else {
      continue;
    }
    if (text.trimmed().isEmpty()) continue;
    const QString name =
        widget->objectName().isEmpty() ? QString::fromLatin1(widget->metaObject()->className()) : widget->objectName();
    if (!isData(*widget) && !isPseudoText(text)) {
      problems << QStringLiteral("%1 shows \"%2\", not translated").arg(name, text);
    }
    if (!fit) problems << QStringLiteral("%1 cuts \"%2\"").arg(name, text);
  }
  return problems;
}

}  // namespace orvanta::testing
