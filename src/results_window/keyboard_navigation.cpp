// The keyboard's next row over the panel's row data.
#include "keyboard_navigation.h"

#include "search/results_panel.h"

#include <algorithm>
#include <cstddef>
#include <iterator>

namespace orvanta::results_window {
namespace {

// The rows in screen order; with `hitsOnly` only those that hold a hit.
std::vector<NavigationRow> inScreenOrder(const std::vector<NavigationRow>& rows, bool hitsOnly) {
  std::vector<NavigationRow> ordered;
  for (const NavigationRow& row : rows) {
    if (!hitsOnly || row.holdsHit) ordered.push_back(row);
  }
  std::stable_sort(ordered.begin(), ordered.end(), [](const NavigationRow& a, const NavigationRow& b) {
    const bool aLast = a.index == search::kPreferencesRow;
    const bool bLast = b.index == search::kPreferencesRow;
    if (aLast != bLast) return bLast;
    if (a.top != b.top) return a.top < b.top;
    return a.index < b.index;
  });
  return ordered;
}

bool startsGroup(const NavigationRow& row) {
  return row.index == search::kPreferencesRow || !row.caption.isEmpty();
}

}  // namespace

std::optional<int> nextHighlightedRow(const std::vector<NavigationRow>& rows, int current, NavigationKey key) {
  const std::vector<NavigationRow> ordered = inScreenOrder(rows, true);
  if (ordered.empty()) return std::nullopt;
  const auto at = std::find_if(ordered.begin(), ordered.end(), [current](const NavigationRow& row) {
    return row.index == current;
  });
  const bool onRow = at != ordered.end();
  const auto position = std::distance(ordered.begin(), at);
  const auto last = static_cast<std::ptrdiff_t>(ordered.size()) - 1;

  // The hit rows alone, without the preferences row.
  std::vector<NavigationRow> hits;
  std::copy_if(ordered.begin(), ordered.end(), std::back_inserter(hits),
               [](const NavigationRow& row) { return row.index != search::kPreferencesRow; });

  switch (key) {
    case NavigationKey::Down:
      if (!onRow) return ordered.front().index;
      if (position == last) return std::nullopt;
      return ordered[static_cast<size_t>(position + 1)].index;
    case NavigationKey::Up:
      if (!onRow) return std::nullopt;
      if (position == 0) return 0;
      return ordered[static_cast<size_t>(position - 1)].index;
    case NavigationKey::Tab:
      if (!onRow) return ordered.front().index;
      if (position == last) return 0;
      return ordered[static_cast<size_t>(position + 1)].index;
    case NavigationKey::BackTab:
      if (!onRow) return ordered.back().index;
      if (position == 0) return 0;
      return ordered[static_cast<size_t>(position - 1)].index;
    case NavigationKey::Home:
      if (hits.empty()) return std::nullopt;
      return hits.front().index;
    case NavigationKey::End:
      if (hits.empty()) return std::nullopt;
      return hits.back().index;
    case NavigationKey::PageDown: {
      if (!onRow) return ordered.front().index;
      for (auto i = position + 1; i <= last; ++i) {
        if (startsGroup(ordered[static_cast<size_t>(i)])) return ordered[static_cast<size_t>(i)].index;
      }
      return std::nullopt;
    }
    case NavigationKey::PageUp: {
      if (!onRow) return std::nullopt;
      // Back to the start of this row's group, then to the start of the
      // group before it.
      auto start = position;
      while (start > 0 && !startsGroup(ordered[static_cast<size_t>(start)])) --start;
      if (start == 0) return position == 0 ? std::nullopt : std::optional<int>(ordered.front().index);
      auto previous = start - 1;
      while (previous > 0 && !startsGroup(ordered[static_cast<size_t>(previous)])) --previous;
      return ordered[static_cast<size_t>(previous)].index;
    }
  }
  return std::nullopt;
}

QString groupCaptionOf(const std::vector<NavigationRow>& rows, int index) {
  const std::vector<NavigationRow> ordered = inScreenOrder(rows, false);
  QString caption;
  for (const NavigationRow& row : ordered) {
    if (!row.caption.isEmpty()) caption = row.caption;
    if (row.index == index) return caption;
  }
  return QString();
}

}  // namespace orvanta::results_window
