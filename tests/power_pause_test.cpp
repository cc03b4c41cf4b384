// The service on battery: a stand-in UPower on a bus of the test's own says
// whether the machine is on battery; the service, told that this bus is
// the system bus, pauses reading documents' contents while on battery and
// goes on on mains power, one log line each, while names stay live; and
// `--status` says so.
#include "notification_stand_in.h"
#include "search_index.h"
#include "wait_for.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QVariantMap>

#include <gtest/gtest.h>

namespace orvanta::service {
namespace {

QCoreApplication& app() {
  static int argc = 1;
  static char name[] = "power_pause_test";
  static char* argv[] = {name, nullptr};
  static QCoreApplication instance(argc, argv);
  return instance;
}

using testing::waitFor;

constexpr int kWaitMs = 20'000;

// UPower's OnBattery, read through the standard properties interface, and
// its change signal.
class StandInUPower : public QObject {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.freedesktop.UPower")
  Q_PROPERTY(bool OnBattery READ onBattery)

 public:
  explicit StandInUPower(QDBusConnection bus) : bus_(std::move(bus)) {}
  bool onBattery() const { return onBattery_; }

  // Changes the power source and says so as UPower does.
  void setOnBattery(bool onBattery) {
    onBattery_ = onBattery;
    QDBusMessage signal = QDBusMessage::createSignal(QStringLiteral("/org/freedesktop/UPower"),
                                                     QStringLiteral("org.freedesktop.DBus.Properties"),
                                                     QStringLiteral("PropertiesChanged"));
    signal << QStringLiteral("org.freedesktop.UPower") << QVariantMap{{QStringLiteral("OnBattery"), onBattery}}
           << QStringList{};
    bus_.send(signal);
  }

