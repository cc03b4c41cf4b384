// The results panel fill over the ResultsPanel interface.
#include "results_panel.h"

#include <QCoreApplication>

#include <algorithm>
#include <array>
#include <cstdint>

namespace orvanta::search {
namespace {

constexpr int kGroupGap = 100;
constexpr int kShowAllTop = 525;
constexpr int kCaptionLeft = 0;
constexpr int kIconLeft = 1950;
constexpr int kFileNameLeft = 2280;
constexpr int kIconSize = 240;

enum class IconSource { GroupPicture, HitFile, Unchanged };

struct Group {
  Category category;
  const char* caption;
  bool PanelState::*captionShown;
  IconSource icon;
  GroupPicture picture;
};

// The groups in the order the panel shows them. Widgets have no group.
const std::array<Group, 7> kGroups{{
    {Category::Applications, QT_TRANSLATE_NOOP("Form1", "Applications"), &PanelState::CaptionShown_Applications,
     IconSource::GroupPicture, GroupPicture::IconsApplications},
    {Category::Audio, QT_TRANSLATE_NOOP("Form1", "Audio"), &PanelState::CaptionShown_Audio, IconSource::GroupPicture,
     GroupPicture::IconsAudio},
    {Category::Documents, QT_TRANSLATE_NOOP("Form1", "Documents"), &PanelState::CaptionShown_Documents,
     IconSource::GroupPicture, GroupPicture::IconsDocuments},
    {Category::Folders, QT_TRANSLATE_NOOP("Form1", "Folders"), &PanelState::CaptionShown_Folders, IconSource::Unchanged,
     GroupPicture::IconsApplications},
    {Category::Images, QT_TRANSLATE_NOOP("Form1", "Images"), &PanelState::CaptionShown_Images, IconSource::HitFile,
     GroupPicture::IconsImages},
    {Category::PDFs, QT_TRANSLATE_NOOP("Form1", "PDF Documents"), &PanelState::CaptionShown_PDFs,
     IconSource::GroupPicture, GroupPicture::IconsPDFs},
    {Category::Video, QT_TRANSLATE_NOOP("Form1", "Video"), &PanelState::CaptionShown_Video, IconSource::GroupPicture,
     GroupPicture::IconsAudio},
}};

// Element operations that do nothing where the array has no such index.
class Rows {
 public:
  explicit Rows(ResultsPanel& panel) : panel_(panel) {}

  bool has(RowArray array, int index) const { return panel_.hasElement(array, index); }
  void caption(RowArray array, int index, const QString& text) {
    if (has(array, index)) panel_.setCaption(array, index, text);
  }
  void toolTip(RowArray array, int index, const QString& text) {
    if (has(array, index)) panel_.setToolTip(array, index, text);
  }
  void top(RowArray array, int index, int value) {
    if (has(array, index)) panel_.setTop(array, index, value);
  }
  void left(RowArray array, int index, int value) {
    if (has(array, index)) panel_.setLeft(array, index, value);
  }
  void visible(RowArray array, int index, bool value) {
    if (has(array, index)) panel_.setVisible(array, index, value);
  }
  ResultsPanel& panel() { return panel_; }

