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
       "doc|docx|odt|ods|odp|rtf|md|csv|epub|"
       "py|js|mjs|ts|jsx|tsx|rs|c|h|cpp|hpp|cc|cxx|hh|cs|go|rb|php|pl|lua|kt|swift|scala|sql|r|"
       "sh|bash|zsh|fish|ps1|bat|cmd|cmake|mk|"
       "html|htm|css|scss|json|yaml|yml|toml|ini|cfg|conf|properties|tsv|tex|rst|org|diff|patch|"},
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

// What a load finds, what it stores, and what it leaves alone. A missing
// value reads as empty text.
TEST(SettingsTable, ALoadStoresTheDefaultWhereTheRuleCallsForIt) {
  const struct {
    const char16_t* name;
    const char* stored;  // nullptr: nothing stored
    const char* value;
    bool defaulted;
    const char* storedAfter;
  } cases[] = {
      {u"SearchSuffix", nullptr, "&ie=UTF-8", true, "&ie=UTF-8"},
      {u"SearchSuffix", "&hl=en", "&hl=en", false, "&hl=en"},
      {u"SearchSuffix", "", " ", false, " "},  // an empty write stores one blank
      {u"Extensions_PDFs", nullptr, "|pdf|", true, "|pdf|"},
      {u"Extensions_Widgets", "|w|", "|w|", false, "|w|"},
      {u"SearchPrefix", nullptr, "http://localhost:4664/search&s=code?q=", true,
       "http://localhost:4664/search&s=code?q="},
      {u"SearchPrefix", "http://localhost:4664/search&s=?q=", "http://localhost:4664/search&s=code?q=", true,
       "http://localhost:4664/search&s=code?q="},
      {u"SearchPrefix", "http://127.0.0.1:9/find?q=", "http://127.0.0.1:9/find?q=", false,
       "http://127.0.0.1:9/find?q="},
  };
  for (const auto& c : cases) {
    testing::TempRegistry temp;
    temp.regKeys().WriteRegValue(RegRoot::LocalMachine, kServiceKey, kServiceSecurityCode, QStringLiteral("code"));
    const QString name = QString::fromUtf16(c.name);
    if (c.stored) writeSetting(temp.regKeys(), name, QString::fromLatin1(c.stored));
    const LoadedText loaded = loadText(temp.regKeys(), name);
    const std::string what = name.toStdString() + " \"" + (c.stored ? c.stored : "(none)") + '"';
    EXPECT_EQ(loaded.value, QString::fromLatin1(c.value)) << what;
    EXPECT_EQ(loaded.defaulted, c.defaulted) << what;
    EXPECT_EQ(readSetting(temp.regKeys(), name), QString::fromLatin1(c.storedAfter)) << what;
  }
}

TEST(SettingsTable, ANumberLoadStoresTheDefaultAsAFirstRunDoes) {
  const struct {
    const char16_t* name;
    const char* stored;  // nullptr: nothing stored
    std::optional<qint32> computed;
    qint32 value;
    bool defaulted;
    const char* storedAfter;
  } cases[] = {
      {u"MaxSearchResults", nullptr, {}, 7, true, " 7"},    {u"MaxSearchResults", "0", {}, 7, true, " 7"},
      {u"MaxSearchResults", "letters", {}, 7, true, " 7"},  {u"MaxSearchResults", "12", {}, 12, false, "12"},
      {u"MaxSearchResults", "-3", {}, -3, false, "-3"},     {u"TopPosition", nullptr, 810, 810, true, " 810"},
      {u"TopPosition", "1500", 810, 1500, false, "1500"},   {u"LeftPosition", nullptr, 14085, 14085, true, " 14085"},
      {u"LeftPosition", "0", 14085, 14085, true, " 14085"}, {u"LeftPosition", "6000", 14085, 6000, false, "6000"},
      {u"LeftPosition", "x", std::nullopt, 0, false, "x"},  // no computed default: nothing stored
  };
  for (const auto& c : cases) {
    testing::TempRegistry temp;
    const QString name = QString::fromUtf16(c.name);
    if (c.stored) writeSetting(temp.regKeys(), name, QString::fromLatin1(c.stored));
    int asked = 0;
    const LoadedNumber loaded = loadNumber(temp.regKeys(), name, [&] {
      ++asked;
      return c.computed;
    });
    const std::string what = name.toStdString() + " \"" + (c.stored ? c.stored : "(none)") + '"';
    EXPECT_EQ(loaded.value, c.value) << what;
    EXPECT_EQ(loaded.defaulted, c.defaulted) << what;
    EXPECT_EQ(readSetting(temp.regKeys(), name), QString::fromLatin1(c.storedAfter)) << what;
    // Only a setting without a fixed default asks for a computed one, and only when it needs it.
    const bool computed = name == u"LeftPosition" || name == u"TopPosition";
    EXPECT_EQ(asked, computed && (c.defaulted || !c.computed) ? 1 : 0) << what;
  }
}

TEST(SettingsTable, PreferencesThatAreSwitchedOnOrOff) {
  testing::TempRegistry temp;
  for (const char16_t* name : {u"ShowHitsWhileTyping", u"KeepButtonOnScreen"}) {
    const QString setting = QString::fromUtf16(name);
    SCOPED_TRACE(setting.toStdString());
    ASSERT_NE(findSetting(setting), nullptr);
    EXPECT_EQ(fixedDefault(setting), QStringLiteral("0"));
    // Off until chosen; 0 is a value of its own, so a stored " 0" is kept
    // and never written again.
    const struct {
      const char* stored;
      bool needsDefault;
      bool on;
    } cases[] = {
        {"", true, false},  {" 0", false, false}, {"0", false, false}, {" 1", false, true},
        {"2", false, true}, {"yes", true, false}, {"-1", false, true},
    };
    for (const auto& c : cases) {
      writeSetting(temp.regKeys(), setting, QString::fromLatin1(c.stored));
      EXPECT_EQ(needsDefault(*findSetting(setting), QString::fromLatin1(c.stored)), c.needsDefault) << c.stored;
      EXPECT_EQ(readSwitch(temp.regKeys(), setting), c.on) << c.stored;
    }
    writeSetting(temp.regKeys(), setting, QString());
    const LoadedNumber first = loadNumber(temp.regKeys(), setting);
    EXPECT_TRUE(first.defaulted);
    EXPECT_EQ(first.value, 0);
    EXPECT_EQ(readSetting(temp.regKeys(), setting), QStringLiteral(" 0"));
    EXPECT_FALSE(loadNumber(temp.regKeys(), setting).defaulted);
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
