// The registry file under real use: values written through one registry
// object are seen by another at its next call, a read-only file refuses
// writes, a broken write or a damaged file never loses data, and two
// programs writing at once both keep their values.
#include "temp_registry.h"

#include <QDir>
#include <QFile>
#include <QProcess>

#include <gtest/gtest.h>

namespace orvanta::platform {
namespace {

using testing::TempRegistry;

const QString kKey = QStringLiteral("Software\\Orvanta");

QString read(settings::RegKeys& keys, const QString& name) {
  return keys.ReadRegValue(RegRoot::LocalMachine, kKey, name);
}

TEST(FileRegistry, EveryCallReadsTheFileAgain) {
  TempRegistry temp;
  FileRegistry other(temp.filePath());
  settings::RegKeys otherKeys(other);
  ASSERT_TRUE(temp.regKeys().WriteRegValue(RegRoot::LocalMachine, kKey, QStringLiteral("A"), QStringLiteral("1")));
  EXPECT_EQ(read(otherKeys, QStringLiteral("A")), QStringLiteral("1"));

  // A change made by hand counts at the next read.
  temp.writeFile(
      "Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\Software\\Orvanta]\n\"A\"=\"edited\"\n");
  EXPECT_EQ(read(otherKeys, QStringLiteral("A")), QStringLiteral("edited"));
  EXPECT_EQ(read(temp.regKeys(), QStringLiteral("a")), QStringLiteral("edited"));
}

TEST(FileRegistry, KeysAndValuesThatDoNotExist) {
  TempRegistry temp;
  RegKeyHandle key = 0;
  EXPECT_EQ(temp.registry().openKey(RegRoot::LocalMachine, kKey, kKeyRead, &key), RegStatus::NotFound);
  EXPECT_EQ(key, 0u);
  EXPECT_FALSE(QFile::exists(temp.filePath())) << "reading must not create the file";

  ASSERT_EQ(temp.registry().createKey(RegRoot::LocalMachine, kKey, kKeyAllAccess, &key), RegStatus::Ok);
  quint32 type = 0;
  QByteArray data;
  EXPECT_EQ(temp.registry().queryValue(key, QStringLiteral("Missing"), 1024, &type, &data), RegStatus::NotFound);
  temp.registry().closeKey(key);
  EXPECT_TRUE(temp.readFile().contains("[HKEY_LOCAL_MACHINE\\Software\\Orvanta]"));
}

TEST(FileRegistry, DataLargerThanTheBufferIsMoreData) {
  TempRegistry temp;
  ASSERT_TRUE(temp.regKeys().WriteRegValue(RegRoot::LocalMachine, kKey, QStringLiteral("Big"), QString(10, u'x')));
  RegKeyHandle key = 0;
  ASSERT_EQ(temp.registry().openKey(RegRoot::LocalMachine, kKey, kKeyRead, &key), RegStatus::Ok);
  quint32 type = 0;
  QByteArray data;
  EXPECT_EQ(temp.registry().queryValue(key, QStringLiteral("Big"), 9, &type, &data), RegStatus::MoreData);
  EXPECT_TRUE(data.isEmpty());
  EXPECT_EQ(temp.registry().queryValue(key, QStringLiteral("Big"), 10, &type, &data), RegStatus::Ok);
  EXPECT_EQ(data, QByteArray(10, 'x'));
  EXPECT_EQ(type, static_cast<quint32>(RegSz));
  // A key opened for reading cannot be written through.
  EXPECT_EQ(temp.registry().setValue(key, QStringLiteral("Big"), RegSz, "y"), RegStatus::AccessDenied);
  temp.registry().closeKey(key);
}

TEST(FileRegistry, ReadOnlyFileReadsButRefusesWrites) {
  TempRegistry temp;
  ASSERT_TRUE(temp.regKeys().WriteRegValue(RegRoot::LocalMachine, kKey, QStringLiteral("A"), QStringLiteral("1")));
  ASSERT_TRUE(QFile::setPermissions(temp.filePath(), QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
  const QByteArray before = temp.readFile();

  EXPECT_EQ(read(temp.regKeys(), QStringLiteral("A")), QStringLiteral("1"));
  EXPECT_FALSE(temp.regKeys().WriteRegValue(RegRoot::LocalMachine, kKey, QStringLiteral("A"), QStringLiteral("2")));
  EXPECT_FALSE(temp.regKeys().WriteRegValue(RegRoot::LocalMachine, kKey, QStringLiteral("B"), QStringLiteral("2")));
  RegKeyHandle key = 0;
  EXPECT_EQ(temp.registry().openKey(RegRoot::LocalMachine, kKey, kKeyAllAccess, &key), RegStatus::AccessDenied);
  EXPECT_EQ(temp.readFile(), before);
  QFile::setPermissions(temp.filePath(), QFile::ReadOwner | QFile::WriteOwner);
}

TEST(FileRegistry, WriteBrokenBeforeTheReplaceLeavesTheOldFileWhole) {
  TempRegistry temp;
  ASSERT_TRUE(temp.regKeys().WriteRegValue(RegRoot::LocalMachine, kKey, QStringLiteral("A"), QStringLiteral("old")));
  const QByteArray before = temp.readFile();

  int calls = 0;
  temp.registry().setBeforeReplaceHook([&] {
    ++calls;
    return false;
  });
  EXPECT_FALSE(temp.regKeys().WriteRegValue(RegRoot::LocalMachine, kKey, QStringLiteral("A"), QStringLiteral("new")));
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(temp.readFile(), before);
  // The abandoned copy is removed: only the file itself (and its lock) remain.
  const QStringList left =
      QDir(temp.dir() + QStringLiteral("/orvanta")).entryList(QDir::Files | QDir::Hidden, QDir::Name);
  EXPECT_EQ(left, QStringList({QStringLiteral("registry.reg")}));
  EXPECT_EQ(read(temp.regKeys(), QStringLiteral("A")), QStringLiteral("old"));

  temp.registry().setBeforeReplaceHook({});
  EXPECT_TRUE(temp.regKeys().WriteRegValue(RegRoot::LocalMachine, kKey, QStringLiteral("A"), QStringLiteral("new")));
  EXPECT_EQ(read(temp.regKeys(), QStringLiteral("A")), QStringLiteral("new"));
}

TEST(FileRegistry, DamagedFileIsKeptAsideAndTheStoreStartsEmpty) {
  TempRegistry temp;
  const QByteArray damaged = "this is not a registry file\n\"SearchPrefix\"=\"precious\"\n";
  temp.writeFile(damaged);

  EXPECT_EQ(read(temp.regKeys(), QStringLiteral("SearchPrefix")), QString());
  EXPECT_FALSE(QFile::exists(temp.filePath()));
  const QStringList aside = QDir(temp.dir() + QStringLiteral("/orvanta"))
                                .entryList({QStringLiteral("registry.reg.corrupt-*")}, QDir::Files);
  ASSERT_EQ(aside.size(), 1);
  QFile kept(temp.dir() + QStringLiteral("/orvanta/") + aside.first());
  ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
  EXPECT_EQ(kept.readAll(), damaged);

  // The store works on from empty.
  EXPECT_TRUE(temp.regKeys().WriteRegValue(RegRoot::LocalMachine, kKey, QStringLiteral("A"), QStringLiteral("1")));
  EXPECT_EQ(read(temp.regKeys(), QStringLiteral("A")), QStringLiteral("1"));
}

TEST(FileRegistry, TwoProgramsWritingAtOnceKeepBothSetsOfValues) {
  TempRegistry temp;
  constexpr int kCount = 25;
  QProcess first;
  QProcess second;
  const QString tool = QStringLiteral(ORVANTA_REGISTRY_WRITER);
  first.start(tool, {QStringLiteral("--file"), temp.filePath(), QStringLiteral("--prefix"), QStringLiteral("first"),
                     QStringLiteral("--count"), QString::number(kCount)});
  second.start(tool, {QStringLiteral("--file"), temp.filePath(), QStringLiteral("--prefix"), QStringLiteral("second"),
                      QStringLiteral("--count"), QString::number(kCount)});
  ASSERT_TRUE(first.waitForFinished(60000));
  ASSERT_TRUE(second.waitForFinished(60000));
  EXPECT_EQ(first.exitCode(), 0) << first.readAllStandardError().toStdString();
  EXPECT_EQ(second.exitCode(), 0) << second.readAllStandardError().toStdString();
  for (int i = 0; i < kCount; ++i) {
    for (const QString& prefix : {QStringLiteral("first"), QStringLiteral("second")}) {
      const QString name = prefix + QString::number(i);
      EXPECT_EQ(read(temp.regKeys(), name), name + QStringLiteral("-value"));
    }
  }
}

}  // namespace
}  // namespace orvanta::platform