 private:
  ResultsPanel& panel_;
};

qint32 rowsToWrite(const PanelState& state, const CategoryLists& lists) {
  const qint64 perGroup = static_cast<qint64>(state.MaxSearchResults) + 1;
  if (perGroup <= 0) return 0;
  qint64 total = 0;
  for (const Group& group : kGroups) total += std::min<qint64>(lists[group.category].size(), perGroup);
  return static_cast<qint32>(std::min<qint64>(total, INT32_MAX));
}

// Hides the rows of the previous fill past the new last row and clears the
// group captions and icons it left, so that nothing of an earlier search
// stays on view. Row 1 keeps its place and its "Top Hit" caption.
void clearEarlierFill(Rows& rows, PanelState& state, qint32 newLastRow) {
  for (qint32 r = 1; r <= state.LastFilledRow; ++r) {
    if (rows.has(RowArray::IconImg, r)) rows.panel().restoreIconPicture(r);
    if (r < 2) continue;
    rows.caption(RowArray::LeftsideLabel, r, QString());
    if (r <= newLastRow) continue;
    rows.caption(RowArray::FileName, r, QString());
    rows.toolTip(RowArray::FileName, r, QString());
    for (RowArray array : {RowArray::LeftsideLabel, RowArray::IconImg, RowArray::FileName, RowArray::MenuScroller}) {
      rows.visible(array, r, false);
    }
  }
}

void setRowIcon(Rows& rows, const Group& group, int r, const QString& path) {
  if (!rows.has(RowArray::IconImg, r)) return;
  ResultsPanel& panel = rows.panel();
  switch (group.icon) {
    case IconSource::GroupPicture:
      panel.setIconPicture(r, panel.groupPicture(group.picture));
      break;
    case IconSource::HitFile:
      // The row shows at once with the group's picture; the file's own
      // picture takes its place when it has been read.
      panel.setIconPicture(r, panel.groupPicture(group.picture));
      panel.requestHitPicture(r, path);
      panel.setIconHeight(r, kIconSize);
      panel.setIconWidth(r, kIconSize);
      break;
    case IconSource::Unchanged:
      break;
  }
}

}  // namespace

bool rowArrayHasIndex(RowArray array, int index) {
  if (index < 0) return false;
  switch (array) {
    case RowArray::LeftsideLabel:
      return index <= 123 || index == kPreferencesRow;
    case RowArray::IconImg:
      return index <= 106;
    case RowArray::FileName:
      return index <= 110 || index == kPreferencesRow;
    case RowArray::MenuScroller:
      return index <= 81 || index == kPreferencesRow;
  }
  return false;
}

bool fillShowsAHit(const PanelState& state, const CategoryLists& lists) { return rowsToWrite(state, lists) > 0; }

void FillResultsPanel(ResultsPanel& panel, PanelState& state, const CategoryLists& lists,
                      const GetFileNameFunction& getFileName) {
  Rows rows(panel);
  // Pictures still on their way belong to an earlier search.
  panel.dropHitPictures();
  const qint32 newLastRow = state.RowIndex - 1 + rowsToWrite(state, lists);
  clearEarlierFill(rows, state, newLastRow);

  for (const Group& group : kGroups) state.*group.captionShown = false;

  for (const Group& group : kGroups) {
    const QStringList& list = lists[group.category];
    const bool isApplications = group.category == Category::Applications;
    for (qint64 p = 0; p <= state.MaxSearchResults; ++p) {
      if (p >= list.size()) break;
      if (state.RowIndex == 2) state.RowTop = kFirstRowTop;
      const int r = state.RowIndex;
      const int t = state.RowTop;
      if (r != 1 && !(state.*group.captionShown)) {
        rows.caption(RowArray::LeftsideLabel, r, QCoreApplication::translate("Form1", group.caption));
        state.*group.captionShown = true;
      }
      rows.top(RowArray::LeftsideLabel, r, t);
      rows.left(RowArray::LeftsideLabel, r, kCaptionLeft);
      rows.visible(RowArray::LeftsideLabel, r, true);
      rows.top(RowArray::MenuScroller, r, t);
      rows.left(RowArray::MenuScroller, r, 0);
      rows.visible(RowArray::MenuScroller, r, true);
      rows.top(RowArray::FileName, r, t);
      rows.left(RowArray::FileName, r, kFileNameLeft);
      rows.visible(RowArray::FileName, r, true);
      rows.left(RowArray::IconImg, r, kIconLeft);
      rows.top(RowArray::IconImg, r, t);
      rows.visible(RowArray::IconImg, r, true);
      if (isApplications) panel.showLine1();

      const QString& path = list[static_cast<qsizetype>(p)];
      if (rows.has(RowArray::FileName, r)) {
        rows.caption(RowArray::FileName, r, getFileName(path));
        rows.toolTip(RowArray::FileName, r, path);
      }
      setRowIcon(rows, group, r, path);

      state.RowIndex += 1;
      state.RowTop += kRowHeight;
    }

    panel.pumpEvents();

    if (state.*group.captionShown) {
      state.RowTop += kGroupGap;
      rows.top(RowArray::FileName, kPreferencesRow, state.RowTop + state.BottomRowOffset);
      rows.left(RowArray::LeftsideLabel, kPreferencesRow, 0);
      if (isApplications) rows.top(RowArray::LeftsideLabel, kPreferencesRow, state.RowTop + state.BottomRowOffset);
    }
  }

  const int preferencesTop = state.RowTop + state.BottomRowOffset;
  rows.top(RowArray::LeftsideLabel, 1, kTopHitTop);
  rows.top(RowArray::FileName, 1, kTopHitTop);
  rows.top(RowArray::IconImg, 1, kTopHitTop);
  // A Top Hit row without a hit (nothing found, or nothing the groups
  // show) shows no picture beside its empty name.
  if (rows.has(RowArray::FileName, 1)) {
    rows.visible(RowArray::IconImg, 1, !panel.toolTip(RowArray::FileName, 1).isEmpty());
  }
  rows.top(RowArray::FileName, kPreferencesRow, preferencesTop);
  panel.hideProgress();
  panel.stopTimer1();
  panel.setWindowHeight(state.RowTop + state.WindowExtraHeight);
  rows.top(RowArray::LeftsideLabel, kPreferencesRow, preferencesTop);
  rows.left(RowArray::LeftsideLabel, kPreferencesRow, 0);
  rows.left(RowArray::FileName, kPreferencesRow, kFileNameLeft);
  rows.visible(RowArray::FileName, kPreferencesRow, true);
  for (int index : {0, 1, kPreferencesRow}) {
    if (rows.has(RowArray::FileName, index)) {
      rows.top(RowArray::MenuScroller, index, panel.top(RowArray::FileName, index));
    }
  }
  rows.top(RowArray::FileName, 0, kShowAllTop);
  rows.left(RowArray::FileName, 0, kFileNameLeft);

  state.LastFilledRow = std::max(0, state.RowIndex - 1);
  panel.fillDone();
}

}  // namespace orvanta::search
