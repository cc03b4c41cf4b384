// The registry file under real use: values written through one registry
// object are seen by another at its next call, a read-only file refuses
// writes, a broken write or a damaged file never loses data, two programs
// writing at once both keep their values, exports from Windows are read and
// kept, special files are left alone, and a lock that cannot be taken costs
// one wait in the whole run.
#include "temp_registry.h"

#include "platform/regular_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>

#include <sys/stat.h>

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

// Rights of an entry, without the kind.
mode_t modeOf(const QString& path) {
  struct stat info {};
  if (::lstat(QFile::encodeName(path).constData(), &info) != 0) return 01000;  // no such entry
  return info.st_mode & 07777;
}

// The settings hold the service's codes: whatever the umask, the folders
// made, the file, its lock and the copy that replaces it are the owner's
// alone, and older files are narrowed.
TEST(FileRegistry, FilesAreTheOwnersAloneWhateverTheUmask) {
  struct OpenUmask {
    mode_t before = ::umask(0);
    ~OpenUmask() { ::umask(before); }
  } openUmask;
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString folder = dir.path() + QStringLiteral("/a/b/orvanta");
  FileRegistry registry(folder + QStringLiteral("/registry.reg"));
  settings::RegKeys keys(registry);
  std::map<QString, mode_t> whileWriting;
  registry.setBeforeReplaceHook([&] {
    for (const QString& name : QDir(folder).entryList(QDir::Files | QDir::Hidden)) {
      whileWriting[name] = modeOf(folder + u'/' + name);
    }
    return true;
  });
  ASSERT_TRUE(keys.WriteRegValue(RegRoot::LocalMachine, kKey, QStringLiteral("A"), QStringLiteral("1")));
  for (const QString& made : {dir.path() + QStringLiteral("/a"), dir.path() + QStringLiteral("/a/b"), folder}) {
    EXPECT_EQ(modeOf(made), mode_t{0700}) << made.toStdString();
  }
  EXPECT_EQ(modeOf(registry.filePath()), mode_t{0600});
  // The lock and the new copy, seen just before the copy replaces the file.
  EXPECT_EQ(whileWriting.size(), 2u);
  EXPECT_EQ(whileWriting.count(QStringLiteral("registry.reg.lock")), 1u);
  for (const auto& [name, mode] : whileWriting) EXPECT_EQ(mode, mode_t{0600}) << name.toStdString();

  // A file that others could read gets no more rights by a write.
  ASSERT_EQ(::chmod(QFile::encodeName(registry.filePath()).constData(), 0644), 0);
  ASSERT_TRUE(keys.WriteRegValue(RegRoot::LocalMachine, kKey, QStringLiteral("A"), QStringLiteral("2")));
  EXPECT_EQ(modeOf(registry.filePath()), mode_t{0600});

  // At start older entries are narrowed: the folder, the file and its
  // companions, nothing else.
  const QString aside = registry.filePath() + QStringLiteral(".corrupt-20250101T000000Z");
  const QString other = folder + QStringLiteral("/notes.txt");
  for (const QString& path : {aside, other}) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  }
  const struct {
    QString path;
    mode_t loose;
    mode_t narrowed;
  } entries[] = {
      {folder, 0775, 0700},
      {registry.filePath(), 0666, 0600},
      {aside, 0604, 0600},
      {other, 0644, 0644},
  };
  for (const auto& entry : entries) ASSERT_EQ(::chmod(QFile::encodeName(entry.path).constData(), entry.loose), 0);
  QStringList narrowed = registry.restrictAccess();
  narrowed.sort();
  EXPECT_EQ(narrowed, (QStringList{folder, registry.filePath(), aside}));
  for (const auto& entry : entries) EXPECT_EQ(modeOf(entry.path), entry.narrowed) << entry.path.toStdString();
  EXPECT_TRUE(registry.restrictAccess().isEmpty());
  EXPECT_EQ(read(keys, QStringLiteral("A")), QStringLiteral("2"));
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

QByteArray utf16Le(const QString& text, bool mark) {
  QByteArray out = mark ? QByteArray("\xff\xfe") : QByteArray();
  for (QChar c : text) {
    out.append(static_cast<char>(c.unicode() & 0xff));
    out.append(static_cast<char>(c.unicode() >> 8));
  }
  return out;
}

int occurrences(const std::string& text, const std::string& part) {
  int count = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
  return count;
}

