// The hits of one search sorted into their categories, and the Top Hit
// label that the classification fills. The results window shows them; they
// are plain data so the search and its tests need no display.
#pragma once

#include <QString>
#include <QStringList>

#include <array>
#include <cstddef>

namespace orvanta::search {

// The categories in the order a hit is tested against them.
enum class Category : std::size_t { Applications, Audio, Documents, Folders, Images, PDFs, Video, Widgets };
inline constexpr std::size_t kCategoryCount = 8;

// One list of full hit paths per category, in page order, duplicates kept.
struct CategoryLists {
  std::array<QStringList, kCategoryCount> lists;

  QStringList& operator[](Category category) { return lists[static_cast<std::size_t>(category)]; }
  const QStringList& operator[](Category category) const { return lists[static_cast<std::size_t>(category)]; }
  void clear() {
    for (QStringList& list : lists) list.clear();
  }
};

// What the Top Hit row's file-name label shows: the file name as caption,
// the full path as tool tip.
struct TopHitLabel {
  QString caption;
  QString toolTip;
};

}  // namespace orvanta::search
