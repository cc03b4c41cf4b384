// Form1 at the keyboard: the row keys, Enter and Shift+Enter on a row the
// keyboard highlighted, Escape, and what a screen reader is told of the
// search box, the close button and the rows.
#include "form1.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QCoreApplication>

namespace orvanta::results_window {
namespace {

// Widget properties read by the accessibility factory below: the role a
// control plays, and whether it is the highlighted row.
constexpr char kAccessibleRole[] = "orvantaAccessibleRole";
constexpr char kAccessibleHighlighted[] = "orvantaAccessibleHighlighted";

// A control of the panel that plays another role than its widget class
// (a label that is a row or a button); a row that can be highlighted says
// so, and the highlighted one is focused and selected.
class PanelControlAccessible : public QAccessibleWidget {
 public:
  PanelControlAccessible(QWidget* widget, QAccessible::Role role) : QAccessibleWidget(widget, role) {}

  QAccessible::State state() const override {
    QAccessible::State state = QAccessibleWidget::state();
    if (role() == QAccessible::ListItem || role() == QAccessible::MenuItem) {
      state.focusable = true;
      state.selectable = true;
      if (widget()->property(kAccessibleHighlighted).toBool()) {
        state.focused = true;
        state.selected = true;
      }
    }
    return state;
  }
};

QAccessibleInterface* panelControlFactory(const QString&, QObject* object) {
  if (!object || !object->isWidgetType()) return nullptr;
  const QVariant role = object->property(kAccessibleRole);
  if (!role.isValid()) return nullptr;
  return new PanelControlAccessible(static_cast<QWidget*>(object), static_cast<QAccessible::Role>(role.toInt()));
}

void setAccessibleRole(QWidget* widget, QAccessible::Role role) {
  widget->setProperty(kAccessibleRole, static_cast<int>(role));
}

std::optional<NavigationKey> navigationKey(int key) {
  switch (key) {
    case Qt::Key_Down: return NavigationKey::Down;
    case Qt::Key_Up: return NavigationKey::Up;
    case Qt::Key_Home: return NavigationKey::Home;
    case Qt::Key_End: return NavigationKey::End;
    case Qt::Key_PageDown: return NavigationKey::PageDown;
    case Qt::Key_PageUp: return NavigationKey::PageUp;
    default: return std::nullopt;
  }
}

}  // namespace

std::vector<NavigationRow> Form1::navigationRows() const {
  std::vector<NavigationRow> rows;
  if (!designComplete_) return rows;
  for (int index : fileName_.indices()) {
    if (!rowHoldsHit(index)) continue;
    const QLabel* caption = leftsideLabel_(index);
    rows.push_back({.index = index,
                    .top = fileName_(index)->y(),
                    .holdsHit = true,
                    .caption = caption ? caption->text() : QString()});
  }
  return rows;
}

bool Form1::keyboardKeyPress(const QKeyEvent& key) {
  if (unloaded_) return false;
  const Qt::KeyboardModifiers modifiers = key.modifiers() & ~Qt::KeypadModifier;
  if (key.key() == Qt::Key_Escape && modifiers == Qt::NoModifier) {
    CloseForm();
    return true;
  }
  if (key.key() == Qt::Key_Return || key.key() == Qt::Key_Enter) {
    if (!keyboardHighlight_ || !rowHoldsHit(Interaction.CurrentRow)) return false;
    const int row = Interaction.CurrentRow;
    if (modifiers == Qt::NoModifier) {
      // As a click on the row's file name.
      OpenResult(row);
    } else if (modifiers == Qt::ShiftModifier) {
      // As a release over the row's icon.
      releaseAction(row);
    } else {
      return false;
    }
    return true;
  }
  const std::optional<NavigationKey> navigation = navigationKey(key.key());
  if (!navigation || modifiers != Qt::NoModifier) return false;
  const std::vector<NavigationRow> rows = navigationRows();
  // Without rows the keys are the search box's own (Home and End move its
  // cursor).
  if (rows.empty()) return false;
  if (const std::optional<int> next = nextHighlightedRow(rows, Interaction.CurrentRow, *navigation)) highlightFromKeyboard(*next);
  return true;
}

void Form1::highlightFromKeyboard(int row) {
  if (row == 0) {
    keyboardHighlight_ = false;
    removeHighlight();
    return;
  }
  HighlightRow(row);
  keyboardHighlight_ = Interaction.CurrentRow != 0;
}

void Form1::keyPressEvent(QKeyEvent* event) {
  // Keys on the panel itself, or that its controls left alone.
  if (keyboardKeyPress(*event)) return;
  QWidget::keyPressEvent(event);
}

void Form1::setUpAccessibility() {
  static const bool factoryInstalled = [] {
    QAccessible::installFactory(panelControlFactory);
    return true;
  }();
  Q_UNUSED(factoryInstalled);
  setAccessibleRole(closeButton_, QAccessible::Button);
}

void Form1::setRowAccessibleRole(QLabel* fileName, int index) {
  setAccessibleRole(fileName, index == search::kPreferencesRow ? QAccessible::MenuItem : QAccessible::ListItem);
}

void Form1::updateAccessibleRows() {
  if (!designComplete_) return;
  // Named once the window shows: naming a control wakes the accessibility
  // bridge, which the hidden window at the program's start does not need.
  if (text1_->accessibleName().isEmpty()) {
    text1_->setAccessibleName(QCoreApplication::translate("Form1", "Search"));
    text1_->setAccessibleDescription(QCoreApplication::translate("Form1", "Words to search for; Enter searches"));
    closeButton_->setAccessibleName(QCoreApplication::translate("Form1", "Close"));
  }
  const std::vector<NavigationRow> rows = navigationRows();
  for (int index : fileName_.indices()) {
    QLabel* name = fileName_(index);
    const bool preferences = index == search::kPreferencesRow;
    name->setProperty(kAccessibleHighlighted, index == Interaction.CurrentRow && index != 0);
    if (!rowHoldsHit(index)) {
      name->setAccessibleName(QString());
      name->setAccessibleDescription(QString());
      continue;
    }
    if (preferences) {
      name->setAccessibleName(name->text());
      name->setAccessibleDescription(QString());
      continue;
    }
    const QString group = groupCaptionOf(rows, index);
    name->setAccessibleName(group.isEmpty() ? name->text() : group + QStringLiteral(": ") + name->text());
    name->setAccessibleDescription(name->toolTip());
  }
}

void Form1::announceAccessibleFocus() {
  if (!designComplete_) return;
  for (int index : fileName_.indices()) {
    fileName_(index)->setProperty(kAccessibleHighlighted, index == Interaction.CurrentRow && index != 0);
  }
  QWidget* focus = Interaction.CurrentRow != 0 ? static_cast<QWidget*>(fileName_(Interaction.CurrentRow)) : text1_;
  if (!focus) return;
  // Without an assistive technology Qt tells no one.
  QAccessibleEvent event(focus, QAccessible::Focus);
  QAccessible::updateAccessibility(&event);
  emit accessibleFocusMoved(focus);
}

}  // namespace orvanta::results_window
