// The keyboard's next row over plain row data: screen order, the way back
// to the search box, the preferences row last, the first and last hit rows,
// whole groups at a time, and the group caption of a row.
#include "results_window/keyboard_navigation.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

namespace orvanta::results_window {
namespace {

using Key = NavigationKey;

// A Top Hit, an Applications group of two, a Documents group of three and
// the preferences row, given out of screen order (row 7 lies above row 4)
// and with a row on view that holds no hit.
const std::vector<NavigationRow> kRows{
    {.index = 999, .top = 3000, .holdsHit = true, .caption = {}},
    {.index = 5, .top = 2360, .holdsHit = true, .caption = {}},
    {.index = 4, .top = 2660, .holdsHit = true, .caption = {}},
    {.index = 7, .top = 2060, .holdsHit = true, .caption = QStringLiteral("Documents")},
    {.index = 3, .top = 1660, .holdsHit = true, .caption = {}},
    {.index = 2, .top = 1360, .holdsHit = true, .caption = QStringLiteral("Applications")},
    {.index = 1, .top = 960, .holdsHit = true, .caption = QStringLiteral("Top Hit")},
    {.index = 0, .top = 525, .holdsHit = false, .caption = {}},
    {.index = 6, .top = 2960, .holdsHit = false, .caption = QStringLiteral("Video")},
};

TEST(KeyboardNavigationTest, NextRowForEachKey) {
  const struct {
    Key key;
    int before;
    std::optional<int> after;
  } cases[] = {
      // Screen order: 1, 2, 3, 7, 5, 4, then the preferences row.
      {Key::Down, 0, 1},
      {Key::Down, 1, 2},
      {Key::Down, 3, 7},
      {Key::Down, 7, 5},
      {Key::Down, 5, 4},
      {Key::Down, 4, 999},
      {Key::Down, 999, std::nullopt},
      // A highlight on a row that holds no hit counts as none.
      {Key::Down, 6, 1},
      {Key::Up, 999, 4},
      {Key::Up, 7, 3},
      {Key::Up, 1, 0},
      {Key::Up, 0, std::nullopt},
      {Key::Home, 0, 1},
      {Key::Home, 999, 1},
      {Key::End, 0, 4},
      {Key::End, 2, 4},
      {Key::End, 999, 4},
      {Key::PageDown, 0, 1},
      {Key::PageDown, 1, 2},
      {Key::PageDown, 3, 7},
      {Key::PageDown, 5, 999},
      {Key::PageDown, 999, std::nullopt},
      {Key::PageUp, 4, 2},
      {Key::PageUp, 7, 2},
      {Key::PageUp, 3, 1},
      {Key::PageUp, 2, 1},
      {Key::PageUp, 999, 7},
      {Key::PageUp, 1, std::nullopt},
      {Key::PageUp, 0, std::nullopt},
      // Tab and Shift+Tab go round: the box, the rows, the box again.
      {Key::Tab, 0, 1},
      {Key::Tab, 3, 7},
      {Key::Tab, 4, 999},
      {Key::Tab, 999, 0},
      {Key::Tab, 6, 1},
      {Key::BackTab, 0, 999},
      {Key::BackTab, 999, 4},
      {Key::BackTab, 7, 3},
      {Key::BackTab, 1, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "key " << static_cast<int>(c.key) << " from row " << c.before);
    EXPECT_EQ(nextHighlightedRow(kRows, c.before, c.key), c.after);
  }
}

TEST(KeyboardNavigationTest, WithoutHitsOnlyThePreferencesRowIsReached) {
  const std::vector<NavigationRow> rows{{.index = 999, .top = 900, .holdsHit = true, .caption = {}},
                                        {.index = 1, .top = 960, .holdsHit = false, .caption = {}}};
  EXPECT_EQ(nextHighlightedRow(rows, 0, Key::Down), 999);
  EXPECT_EQ(nextHighlightedRow(rows, 999, Key::Up), 0);
  EXPECT_EQ(nextHighlightedRow(rows, 0, Key::Home), std::nullopt);
  EXPECT_EQ(nextHighlightedRow(rows, 0, Key::End), std::nullopt);
  EXPECT_EQ(nextHighlightedRow({}, 0, Key::Down), std::nullopt);
  EXPECT_EQ(nextHighlightedRow(rows, 0, Key::BackTab), 999);
  EXPECT_EQ(nextHighlightedRow(rows, 999, Key::Tab), 0);
  EXPECT_EQ(nextHighlightedRow({}, 0, Key::Tab), std::nullopt);
  EXPECT_EQ(nextHighlightedRow({}, 0, Key::BackTab), std::nullopt);
}

TEST(KeyboardNavigationTest, GroupCaptionOfARow) {
  const struct {
    int index;
    QString caption;
  } cases[] = {
      {1, QStringLiteral("Top Hit")},  {2, QStringLiteral("Applications")}, {3, QStringLiteral("Applications")},
      {7, QStringLiteral("Documents")}, {4, QStringLiteral("Documents")},    {42, QString()},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(groupCaptionOf(kRows, c.index), c.caption) << c.index;
  }
}

}  // namespace
}  // namespace orvanta::results_window
