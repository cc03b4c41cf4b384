// ReadRegValue and WriteRegValue over a registry file: what each kind of
// stored value reads back as.
#include "temp_registry.h"

#include <gtest/gtest.h>

namespace orvanta::settings {
namespace {

using testing::TempRegistry;

const QString kKey = QStringLiteral("Software\\Orvanta");

TEST(RegKeys, ReadsEachKindOfValue) {
  TempRegistry temp;
  temp.writeFile(
      "Windows Registry Editor Version 5.00\n\n"
      "[HKEY_LOCAL_MACHINE\\Software\\Orvanta]\n"
      "\"Text\"=\"plain text\"\n"
      "\"Blank\"=\" \"\n"
      "\"Expand\"=hex(2):25,00,54,00,45,00,4d,00,50,00,25,00,5c,00,78,00,00,00\n"
      "\"Dword\"=dword:0000001e\n"
      "\"NegativeDword\"=dword:ffffffff\n"
      "\"Multi\"=hex(7):61,00,00,00,62,00,00,00,00,00\n"
      "\"Binary\"=hex:01,02,03\n"
      "\"TextWithZero\"=hex(1):61,00,62,00,00,00,63,00\n"
      "\"Unicode\"=\"Gr\xc3\xbc\xc3\x9f" "e\"\n"
      "\n[HKEY_CLASSES_ROOT\\.pdf]\n@=\"AcroExch.Document\"\n");
  const struct {
    const char* name;
    QString expected;
  } cases[] = {
      {"Text", QStringLiteral("plain text")},
      {"text", QStringLiteral("plain text")},  // names ignore letter case
      {"Blank", QStringLiteral(" ")},
      {"Expand", QStringLiteral("%TEMP%\\x")},  // never expanded
      {"Dword", QStringLiteral("30")},
      {"NegativeDword", QStringLiteral("-1")},
      {"Multi", QString()},
      {"Binary", QString()},
      {"TextWithZero", QStringLiteral("ab")},  // cut at the first zero
      {"Unicode", QStringLiteral("Gr\u00fc\u00dfe")},
      {"Missing", QString()},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(temp.regKeys().ReadRegValue(RegRoot::LocalMachine, kKey, QString::fromLatin1(c.name)), c.expected)
        << c.name;
  }
  EXPECT_EQ(temp.regKeys().ReadRegValue(RegRoot::LocalMachine, QStringLiteral("Software\\Missing"),
                                        QStringLiteral("Text")),
            QString());
  EXPECT_EQ(temp.regKeys().ReadRegValue(RegRoot::ClassesRoot, QStringLiteral(".pdf"), QString()),
            QStringLiteral("AcroExch.Document"));
  EXPECT_EQ(temp.regKeys().ReadRegValue(RegRoot::ClassesRoot, QStringLiteral(".txt"), QString()), QString());
}

TEST(RegKeys, ValuesOfTheBufferSizeOrMoreReadAsEmpty) {
  TempRegistry temp;
  const struct {
    int bytes;
    bool readable;
  } cases[] = {{1, true}, {1023, true}, {1024, false}, {1025, false}, {5000, false}};
  for (const auto& c : cases) {
    const QString value(c.bytes, u'v');
    ASSERT_TRUE(temp.regKeys().WriteRegValue(RegRoot::LocalMachine, kKey, QStringLiteral("Long"), value));
    EXPECT_EQ(temp.regKeys().ReadRegValue(RegRoot::LocalMachine, kKey, QStringLiteral("Long")),
              c.readable ? value : QString())
        << c.bytes << " bytes";
  }
  // The limit counts bytes of the stored encoding, not characters: 512
  // two-byte characters are 1024 bytes.
  const QString wide(512, QChar(0x00e9));
  ASSERT_TRUE(temp.regKeys().WriteRegValue(RegRoot::LocalMachine, kKey, QStringLiteral("Wide"), wide));
  EXPECT_EQ(temp.regKeys().ReadRegValue(RegRoot::LocalMachine, kKey, QStringLiteral("Wide")), QString());
  ASSERT_TRUE(temp.regKeys().WriteRegValue(RegRoot::LocalMachine, kKey, QStringLiteral("Wide"), wide.left(511)));
  EXPECT_EQ(temp.regKeys().ReadRegValue(RegRoot::LocalMachine, kKey, QStringLiteral("Wide")), wide.left(511));
}

TEST(RegKeys, WritesStoreTextAndCreateTheKey) {
  TempRegistry temp;
  const struct {
    QString written;
    QString readBack;
  } cases[] = {
      {QString(), QStringLiteral(" ")},  // an empty text is never stored
      {QStringLiteral(" 7"), QStringLiteral(" 7")},
      {QStringLiteral("http://localhost:4664/search&s=abc?q="), QStringLiteral("http://localhost:4664/search&s=abc?q=")},
      {QStringLiteral("quote \" and \\ backslash"), QStringLiteral("quote \" and \\ backslash")},
      {QStringLiteral("two\nlines"), QStringLiteral("two\nlines")},
      {QStringLiteral("\u00e9\u6771"), QStringLiteral("\u00e9\u6771")},
  };
  for (const auto& c : cases) {
    ASSERT_TRUE(temp.regKeys().WriteRegValue(RegRoot::LocalMachine, kKey, QStringLiteral("Value"), c.written));
    EXPECT_EQ(temp.regKeys().ReadRegValue(RegRoot::LocalMachine, kKey, QStringLiteral("Value")), c.readBack);
  }
  // Stored as REG_SZ, readable in the file.
  EXPECT_TRUE(temp.readFile().contains("\"Value\"=\"\xc3\xa9\xe6\x9d\xb1\"\n"));
}

TEST(RegKeys, ReadOnlyAccountReadsButCannotWrite) {
  TempRegistry temp;
  ASSERT_TRUE(temp.regKeys().WriteRegValue(RegRoot::LocalMachine, kKey, QStringLiteral("SearchSuffix"),
                                           QStringLiteral("&ie=UTF-8")));
  ASSERT_TRUE(QFile::setPermissions(temp.filePath(), QFile::ReadOwner));
  EXPECT_EQ(temp.regKeys().ReadRegValue(RegRoot::LocalMachine, kKey, QStringLiteral("SearchSuffix")),
            QStringLiteral("&ie=UTF-8"));
  EXPECT_FALSE(temp.regKeys().WriteRegValue(RegRoot::LocalMachine, kKey, QStringLiteral("SearchSuffix"),
                                            QStringLiteral("x")));
  QFile::setPermissions(temp.filePath(), QFile::ReadOwner | QFile::WriteOwner);
}

}  // namespace
}  // namespace orvanta::settings
