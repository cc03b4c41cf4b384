// The table of settings: names in load order, defaults, and when a stored
// text calls for its default.
#include "settings/settings_table.h"

#include "temp_registry.h"

#include <gtest/gtest.h>

namespace orvanta::settings {
namespace {

// The long-standing lists stand first, letter for letter, and today's
// common types follow in the same "|a|b|" form.
TEST(SettingsTable, TheExtensionListsAFirstRunStores) {
  const struct {
    const char16_t* name;
    const char* longStanding;
    const char* today;
  } cases[] = {
      {u"Extensions_Audio", "|m4a|m4b|m4p|mid|midi|mp2|mp3|pls|rmi|sd2|snd|wav|wave|wma|ogg|m3u|",
       "flac|opus|aac|oga|"},
      {u"Extensions_Documents",
       "|bdb|bks|htt|http|java|log|nfo|scp|swf|text|txt|wdb|wks|wps|wpt|wtx|xlr|xml|xls|ppt|mpp|sxw|sxc|msg|",
       "doc|docx|odt|ods|odp|rtf|md|csv|epub|"},
      {u"Extensions_Images",
       "|bmp|cur|dib|emf|gif|ico|ifif|jpe|jpeg|jpg|pct|pic|pict|png|psd|qti|qtif|rmi|tga|tif|tiff|wmf|xbm|",
       "webp|svg|heic|avif|"},
      {u"Extensions_Video",
       "|asf|asx|avi|rm|divx|dv|dur-ms|ivf|m1v|mov|wvx|mp2v|mp4|mpa|mpe|mpeg|mpg|mpg4|mpv2|mswmm|qt|tp|ts|wm|wmp|wmv|"
       "wmx|",
       "mkv|webm|m4v|"},
      {u"Extensions_PDFs", "|pdf|", ""},
      {u"Extensions_Widgets", "|widget|", ""},
  };
  for (const auto& c : cases) {
    const QString name = QString::fromUtf16(c.name);
    EXPECT_EQ(fixedDefault(name), QString::fromLatin1(c.longStanding) + QString::fromLatin1(c.today)) << name.toStdString();
  }
}

TEST(SettingsTable, WhenTheDefaultApplies) {
  const Setting& text = *findSetting(u"SearchSuffix");
  const Setting& number = *findSetting(u"MaxSearchResults");
  const struct {
    const Setting& setting;
    const char* stored;
    bool needsDefault;
  } cases[] = {
      {text, "", true},      {text, " ", false},    {text, "x", false},
      {number, "", true},    {number, "0", true},   {number, "letters", true}, {number, " 7", false},
      {number, "12", false}, {number, "0.4", true}, {number, "-3", false},     {number, "00", true},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(needsDefault(c.setting, QString::fromLatin1(c.stored)), c.needsDefault)
        << c.setting.name << " \"" << c.stored << '"';
  }
}

TEST(SettingsTable, DefaultSearchPrefixCarriesTheServiceCode) {
  testing::TempRegistry temp;
  EXPECT_EQ(defaultSearchPrefix(temp.regKeys()), QStringLiteral("http://localhost:4664/search&s=?q="));
  temp.regKeys().WriteRegValue(RegRoot::LocalMachine, kServiceKey, kServiceSecurityCode,
                               QStringLiteral("abcdefghijklmnopqrstuvwxyz0"));
  EXPECT_EQ(defaultSearchPrefix(temp.regKeys()),
            QStringLiteral("http://localhost:4664/search&s=abcdefghijklmnopqrstuvwxyz0?q="));
  ASSERT_TRUE(writeSetting(temp.regKeys(), u"MaxSearchResults", QStringLiteral(" 7")));
  EXPECT_EQ(readSetting(temp.regKeys(), u"MaxSearchResults"), QStringLiteral(" 7"));
}

TEST(SettingsTable, SearchPrefixNeedsItsDefaultWhenEmptyOrMadeWithoutACode) {
  const struct {
    const char* stored;
    bool needsDefault;
  } cases[] = {
      {"", true},
      {"http://localhost:4664/search&s=?q=", true},
      {"http://localhost:4664/search&s=abcdefghijklmnopqrstuvwxyz0?q=", false},
      {" ", false},
      {"http://localhost:4664/search&s=?q=&hl=en", false},
      {"HTTP://localhost:4664/search&s=?q=", false},
      {"http://127.0.0.1:4664/search&s=?q=", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(searchPrefixNeedsDefault(QString::fromLatin1(c.stored)), c.needsDefault) << '"' << c.stored << '"';
  }
  EXPECT_EQ(searchPrefixWithCode(QStringLiteral("xyz")), QStringLiteral("http://localhost:4664/search&s=xyz?q="));
}

}  // namespace
}  // namespace orvanta::settings
