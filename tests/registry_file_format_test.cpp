// The registry file's text format: every value type and escape survives a
// round trip, hand-written files read as a person means them, and damaged
// files are refused with the line at fault.
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
      {"REGEDIT4\n", 1},
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

}  // namespace
}  // namespace orvanta::platform