// A user bringing settings from Windows: the registry editor's UTF-16
// export (merged with a section of the user's own hive), an old REGEDIT4
// export in the 8-bit code page, and a file edited in Latin-1. Each is read,
// never moved aside, and a save of another value leaves it as it was but
// for the new line, written in the file's own encoding.
TEST(FileRegistry, ExportsFromWindowsAreReadAndKeptInTheirEncoding) {
  // The export ends in a blank line; a new value goes in before it, with
  // the other values of its key.
  const QString exported = QStringLiteral(
      "Windows Registry Editor Version 5.00\r\n\r\n"
      "[HKEY_CURRENT_USER\\Control Panel\\Desktop]\r\n\"Wallpaper\"=\"C:\\\\w.bmp\"\r\n\r\n"
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Orvanta]\r\n"
      "\"SearchSuffix\"=\"&ie=UTF-8\"\r\n\"Name\"=\"caf\u00e9\"\r\n");
  const QByteArray regedit4 =
      "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Orvanta]\r\n"
      "\"SearchSuffix\"=\"&ie=UTF-8\"\r\n\"Name\"=\"caf\xe9\"\r\n";
  const QByteArray latin1 =
      "Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\Software\\Orvanta]\n"
      "\"SearchSuffix\"=\"&ie=UTF-8\"\n\"Name\"=\"caf\xe9\"\n";
  const struct {
    const char* form;
    QByteArray file;
    QByteArray saved;  // after "Added" is stored
  } cases[] = {
      {"UTF-16LE export", utf16Le(exported + QStringLiteral("\r\n"), true),
       utf16Le(exported + QStringLiteral("\"Added\"=\"1\"\r\n\r\n"), true)},
      {"REGEDIT4 export", regedit4, regedit4 + "\"Added\"=\"1\"\r\n"},
      {"Latin-1 edit", latin1, latin1 + "\"Added\"=\"1\"\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.form);
    TempRegistry temp;
    temp.writeFile(c.file);
    EXPECT_EQ(read(temp.regKeys(), QStringLiteral("SearchSuffix")), QStringLiteral("&ie=UTF-8"));
    EXPECT_EQ(read(temp.regKeys(), QStringLiteral("Name")), QStringLiteral("caf\u00e9"));
    // Storing what is there already changes nothing.
    EXPECT_TRUE(temp.regKeys().WriteRegValue(RegRoot::LocalMachine, kKey, QStringLiteral("Name"),
                                             QStringLiteral("caf\u00e9")));
    EXPECT_EQ(temp.readFile(), c.file);
    EXPECT_TRUE(temp.regKeys().WriteRegValue(RegRoot::LocalMachine, kKey, QStringLiteral("Added"), QStringLiteral("1")));
    EXPECT_EQ(temp.readFile(), c.saved);
    EXPECT_EQ(read(temp.regKeys(), QStringLiteral("Name")), QStringLiteral("caf\u00e9"));
    EXPECT_EQ(read(temp.regKeys(), QStringLiteral("Added")), QStringLiteral("1"));
    EXPECT_TRUE(QDir(temp.dir() + QStringLiteral("/orvanta"))
                    .entryList({QStringLiteral("registry.reg.corrupt-*")}, QDir::Files)
                    .isEmpty());
  }
}

