// The registry file's text format: every value type and escape survives a
// round trip, hand-written files read as a person means them, the registry
// editor's exports read in each of their encodings, a save keeps every line
// it does not change, and damaged files are refused with the line at fault.
#include "platform/registry_file_format.h"

#include <gtest/gtest.h>

namespace orvanta::platform {
namespace {

QByteArray utf16(const QString& text) {
  QByteArray out;
  for (QChar c : text) {
    out.append(static_cast<char>(c.unicode() & 0xff));
    out.append(static_cast<char>(c.unicode() >> 8));
  }
  return out;
}

TEST(RegistryFileFormat, EveryTypeAndEscapeSurvivesARoundTrip) {
  RegFileData data;
  RegFileKey& key = data.ensureKey(RegRoot::LocalMachine, QStringLiteral("Software\\Orvanta"));
  const std::vector<RegFileValue> values = {
      {QString(), RegSz, utf16(QStringLiteral("default value"))},
      {QStringLiteral("Quote\"And\\Slash"), RegSz, utf16(QStringLiteral("C:\\Path \"x\" \\\\server"))},
      {QStringLiteral("Unicode"), RegSz, utf16(QStringLiteral("Gr\u00fc\u00dfe \u6771\u4eac"))},
      {QStringLiteral("Empty"), RegSz, QByteArray()},
      {QStringLiteral("Lines"), RegSz, utf16(QStringLiteral("one\ntwo"))},
      {QStringLiteral("EndsInSlash"), RegSz, utf16(QStringLiteral("C:\\"))},
      {QStringLiteral("Number"), RegDword, QByteArray("\x1e\x00\x00\x00", 4)},
      {QStringLiteral("Negative"), RegDword, QByteArray("\xff\xff\xff\xff", 4)},
      {QStringLiteral("Expand"), RegExpandSz, utf16(QStringLiteral("%TEMP%\\x")) + QByteArray(2, '\0')},
      {QStringLiteral("Multi"), RegMultiSz, utf16(QStringLiteral("a")) + QByteArray(2, '\0') + utf16(QStringLiteral("b")) +
                                                QByteArray(4, '\0')},
      {QStringLiteral("Binary"), RegBinary, QByteArray::fromHex("00ff10203040506070808090a0b0c0d0e0f0")},
      {QStringLiteral("Long"), RegBinary, QByteArray(300, '\x5a')},
      {QStringLiteral("Qword"), RegQword, QByteArray("\x01\x02\x03\x04\x05\x06\x07\x08", 8)},
  };
  for (const RegFileValue& value : values) RegFileData::setValue(key, value);
  data.ensureKey(RegRoot::ClassesRoot, QStringLiteral(".pdf"));

  const QByteArray text = serializeRegFile(data);
  EXPECT_TRUE(text.startsWith("Windows Registry Editor Version 5.00\n"));
  EXPECT_TRUE(text.contains("\"Number\"=dword:0000001e\n"));
  EXPECT_TRUE(text.contains("\"Quote\\\"And\\\\Slash\"=\"C:\\\\Path \\\"x\\\" \\\\\\\\server\"\n"));

  QString error;
  const auto parsed = parseRegFile(text, &error);
  ASSERT_TRUE(parsed) << error.toStdString();
  const RegFileKey* back = parsed->findKey(RegRoot::LocalMachine, QStringLiteral("software\\ORVANTA"));
  ASSERT_NE(back, nullptr);
  ASSERT_EQ(back->values.size(), values.size());
  for (const RegFileValue& value : values) {
    const RegFileValue* found = RegFileData::findValue(*back, value.name);
    ASSERT_NE(found, nullptr) << value.name.toStdString();
    EXPECT_EQ(found->type, value.type) << value.name.toStdString();
    EXPECT_EQ(found->data, value.data) << value.name.toStdString();
  }
  EXPECT_NE(parsed->findKey(RegRoot::ClassesRoot, QStringLiteral(".PDF")), nullptr);
}

TEST(RegistryFileFormat, ReadsHandWrittenFiles) {
  const QByteArray text =
      "\xef\xbb\xbfWindows Registry Editor Version 5.00\r\n"
      "\r\n"
      "; a comment\r\n"
      "[HKEY_CLASSES_ROOT\\.pdf]\r\n"
      "@=\"application/pdf\"\r\n"
      "[HKEY_LOCAL_MACHINE\\Software\\Orvanta]\n"
      "\"Path\"=\"C:\\Windows\"\n"
      "\"Bin\"=hex:01,02,\\\n"
      "  03,04\n"
      "\"Gone\"=\"x\"\n"
      "\"Gone\"=-\n"
      "[HKEY_LOCAL_MACHINE\\Software\\Old]\n"
      "\"v\"=\"1\"\n"
      "[-HKEY_LOCAL_MACHINE\\Software\\Old]\n";
  QString error;
  const auto data = parseRegFile(text, &error);
  ASSERT_TRUE(data) << error.toStdString();
  const RegFileKey* pdf = data->findKey(RegRoot::ClassesRoot, QStringLiteral(".pdf"));
  ASSERT_NE(pdf, nullptr);
  EXPECT_EQ(RegFileData::findValue(*pdf, QString())->data, utf16(QStringLiteral("application/pdf")));
  const RegFileKey* orvanta = data->findKey(RegRoot::LocalMachine, QStringLiteral("Software\\Orvanta"));
  ASSERT_NE(orvanta, nullptr);
  // A single backslash before an ordinary character stands for itself.
  EXPECT_EQ(RegFileData::findValue(*orvanta, QStringLiteral("Path"))->data, utf16(QStringLiteral("C:\\Windows")));
  EXPECT_EQ(RegFileData::findValue(*orvanta, QStringLiteral("Bin"))->data, QByteArray("\x01\x02\x03\x04", 4));
  EXPECT_EQ(RegFileData::findValue(*orvanta, QStringLiteral("Gone")), nullptr);
  EXPECT_FALSE(data->keyExists(RegRoot::LocalMachine, QStringLiteral("Software\\Old")));
  // A parent of a stored key exists as well.
  EXPECT_TRUE(data->keyExists(RegRoot::LocalMachine, QStringLiteral("Software")));
  EXPECT_FALSE(data->keyExists(RegRoot::LocalMachine, QStringLiteral("Soft")));
}

TEST(RegistryFileFormat, EmptyTextIsAnEmptyRegistry) {
  QString error;
  const auto data = parseRegFile(QByteArray(), &error);
  ASSERT_TRUE(data);
  EXPECT_TRUE(data->keys().empty());
}

TEST(RegistryFileFormat, DamagedFilesAreRefusedWithTheirLine) {
  const struct {
    const char* text;
    int line;
  } cases[] = {
      {"REGEDIT5\n", 1},
      {"Windows Registry Editor Version 5.00\n\"a\"=\"b\"\n", 2},
      {"Windows Registry Editor Version 5.00\n[HKEY_NOWHERE\\x]\n", 2},
      {"Windows Registry Editor Version 5.00\n[HKEY_LOCAL_MACHINE\\x\n", 2},
      {"Windows Registry Editor Version 5.00\n[HKEY_LOCAL_MACHINE\\x]\n\"a\"=\"unterminated\n", 3},
      {"Windows Registry Editor Version 5.00\n[HKEY_LOCAL_MACHINE\\x]\n\"a\"=dword:123456789\n", 3},
      {"Windows Registry Editor Version 5.00\n[HKEY_LOCAL_MACHINE\\x]\n\"a\"=hex:zz\n", 3},
      {"Windows Registry Editor Version 5.00\n[HKEY_LOCAL_MACHINE\\x]\n\"a\"=\"b\" trailing\n", 3},
      {"Windows Registry Editor Version 5.00\n[HKEY_LOCAL_MACHINE\\x]\nplain=1\n", 3},
  };
  for (const auto& c : cases) {
    QString error;
    EXPECT_FALSE(parseRegFile(QByteArray(c.text), &error)) << c.text;
    EXPECT_TRUE(error.startsWith(QStringLiteral("line %1:").arg(c.line))) << c.text << " -> " << error.toStdString();
  }
}

QByteArray utf16Be(const QString& text) {
  QByteArray out;
  for (QChar c : text) {
    out.append(static_cast<char>(c.unicode() >> 8));
    out.append(static_cast<char>(c.unicode() & 0xff));
  }
  return out;
}

QString valueText(const RegFileData& data, const QString& name) {
  const RegFileKey* key = data.findKey(RegRoot::LocalMachine, QStringLiteral("Software\\Orvanta"));
  const RegFileValue* value = key ? RegFileData::findValue(*key, name) : nullptr;
  if (!value) return QStringLiteral("<missing>");
  QString text;
  for (qsizetype i = 0; i + 1 < value->data.size(); i += 2) {
    text.append(QChar(static_cast<char16_t>(static_cast<unsigned char>(value->data[i]) |
                                            (static_cast<unsigned char>(value->data[i + 1]) << 8))));
  }
  return text;
}

// The registry editor writes its exports as UTF-16LE with a byte-order mark
// and CRLF line ends; older ones as "REGEDIT4" in the 8-bit code page, with
// the hex data of string values in 8 bits too. Each reads alike, writes back
// unchanged as it came, and a value added later is written in the file's own
// encoding.
TEST(RegistryFileFormat, ReadsAndKeepsTheRegistryEditorsExportsInEveryEncoding) {
  const QString body = QStringLiteral(
      "\r\n[HKEY_LOCAL_MACHINE\\Software\\Orvanta]\r\n"
      "\"Greeting\"=\"Gr\u00fc\u00dfe \u20ac\"\r\n");
  const QString version5 = QStringLiteral("Windows Registry Editor Version 5.00\r\n") + body +
                           QStringLiteral("\"Path\"=hex(2):43,00,3a,00,5c,00,e9,00,00,00\r\n");
  const QString added = QStringLiteral("\"Added\"=\"\u00dcn\u00ef\"\r\n");
  const struct {
    const char* form;
    QByteArray file;
    RegFileEncoding encoding;
    bool regedit4;
    QByteArray addedLine;
  } cases[] = {
      {"UTF-16LE with its mark", QByteArray("\xff\xfe") + utf16(version5), RegFileEncoding::Utf16Le, false,
       utf16(added)},
      {"UTF-16BE with its mark", QByteArray("\xfe\xff") + utf16Be(version5), RegFileEncoding::Utf16Be, false,
       utf16Be(added)},
      {"UTF-16LE without a mark", utf16(version5), RegFileEncoding::Utf16Le, false, utf16(added)},
      {"UTF-8 with its mark", QByteArray("\xef\xbb\xbf") + version5.toUtf8(), RegFileEncoding::Utf8, false,
       added.toUtf8()},
      {"REGEDIT4 in Windows-1252",
       QByteArray("REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\Orvanta]\r\n"
                  "\"Greeting\"=\"Gr\xfc\xdf" "e \x80\"\r\n\"Path\"=hex(2):43,3a,5c,e9,00\r\n"),
       RegFileEncoding::Utf8, true, QByteArray("\"Added\"=\"\xdcn\xef\"\r\n")},
      {"REGEDIT4 in UTF-8",
       QStringLiteral("REGEDIT4\r\n").toUtf8() + body.toUtf8() + QByteArray("\"Path\"=hex(2):43,3a,5c,c3,a9,00\r\n"),
       RegFileEncoding::Utf8, true, added.toUtf8()},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.form);
    QString error;
    auto data = parseRegFile(c.file, &error);
    ASSERT_TRUE(data) << error.toStdString();
    EXPECT_EQ(data->encoding(), c.encoding);
    EXPECT_EQ(data->isRegedit4(), c.regedit4);
    EXPECT_EQ(valueText(*data, QStringLiteral("Greeting")), QStringLiteral("Gr\u00fc\u00dfe \u20ac"));
    const RegFileKey* key = data->findKey(RegRoot::LocalMachine, QStringLiteral("Software\\Orvanta"));
    ASSERT_NE(key, nullptr);
    const RegFileValue* path = RegFileData::findValue(*key, QStringLiteral("Path"));
    ASSERT_NE(path, nullptr);
    EXPECT_EQ(path->type, static_cast<quint32>(RegExpandSz));
    EXPECT_EQ(path->data, utf16(QStringLiteral("C:\\\u00e9")) + QByteArray(2, '\0'));

    EXPECT_EQ(serializeRegFile(*data), c.file);
    RegFileData::setValue(data->ensureKey(RegRoot::LocalMachine, QStringLiteral("Software\\Orvanta")),
                          {QStringLiteral("Added"), RegSz, utf16(QStringLiteral("\u00dcn\u00ef"))});
    const QByteArray saved = serializeRegFile(*data);
    EXPECT_EQ(saved, c.file + c.addedLine);
    const auto again = parseRegFile(saved, &error);
    ASSERT_TRUE(again) << error.toStdString();
    EXPECT_EQ(valueText(*again, QStringLiteral("Added")), QStringLiteral("\u00dcn\u00ef"));
  }
}

// A hand-kept file: comments, a section of another hive with text this
// program does not read, a value in Latin-1 among UTF-8 ones, hex data over
// several lines and no line break at the end. Changing one value and adding
// others leaves every other byte where it was.
TEST(RegistryFileFormat, SavingOneValueKeepsEveryOtherLineByteForByte) {
  const QByteArray file =
      "; kept by hand\n"
      "Windows Registry Editor Version 5.00\n"
      "\n"
      "; the desktop's own settings\n"
      "[HKEY_CURRENT_USER\\Software\\Desk]\n"
      "\"Wallpaper\"=\"C:\\\\x.bmp\"\n"
      "anything at all = here\n"
      "\n"
      "[HKEY_LOCAL_MACHINE\\Software\\Orvanta]\n"
      "\"Name\"=\"caf\xe9\"\n"
      "\"Unicode\"=\"\xe6\x9d\xb1\"\n"
      "  ; how many rows\n"
      "\"MaxSearchResults\"  =  \"7\"\n"
      "\"Bin\"=hex:01,02,\\\n"
      "    03\n"
      "\n"
      "[HKEY_CLASSES_ROOT\\.txt]\n"
      "@=\"txtfile\"\n"
      "\n"
      "[HKEY_LOCAL_MACHINE\\Software\\Orvanta\\Sub]\n"
      "\"Last\"=dword:00000001";
  QString error;
  auto data = parseRegFile(file, &error);
  ASSERT_TRUE(data) << error.toStdString();
  EXPECT_EQ(serializeRegFile(*data).toStdString(), file.toStdString());
  // The byte that is not UTF-8 reads as Windows-1252, the rest as UTF-8.
  EXPECT_EQ(valueText(*data, QStringLiteral("Name")), QStringLiteral("caf\u00e9"));
  EXPECT_EQ(valueText(*data, QStringLiteral("Unicode")), QStringLiteral("\u6771"));
  EXPECT_EQ(data->findKey(RegRoot::LocalMachine, QStringLiteral("Software\\Desk")), nullptr);

  RegFileKey& key = data->ensureKey(RegRoot::LocalMachine, QStringLiteral("Software\\Orvanta"));
  // Written again unchanged, as the settings' load does with what it read.
  RegFileData::setValue(key, {QStringLiteral("name"), RegSz, utf16(QStringLiteral("caf\u00e9"))});
  RegFileData::setValue(key, {QStringLiteral("MaxSearchResults"), RegSz, utf16(QStringLiteral("12"))});
  RegFileData::setValue(key, {QStringLiteral("TopPosition"), RegSz, utf16(QStringLiteral(" 330"))});
  RegFileData::setValue(data->ensureKey(RegRoot::LocalMachine, QStringLiteral("Software\\Orvanta\\Sub")),
                        {QStringLiteral("Later"), RegSz, utf16(QStringLiteral("x"))});
  RegFileData::setValue(data->ensureKey(RegRoot::ClassesRoot, QStringLiteral(".pdf")),
                        {QString(), RegSz, utf16(QStringLiteral("pdffile"))});
  EXPECT_EQ(serializeRegFile(*data).toStdString(),
            std::string("; kept by hand\n"
                        "Windows Registry Editor Version 5.00\n"
                        "\n"
                        "; the desktop's own settings\n"
                        "[HKEY_CURRENT_USER\\Software\\Desk]\n"
                        "\"Wallpaper\"=\"C:\\\\x.bmp\"\n"
                        "anything at all = here\n"
                        "\n"
                        "[HKEY_LOCAL_MACHINE\\Software\\Orvanta]\n"
                        "\"Name\"=\"caf\xe9\"\n"
                        "\"Unicode\"=\"\xe6\x9d\xb1\"\n"
                        "  ; how many rows\n"
                        "\"MaxSearchResults\"=\"12\"\n"
                        "\"Bin\"=hex:01,02,\\\n"
                        "    03\n"
                        "\"TopPosition\"=\" 330\"\n"
                        "\n"
                        "[HKEY_CLASSES_ROOT\\.txt]\n"
                        "@=\"txtfile\"\n"
                        "\n"
                        "[HKEY_LOCAL_MACHINE\\Software\\Orvanta\\Sub]\n"
                        "\"Last\"=dword:00000001\n"
                        "\"Later\"=\"x\"\n"
                        "\n"
                        "[HKEY_CLASSES_ROOT\\.pdf]\n"
                        "@=\"pdffile\"\n"));
}

// Deleting a key takes its subkeys and nothing that merely starts with its
// name; a deleted value stated again comes back with its new data.
TEST(RegistryFileFormat, DeletionLinesRemoveExactlyTheirKeysAndValues) {
  const QByteArray file =
      "Windows Registry Editor Version 5.00\n"
      "[HKEY_LOCAL_MACHINE\\Software\\A]\n\"v\"=\"1\"\n"
      "[HKEY_LOCAL_MACHINE\\Software\\A\\Sub\\Deeper]\n\"v\"=\"2\"\n"
      "[HKEY_LOCAL_MACHINE\\Software\\AB]\n\"v\"=\"3\"\n"
      "[HKEY_LOCAL_MACHINE\\Software\\A!]\n\"v\"=\"4\"\n"
      "[HKEY_CLASSES_ROOT\\Software\\A]\n\"v\"=\"5\"\n"
      "[-HKEY_LOCAL_MACHINE\\SOFTWARE\\a]\n"
      "[HKEY_LOCAL_MACHINE\\Software\\Back]\n"
      "\"x\"=\"1\"\n\"y\"=\"2\"\n\"x\"=-\n\"X\"=\"again\"\n\"gone\"=\"3\"\n\"GONE\"=-\n";
  QString error;
  const auto data = parseRegFile(file, &error);
  ASSERT_TRUE(data) << error.toStdString();
  const struct {
    RegRoot root;
    const char* path;
    bool exists;
    bool section;  // has a section of its own
  } keys[] = {
      {RegRoot::LocalMachine, "Software\\A", false, false},
      {RegRoot::LocalMachine, "Software\\A\\Sub", false, false},
      {RegRoot::LocalMachine, "Software\\AB", true, true},
      {RegRoot::LocalMachine, "Software\\A!", true, true},
      {RegRoot::ClassesRoot, "Software\\A", true, true},
      {RegRoot::LocalMachine, "Software", true, false},
      {RegRoot::LocalMachine, "Software\\Back", true, true},
  };
  for (const auto& k : keys) {
    EXPECT_EQ(data->keyExists(k.root, QString::fromLatin1(k.path)), k.exists) << k.path;
    EXPECT_EQ(data->findKey(k.root, QString::fromLatin1(k.path)) != nullptr, k.section) << k.path;
  }
  const RegFileKey* back = data->findKey(RegRoot::LocalMachine, QStringLiteral("Software\\Back"));
  ASSERT_NE(back, nullptr);
  QStringList names;
  for (const RegFileValue& value : back->values) names << value.name;
  EXPECT_EQ(names, QStringList({QStringLiteral("y"), QStringLiteral("X")}));
  EXPECT_EQ(RegFileData::findValue(*back, QStringLiteral("x"))->data, utf16(QStringLiteral("again")));
  EXPECT_EQ(RegFileData::findValue(*back, QStringLiteral("gone")), nullptr);
}

}  // namespace
}  // namespace orvanta::platform
