// Form1 at the keyboard: the row keys, Enter and Shift+Enter on a row the
// keyboard highlighted, Escape, and what a screen reader is told of the
// search box, the close button and the rows.
#include "form1.h"

#include "settings/search_history.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QCoreApplication>

#include <algorithm>

namespace orvanta::results_window {
namespace {

// Widget properties read by the accessibility factory below: the role a
// control plays, and whether it is the highlighted row.
constexpr char kAccessibleRole[] = "orvantaAccessibleRole";
constexpr char kAccessibleHighlighted[] = "orvantaAccessibleHighlighted";
// Set on a control that a screen reader is never shown.
constexpr char kAccessibleHidden[] = "orvantaAccessibleHidden";

// A control of the panel that plays another role than its widget class
// (a label that is a row or a button); a row that can be highlighted says
// so, and the highlighted one is focused and selected.
class PanelControlAccessible : public QAccessibleWidget {
 public:
  PanelControlAccessible(QWidget* widget, QAccessible::Role role) : QAccessibleWidget(widget, role) {}

  // The rows may lie in containers of their own; to a screen reader they
  // are the window's, as the window lists them.
  QAccessibleInterface* parent() const override { return QAccessible::queryAccessibleInterface(widget()->window()); }

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

// A control a screen reader is not shown: no name, no text, no children,
// invisible. The window never lists it, and what it holds is told no one.
class HiddenControlAccessible : public QAccessibleWidget {
 public:
  explicit HiddenControlAccessible(QWidget* widget) : QAccessibleWidget(widget, QAccessible::NoRole) {}

  QString text(QAccessible::Text) const override { return QString(); }
  int childCount() const override { return 0; }
  QAccessibleInterface* child(int) const override { return nullptr; }
  int indexOfChild(const QAccessibleInterface*) const override { return -1; }
  QAccessibleInterface* childAt(int, int) const override { return nullptr; }
  QAccessible::State state() const override {
    QAccessible::State state;
    state.invisible = true;
    state.offscreen = true;
    return state;
  }
};

// The window: its children are what it shows, not its several hundred
// controls (most of them rows without a hit, outside the window).
class PanelAccessible : public QAccessibleWidget {
 public:
  explicit PanelAccessible(Form1* form) : QAccessibleWidget(form, QAccessible::Window) {}

  int childCount() const override { return static_cast<int>(form()->accessibleControls().size()); }
  QAccessibleInterface* child(int index) const override {
    const QList<QWidget*> controls = form()->accessibleControls();
    if (index < 0 || index >= controls.size()) return nullptr;
    return QAccessible::queryAccessibleInterface(controls[index]);
  }
  int indexOfChild(const QAccessibleInterface* child) const override {
    if (!child) return -1;
    return static_cast<int>(form()->accessibleControls().indexOf(qobject_cast<QWidget*>(child->object())));
  }

 private:
  Form1* form() const { return static_cast<Form1*>(widget()); }
};

QAccessibleInterface* panelControlFactory(const QString&, QObject* object) {
  if (!object || !object->isWidgetType()) return nullptr;
  if (auto* form = qobject_cast<Form1*>(object)) return new PanelAccessible(form);
  if (object->property(kAccessibleHidden).toBool()) return new HiddenControlAccessible(static_cast<QWidget*>(object));
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
    case Qt::Key_Tab: return NavigationKey::Tab;
    case Qt::Key_Backtab: return NavigationKey::BackTab;
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
  if ((key.key() == Qt::Key_Up || key.key() == Qt::Key_Down) && modifiers == Qt::NoModifier &&
      recallSearch(key.key() == Qt::Key_Up)) {
    return true;
  }
  std::optional<NavigationKey> navigation = navigationKey(key.key());
  if (navigation == NavigationKey::Tab || navigation == NavigationKey::BackTab) {
    // Shift+Tab comes as Backtab with Shift held, or as Tab with Shift.
    if (modifiers != Qt::NoModifier && modifiers != Qt::ShiftModifier) return false;
    if (modifiers == Qt::ShiftModifier) navigation = NavigationKey::BackTab;
    tabAmongRows(*navigation);
    return true;
  }
  if (!navigation || modifiers != Qt::NoModifier) return false;
  const std::vector<NavigationRow> rows = navigationRows();
  // Without rows the keys are the search box's own (Home and End move its
  // cursor).
  if (rows.empty()) return false;
  if (const std::optional<int> next = nextHighlightedRow(rows, Interaction.CurrentRow, *navigation)) highlightFromKeyboard(*next);
  return true;
}

bool Form1::recallSearch(bool older) {
  // A row the keyboard highlighted keeps Up and Down for the rows.
  if (keyboardHighlight_) return false;
  const QString text = text1_->text();
  const bool browsing =
      recallPosition_ >= 0 && recallPosition_ < recalled_.size() && text == recalled_[recallPosition_];
  if (!browsing) {
    recallPosition_ = -1;
    // Only an empty box starts going back; Down from the box is the rows'.
    if (!older || !text.isEmpty()) return false;
    recalled_ = settings::readSearchHistory(regKeys_);
    if (recalled_.isEmpty()) return false;
  }
  if (older) {
    // At the oldest words Up keeps them.
    if (recallPosition_ + 1 < recalled_.size()) ++recallPosition_;
  } else {
    --recallPosition_;
  }
  text1_->setText(recallPosition_ < 0 ? QString() : recalled_[recallPosition_]);
  return true;
}

void Form1::tabAmongRows(NavigationKey key) {
  // The keyboard stays in the search box, whatever had it.
  if (!text1_->hasFocus()) text1_->setFocus(Qt::TabFocusReason);
  if (const std::optional<int> next = nextHighlightedRow(navigationRows(), Interaction.CurrentRow, key)) {
    highlightFromKeyboard(*next);
  }
}

bool Form1::focusNextPrevChild(bool next) {
  if (!unloaded_) tabAmongRows(next ? NavigationKey::Tab : NavigationKey::BackTab);
  return true;
}

void Form1::highlightFromKeyboard(int row) {
  if (row == 0) {
    keyboardHighlight_ = false;
    removeHighlight();
    scrollRowsTo(0);
    return;
  }
  HighlightRow(row);
  keyboardHighlight_ = Interaction.CurrentRow != 0;
  // A row the keyboard reaches is scrolled into view.
  if (keyboardHighlight_) keepRowInView(Interaction.CurrentRow);
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
  setAccessibleRole(serviceMessage_, QAccessible::StaticText);
}

void Form1::hideFromAccessibility(QWidget* control) { control->setProperty(kAccessibleHidden, true); }

QList<QWidget*> Form1::accessibleControls() const {
  QList<QWidget*> controls;
  for (QWidget* control :
       {static_cast<QWidget*>(text1_), static_cast<QWidget*>(closeButton_), static_cast<QWidget*>(serviceMessage_)}) {
    if (control->isVisibleTo(this)) controls.append(control);
  }
  std::vector<NavigationRow> rows = navigationRows();
  std::stable_sort(rows.begin(), rows.end(), [](const NavigationRow& a, const NavigationRow& b) {
    return a.top != b.top ? a.top < b.top : a.index < b.index;
  });
  for (const NavigationRow& row : rows) controls.append(fileName_(row.index));
  return controls;
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
