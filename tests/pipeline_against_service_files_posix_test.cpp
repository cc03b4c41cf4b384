// The modes of the files and folders the bundled local search service
// makes, whatever the umask it was started with.
#include "pipeline_against_service_test.h"
#include "wait_for.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <utility>

#include <sys/stat.h>

namespace orvanta::search {
namespace {

using testing::waitFor;

mode_t modeOf(const QString& path) {
  struct stat info {};
  if (::lstat(QFile::encodeName(path).constData(), &info) != 0) return 01000;  // no such entry
  return info.st_mode & 07777;
}

// The index holds the text of the user's documents and the settings the
// service's codes: started with an open umask, the service makes its
// folders and files the user's alone, and narrows those of an older run
// with one line each.
TEST(ServiceFiles, AreTheUsersAloneWhateverTheUmask) {
  app();
  for (const bool older : {false, true}) {
    SCOPED_TRACE(older ? "older, open files" : "first start");
    QTemporaryDir home;
    ASSERT_TRUE(home.isValid());
    const QString config = home.path() + QStringLiteral("/config/orvanta");
    const QString cache = home.path() + QStringLiteral("/cache/orvanta");
    const QString root = home.path() + QStringLiteral("/files");
    ASSERT_TRUE(QDir().mkpath(root));
    {
      QFile secret(root + QStringLiteral("/secret.txt"));
      ASSERT_TRUE(secret.open(QIODevice::WriteOnly) && secret.write("the secret words") > 0);
    }
    if (older) {
      ASSERT_TRUE(QDir().mkpath(config) && QDir().mkpath(cache));
      QFile settingsFile(config + QStringLiteral("/registry.reg"));
      ASSERT_TRUE(settingsFile.open(QIODevice::WriteOnly));
      settingsFile.close();
      for (const auto& [path, mode] : {std::pair{config, 0755}, std::pair{cache, 0755},
                                       std::pair{config + QStringLiteral("/registry.reg"), 0644}}) {
        ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), static_cast<mode_t>(mode)), 0);
      }
    }
    QProcess service;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home.path() + QStringLiteral("/config"));
    environment.insert(QStringLiteral("XDG_CACHE_HOME"), home.path() + QStringLiteral("/cache"));
    environment.insert(QStringLiteral("XDG_DATA_HOME"), home.path() + QStringLiteral("/data"));
    environment.insert(QStringLiteral("XDG_DATA_DIRS"), home.path() + QStringLiteral("/data"));
    service.setProcessEnvironment(environment);
    service.setChildProcessModifier([] { ::umask(0); });
    QString log;
    QObject::connect(&service, &QProcess::readyReadStandardError,
                     [&] { log += QString::fromUtf8(service.readAllStandardError()); });
    service.start(QStringLiteral(ORVANTA_SERVICE_BINARY),
                  {QStringLiteral("--port"), QStringLiteral("0"), QStringLiteral("--root"), root});
    ASSERT_TRUE(service.waitForStarted());
    ASSERT_TRUE(waitFor([&] { return log.contains(QStringLiteral("indexed")); }, kServiceWaitMs)) << log.toStdString();

    // The database, its write-ahead log and shared memory file are open.
    const QStringList indexFiles = QDir(cache).entryList(QDir::Files | QDir::Hidden);
    EXPECT_EQ(indexFiles.filter(QRegularExpression(QStringLiteral("\\.db(-wal|-shm)?$"))).size(), 3)
        << indexFiles.join(u' ').toStdString();
    // The folders the service made, and its own ones of an older run.
    QStringList folders{config, cache};
    if (!older) folders += {home.path() + QStringLiteral("/config"), home.path() + QStringLiteral("/cache")};
    for (const QString& folder : folders) EXPECT_EQ(modeOf(folder), mode_t{0700}) << folder.toStdString();
    for (const QString& name : indexFiles) EXPECT_EQ(modeOf(cache + u'/' + name), mode_t{0600}) << name.toStdString();
    EXPECT_EQ(modeOf(config + QStringLiteral("/registry.reg")), mode_t{0600});
    EXPECT_EQ(log.count(QStringLiteral("other users could read the settings")), older ? 1 : 0) << log.toStdString();
    EXPECT_EQ(log.count(QStringLiteral("other users could read the index")), older ? 1 : 0) << log.toStdString();
    service.kill();
    service.waitForFinished();
  }
}

}  // namespace
}  // namespace orvanta::search
