// The last searches kept in the registry: newest first, a repeat moved to
// the front, twenty at most, only the words, and only changed values
// written.
#include "settings/search_history.h"

#include "temp_registry.h"
#include "settings/settings_table.h"

#include <gtest/gtest.h>

namespace orvanta::settings {
namespace {

QString stored(testing::TempRegistry& temp, int position) {
  return temp.regKeys().ReadRegValue(RegRoot::LocalMachine, kHistoryKey, QStringLiteral("Search%1").arg(position));
}

TEST(SearchHistory, NewestFirstARepeatMovesToTheFrontAndBlankWordsAreNotKept) {
  testing::TempRegistry temp;
  EXPECT_TRUE(readSearchHistory(temp.regKeys()).isEmpty());
  for (const char* words : {"report", "holiday photos", "  tax 2024 ", "", "   ", "holiday photos"}) {
    rememberSearch(temp.regKeys(), QString::fromUtf8(words));
  }
  const QStringList expected{QStringLiteral("holiday photos"), QStringLiteral("tax 2024"), QStringLiteral("report")};
  EXPECT_EQ(readSearchHistory(temp.regKeys()), expected);
  // Under the subkey History, as Search1 onwards; nothing else is stored
  // there and nothing under the settings key itself.
  EXPECT_EQ(stored(temp, 1), QStringLiteral("holiday photos"));
  EXPECT_EQ(stored(temp, 2), QStringLiteral("tax 2024"));
  EXPECT_EQ(stored(temp, 3), QStringLiteral("report"));
  EXPECT_EQ(stored(temp, 4), QString());
  EXPECT_EQ(readSetting(temp.regKeys(), u"Search1"), QString());
  const QByteArray file = temp.readFile();
  EXPECT_TRUE(file.contains("[HKEY_LOCAL_MACHINE\\Software\\Orvanta\\History]")) << file.constData();
  EXPECT_EQ(file.count("\"Search"), 3) << file.constData();
}

TEST(SearchHistory, KeepsTheLastTwentyAndWritesOnlyWhatChanged) {
  testing::TempRegistry temp;
  for (int i = 1; i <= 25; ++i) rememberSearch(temp.regKeys(), QStringLiteral("words %1").arg(i));
  const QStringList history = readSearchHistory(temp.regKeys());
  ASSERT_EQ(history.size(), 20);
  EXPECT_EQ(history.first(), QStringLiteral("words 25"));
  EXPECT_EQ(history.last(), QStringLiteral("words 6"));
  EXPECT_EQ(stored(temp, 21), QString());

  // The newest searched again changes nothing: no value is written, so the
  // file is not even replaced.
  const QByteArray before = temp.readFile();
  const QString path = temp.filePath();
  int replaced = 0;
  temp.registry().setBeforeReplaceHook([&replaced] {
    ++replaced;
    return true;
  });
  rememberSearch(temp.regKeys(), QStringLiteral("words 25"));
  EXPECT_EQ(replaced, 0);
  EXPECT_EQ(temp.readFile(), before);
  // An older one moves to the front: only the places up to its old one
  // change.
  rememberSearch(temp.regKeys(), QStringLiteral("words 22"));
  EXPECT_EQ(replaced, 4);
  EXPECT_EQ(readSearchHistory(temp.regKeys()).mid(0, 5),
            (QStringList{QStringLiteral("words 22"), QStringLiteral("words 25"), QStringLiteral("words 24"),
                         QStringLiteral("words 23"), QStringLiteral("words 21")}));
}

TEST(SearchHistory, WordsTooLongToReadBackAreNotKept) {
  testing::TempRegistry temp;
  rememberSearch(temp.regKeys(), QStringLiteral("short"));
  rememberSearch(temp.regKeys(), QString(1100, u'x'));
  EXPECT_EQ(readSearchHistory(temp.regKeys()), QStringList{QStringLiteral("short")});
}

}  // namespace
}  // namespace orvanta::settings
