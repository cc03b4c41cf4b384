// Form1's rows under the pointer: which row holds a hit, the highlight
// band, the pointer handlers of the four row arrays and of the band, and
// the opening of a row's hit.
#include "form1.h"

#include "form1_controls.h"
#include "form1_design.h"

#include "platform/file_system.h"
#include "platform/twips.h"
#include "settings/search_history.h"

#include <QMouseEvent>

namespace orvanta::results_window {

using namespace form1_design;

namespace {

// The Show All row.
constexpr int kShowAllRow = 0;

// The starter used while none has been handed in: every start is refused.
class StartsNothing : public platform::ProgramStart {
 public:
  bool start(const QString&, int) override { return false; }
};

}  // namespace

bool Form1::rowHoldsHit(int index) const {
  const QLabel* name = FileName(index);
  // On view in the rows' area, scrolled into the window or not.
  if (!name || !name->isVisibleTo(this) || !rowArea_->rect().intersects(name->geometry())) return false;
  return index == search::kPreferencesRow || !name->toolTip().isEmpty();
}

void Form1::removeHighlight() {
  if (QLabel* caption = LeftsideLabel(Interaction.CurrentRow)) setTextColour(caption, kRowTextColour);
  if (QLabel* name = FileName(Interaction.CurrentRow)) setTextColour(name, kRowTextColour);
  // Back to its design place, outside the window.
  selectionBand_->move(platform::findControl(kForm1Controls, u"SelectionBand")->pixels().topLeft());
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
    releaseAction(index);
    return true;
  }
  if (index == Interaction.CurrentRow) return false;
  HighlightRow(index);
  releaseAction(index);
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
      .tellUser = openFailureHandler_,
      .recentDocuments = recentDocuments_,
  };
}

QString Form1::lastSearchAddress() const {
  if (Search.SearchQuery.isEmpty()) return {};
  return Search.searchPrefix + Search.SearchQuery + Search.searchSuffix;
}

void Form1::rememberTypedWords(int row) {
  // Rows a search of typed words brought were found without Enter; the
  // words are kept once one of their hits is opened.
  if (rowsFromTypedSearch_ && row != search::kPreferencesRow) settings::rememberSearch(regKeys_, text1_->text());
}

void Form1::releaseAction(int row) {
  rememberTypedWords(row);
  OpenHitContext context = openContext();
  OpenViaExplorer(row, rowPath(row), context);
}

void Form1::OpenResult(int row) {
  rememberTypedWords(row);
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
