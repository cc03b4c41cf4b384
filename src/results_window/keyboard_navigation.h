// Which row of the results panel the keyboard highlights next: Down, Up,
// Home, End, Page Down and Page Up over the rows as they lie on screen, and
// the group caption a row belongs to. Plain functions over row data, so
// they run without a window.
#pragma once

#include <QString>

#include <optional>
#include <vector>

namespace orvanta::results_window {

// One row of the panel as the keyboard sees it.
struct NavigationRow {
  int index = 0;         // the row's index in the row control arrays
  int top = 0;           // its top on screen, any unit
  bool holdsHit = false;  // only rows that hold a hit are highlighted
  QString caption;       // its caption column: a group's first row names the group
};

enum class NavigationKey { Down, Up, Home, End, PageDown, PageUp, Tab, BackTab };

// The row highlighted after `key` when row `current` is highlighted (0: no
// row, the focus is in the search box). Rows holding a hit are visited in
// screen order (by top, then index), the preferences row last of all. Down
// goes to the next row, Up to the one before, and from the first row back to
// the box (0). Home and End go to the first and last hit rows (never the
// preferences row); Page Down and Page Up to the first row of the next and
// previous group (a group starts at a row with a caption; the preferences
// row is a group of its own). Tab and Shift+Tab (BackTab) go round the
// box and the rows: Tab as Down, but from the last row back to the box;
// BackTab as Up, but from the box to the last row. Nothing fits: nullopt,
// the highlight stays.
std::optional<int> nextHighlightedRow(const std::vector<NavigationRow>& rows, int current, NavigationKey key);

// The caption of the group row `index` belongs to: its own caption, or that
// of the nearest row above it that has one. Empty for a row not in `rows`.
QString groupCaptionOf(const std::vector<NavigationRow>& rows, int index);

}  // namespace orvanta::results_window