 private:
  QDBusConnection bus_;
  bool onBattery_ = true;
};

bool writeFile(const QString& path, const QByteArray& data) {
  QDir().mkpath(QFileInfo(path).absolutePath());
  QFile file(path);
  return file.open(QIODevice::WriteOnly) && file.write(data) == data.size();
}

TEST(PowerPause, ContentsWaitOnBatteryAndNamesStayLive) {
  app();
  testing::PrivateBus bus;
  ASSERT_FALSE(bus.address().isEmpty()) << "dbus-daemon did not start";
  QDBusConnection upowerBus = QDBusConnection::connectToBus(bus.address(), QStringLiteral("upower"));
  ASSERT_TRUE(upowerBus.isConnected());
  StandInUPower upower(upowerBus);
  ASSERT_TRUE(upowerBus.registerObject(QStringLiteral("/org/freedesktop/UPower"), &upower,
                                       QDBusConnection::ExportAllProperties));
  ASSERT_TRUE(upowerBus.registerService(QStringLiteral("org.freedesktop.UPower")));

  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString root = dir.path() + QStringLiteral("/root");
  constexpr int kDocuments = 20;
  for (int i = 0; i < kDocuments; ++i) {
    ASSERT_TRUE(writeFile(root + QStringLiteral("/notes%1.txt").arg(i), "quartz" + QByteArray::number(i)));
  }
  const QString database = dir.path() + QStringLiteral("/index.db");
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  for (const char* name : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_DATA_DIRS", "XDG_CACHE_HOME"}) {
    environment.insert(QString::fromLatin1(name), dir.path() + QStringLiteral("/xdg"));
  }
  environment.insert(QStringLiteral("DBUS_SYSTEM_BUS_ADDRESS"), bus.address());
  QProcess service;
  service.setProcessEnvironment(environment);
  service.setProcessChannelMode(QProcess::MergedChannels);
  service.start(QStringLiteral(ORVANTA_SERVICE_BINARY),
                {QStringLiteral("--port"), QStringLiteral("0"), QStringLiteral("--root"), root,
                 QStringLiteral("--index"), database});
  QString log;
  const auto logged = [&](const QString& text) {
    log += QString::fromLocal8Bit(service.readAll());
    return static_cast<int>(log.count(text));
  };
  const QString batteryLine = QStringLiteral("on battery: reading the contents of documents paused; names stay live");
  const QString mainsLine = QStringLiteral("on mains power: reading the contents of documents goes on");
  ASSERT_TRUE(waitFor([&] { return logged(QStringLiteral("indexed ")) == 1 && logged(batteryLine) == 1; }, kWaitMs))
      << log.toStdString();

  // On battery from the start: no document is read, a new name is found.
  SearchIndex search;
  ASSERT_TRUE(search.open(database, false));
  const auto found = [&](const QString& word) { return search.search({word}, 100).size(); };
  ASSERT_TRUE(writeFile(root + QStringLiteral("/arrival.txt"), "zircon"));
  ASSERT_TRUE(waitFor([&] { return found(QStringLiteral("arrival")) == 1; }, kWaitMs)) << log.toStdString();
  EXPECT_EQ(search.pendingContents(100).size(), static_cast<size_t>(kDocuments + 1));
  EXPECT_EQ(found(QStringLiteral("quartz3")), 0u);

  // `--status` asks the running service, which says so.
  const QRegularExpressionMatch listening = QRegularExpression(QStringLiteral("listening on port (\\d+)")).match(log);
  ASSERT_TRUE(listening.hasMatch()) << log.toStdString();
  const auto status = [&] {
    QProcess asking;
    asking.setProcessEnvironment(environment);
    asking.start(QStringLiteral(ORVANTA_SERVICE_BINARY),
                 {QStringLiteral("--status"), QStringLiteral("--port"), listening.captured(1)});
    EXPECT_TRUE(asking.waitForFinished(kWaitMs));
    EXPECT_EQ(asking.exitCode(), 0) << asking.readAllStandardError().toStdString();
    return QString::fromLocal8Bit(asking.readAllStandardOutput());
  };
  QString said = status();
  EXPECT_TRUE(said.contains(QStringLiteral("indexed: %1 files, 0 folders").arg(kDocuments + 1))) << said.toStdString();
  EXPECT_TRUE(said.contains(QStringLiteral("documents waiting to be read: %1\n").arg(kDocuments + 1)))
      << said.toStdString();
  EXPECT_TRUE(said.contains(QStringLiteral("reading documents: paused, on battery\n"))) << said.toStdString();

  // On mains power: every document is read.
  upower.setOnBattery(false);
  EXPECT_TRUE(waitFor([&] { return logged(mainsLine) == 1 && search.pendingContents(1).empty(); }, kWaitMs))
      << log.toStdString();
  EXPECT_EQ(found(QStringLiteral("quartz3")), 1u);
  EXPECT_EQ(found(QStringLiteral("zircon")), 1u);
  said = status();
  EXPECT_TRUE(said.contains(QStringLiteral("documents read: %1\n").arg(kDocuments + 1))) << said.toStdString();
  EXPECT_TRUE(said.contains(QStringLiteral("documents waiting to be read: 0\n"))) << said.toStdString();
  EXPECT_TRUE(said.contains(QStringLiteral("reading documents: going on\n"))) << said.toStdString();

  // On battery again: a new document waits, its name does not.
  upower.setOnBattery(true);
  ASSERT_TRUE(waitFor([&] { return logged(batteryLine) == 2; }, kWaitMs)) << log.toStdString();
  ASSERT_TRUE(writeFile(root + QStringLiteral("/late.txt"), "obsidian"));
  ASSERT_TRUE(waitFor([&] { return found(QStringLiteral("late")) == 1; }, kWaitMs)) << log.toStdString();
  const std::optional<StoredEntry> late = search.find(QFile::encodeName(root + QStringLiteral("/late.txt")));
  ASSERT_TRUE(late.has_value());
  EXPECT_EQ(late->content, ContentState::Pending);
  EXPECT_EQ(found(QStringLiteral("obsidian")), 0u);

  // One line for each change, none for a repeated value.
  upower.setOnBattery(true);
  upower.setOnBattery(false);
  EXPECT_TRUE(waitFor([&] { return logged(mainsLine) == 2 && found(QStringLiteral("obsidian")) == 1; }, kWaitMs))
      << log.toStdString();
  EXPECT_EQ(logged(batteryLine), 2) << log.toStdString();
  service.kill();
  service.waitForFinished();
}

}  // namespace
}  // namespace orvanta::service

#include "power_pause_test.moc"