// What stands in the file's place and is not a regular file of a sane size
// is not read (a FIFO would block, /dev/zero would never end), not written
// over and reported once: the program goes on with its defaults.
TEST(FileRegistry, SpecialOrOversizedFilesAreLeftAloneWithOneMessage) {
  const struct {
    const char* what;
    std::function<bool(const QString&)> make;
    std::function<bool(const QString&)> unchanged;
  } cases[] = {
      // Into the test's own folder: a write that followed the link would
      // replace its target, which must never be a file of the system.
      {"a symbolic link to a FIFO",
       [](const QString& path) {
         const QString target = path + QStringLiteral(".fifo");
         return ::mkfifo(QFile::encodeName(target).constData(), 0600) == 0 && QFile::link(target, path);
       },
       [](const QString& path) {
         struct stat info {};
         return QFileInfo(path).symLinkTarget() == path + QStringLiteral(".fifo") &&
                ::stat(QFile::encodeName(path).constData(), &info) == 0 && S_ISFIFO(info.st_mode);
       }},
      {"a FIFO", [](const QString& path) { return ::mkfifo(QFile::encodeName(path).constData(), 0600) == 0; },
       [](const QString& path) {
         struct stat info {};
         return ::lstat(QFile::encodeName(path).constData(), &info) == 0 && S_ISFIFO(info.st_mode);
       }},
      {"a folder", [](const QString& path) { return QDir().mkpath(path); },
       [](const QString& path) { return QFileInfo(path).isDir(); }},
      {"an oversized file",
       [](const QString& path) {
         QFile file(path);
         return file.open(QIODevice::WriteOnly) && file.write("Windows Registry Editor Version 5.00\n") > 0 &&
                file.resize(FileRegistry::kMaxFileBytes + 1);
       },
       [](const QString& path) {
         QFile file(path);
         return QFileInfo(path).size() == FileRegistry::kMaxFileBytes + 1 && file.open(QIODevice::ReadOnly) &&
                file.read(9) == "Windows R";
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TempRegistry temp;
    ASSERT_TRUE(QDir().mkpath(temp.dir() + QStringLiteral("/orvanta")));
    ASSERT_TRUE(c.make(temp.filePath()));
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(read(temp.regKeys(), QStringLiteral("SearchPrefix")), QString());
    EXPECT_FALSE(temp.regKeys().WriteRegValue(RegRoot::LocalMachine, kKey, QStringLiteral("A"), QStringLiteral("1")));
    EXPECT_FALSE(temp.regKeys().WriteRegValue(RegRoot::LocalMachine, kKey, QStringLiteral("B"), QStringLiteral("2")));
    EXPECT_EQ(read(temp.regKeys(), QStringLiteral("A")), QString());
    const std::string messages = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(occurrences(messages, "orvanta:"), 1) << messages;
    EXPECT_EQ(occurrences(messages, temp.filePath().toStdString()), 1) << messages;
    EXPECT_TRUE(temp.registry().fileRefused());
    EXPECT_TRUE(c.unchanged(temp.filePath()));
    // Nothing was made beside it either: no lock, no temporary copy.
    QStringList made = QDir(temp.dir() + QStringLiteral("/orvanta"))
                           .entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System);
    made.removeAll(QStringLiteral("registry.reg.fifo"));
    EXPECT_EQ(made, QStringList({QStringLiteral("registry.reg")}));
  }
}

// The reading itself, on devices of the system: refused by their type,
// without reading a byte (/dev/zero never ends).
TEST(FileRegistry, DevicesAndFoldersAreNotReadAsFiles) {
  for (const char* path : {"/dev/zero", "/dev/null", "/"}) {
    const RegularFileContent content = readRegularFile(QString::fromLatin1(path), FileRegistry::kMaxFileBytes);
    EXPECT_EQ(content.status, RegularFileStatus::NotRegular) << path;
    EXPECT_TRUE(content.bytes.isEmpty()) << path;
  }
  TempRegistry temp;
  EXPECT_EQ(readRegularFile(temp.filePath(), 10).status, RegularFileStatus::Missing);
  temp.writeFile("0123456789");
  EXPECT_EQ(readRegularFile(temp.filePath(), 9).status, RegularFileStatus::TooLarge);
  const RegularFileContent whole = readRegularFile(temp.filePath(), 10);
  EXPECT_EQ(whole.status, RegularFileStatus::Read);
  EXPECT_EQ(whole.bytes, QByteArray("0123456789"));
}

// A lock path that is a folder, or a lock that a live process holds: the
// first write gives up on it within its wait and goes ahead (the file is
// still replaced whole); later writes do not wait again, and the user hears
// of it once.
TEST(FileRegistry, ALockThatCannotBeTakenIsGivenUpOnceForTheWholeRun) {
  const struct {
    const char* what;
    std::function<bool(const QString&, std::unique_ptr<QLockFile>&)> block;
  } cases[] = {
      {"a folder", [](const QString& lockPath, std::unique_ptr<QLockFile>&) { return QDir().mkpath(lockPath); }},
      {"held by a live process",
       [](const QString& lockPath, std::unique_ptr<QLockFile>& holder) {
         holder = std::make_unique<QLockFile>(lockPath);
         return holder->tryLock(0);
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TempRegistry temp;
    ASSERT_TRUE(QDir().mkpath(temp.dir() + QStringLiteral("/orvanta")));
    std::unique_ptr<QLockFile> holder;
    ASSERT_TRUE(c.block(temp.filePath() + QStringLiteral(".lock"), holder));
    EXPECT_FALSE(temp.registry().lockGivenUp());
    ::testing::internal::CaptureStderr();
    EXPECT_TRUE(temp.regKeys().WriteRegValue(RegRoot::LocalMachine, kKey, QStringLiteral("A"), QStringLiteral("1")));
    EXPECT_TRUE(temp.registry().lockGivenUp());
    EXPECT_TRUE(temp.regKeys().WriteRegValue(RegRoot::LocalMachine, kKey, QStringLiteral("B"), QStringLiteral("2")));
    EXPECT_TRUE(temp.regKeys().WriteRegValue(RegRoot::LocalMachine, kKey, QStringLiteral("A"), QStringLiteral("3")));
    const std::string messages = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(occurrences(messages, "orvanta:"), 1) << messages;
    EXPECT_EQ(read(temp.regKeys(), QStringLiteral("A")), QStringLiteral("3"));
    EXPECT_EQ(read(temp.regKeys(), QStringLiteral("B")), QStringLiteral("2"));
    if (holder) {
      EXPECT_TRUE(holder->isLocked());
    }
  }
}

}  // namespace
}  // namespace orvanta::platform
