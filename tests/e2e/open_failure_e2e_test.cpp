// The built program on a virtual X display, with a session bus of its own
// on which a stand-in notification service answers: a click on a desktop
// entry that needs a terminal, on a desktop without any, ends the run as
// every open does, and by the time the program has ended the service has
// the notification naming the entry and why.
#include "x11_session.h"

#include "gui_application.h"
#include "notification_stand_in.h"
#include "platform/file_registry.h"
#include "settings/reg_keys.h"
#include "settings/settings_table.h"
#include "wait_for.h"

#include <QDBusConnection>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <optional>

namespace orvanta::testing {
namespace {

using platform::RegRoot;

// The local search service on a free loopback port, stopped with the object.
class SearchService {
 public:
  SearchService(const QString& configHome, const QString& root) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), configHome);
    environment.insert(QStringLiteral("XDG_CACHE_HOME"), configHome + QStringLiteral("/cache"));
    process_.setProcessEnvironment(environment);
    process_.setProcessChannelMode(QProcess::MergedChannels);
    process_.start(QStringLiteral(ORVANTA_SERVICE_BINARY),
                   {QStringLiteral("--port"), QStringLiteral("0"), QStringLiteral("--root"), root});
  }
  ~SearchService() {
    process_.kill();
    process_.waitForFinished(5000);
  }
  std::optional<QString> waitForLog(const QRegularExpression& pattern, int timeoutMs = 10000) {
    QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired()) {
      const QRegularExpressionMatch match = pattern.match(log_);
      if (match.hasMatch()) return match.captured(1);
      process_.waitForReadyRead(100);
      log_ += QString::fromLocal8Bit(process_.readAll());
    }
    return std::nullopt;
  }

 private:
  QProcess process_;
  QString log_;
};

TEST(OpenFailureE2eTest, AnEntryThatCannotStartIsToldBeforeTheProgramEnds) {
  guiApplication();
  QTemporaryDir configHome;
  QTemporaryDir work;
  ASSERT_TRUE(configHome.isValid() && work.isValid());

  // An entry that runs in a terminal; the program's PATH holds no terminal.
  const QString entry = work.filePath(QStringLiteral("sample/quarterlymon.desktop"));
  ASSERT_TRUE(QDir().mkpath(QFileInfo(entry).path()));
  {
    QFile out(entry);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write("[Desktop Entry]\nType=Application\nName=Quarterly Monitor\nExec=/usr/bin/true\nTerminal=true\n");
  }
  const QString noPrograms = work.filePath(QStringLiteral("no-programs"));
  ASSERT_TRUE(QDir().mkpath(noPrograms));

  SearchService service(configHome.path(), QFileInfo(entry).path());
  const auto port = service.waitForLog(QRegularExpression(QStringLiteral("listening on port (\\d+)")));
  ASSERT_TRUE(port);
  ASSERT_TRUE(service.waitForLog(QRegularExpression(QStringLiteral("(indexed [1-9]\\d* entries)"))));
  {
    platform::FileRegistry registry(configHome.path() + QStringLiteral("/orvanta/registry.reg"));
    settings::RegKeys regKeys(registry);
    const QString code =
        regKeys.ReadRegValue(RegRoot::LocalMachine, settings::kServiceKey, settings::kServiceSecurityCode);
    ASSERT_FALSE(code.isEmpty());
    settings::writeSetting(regKeys, u"SearchPrefix",
                           QStringLiteral("http://127.0.0.1:%1/search&s=%2?q=").arg(*port, code));
    settings::writeSetting(regKeys, u"SearchSuffix", QStringLiteral("&ie=UTF-8"));
    settings::writeSetting(regKeys, u"LeftPosition", QStringLiteral("6000"));
    settings::writeSetting(regKeys, u"TopPosition", QStringLiteral("1500"));
  }

  // The stand-in answers from a thread of its own.
  PrivateBus bus;
  ASSERT_FALSE(bus.address().isEmpty()) << "dbus-daemon did not start";
  QThread serviceThread;
  serviceThread.start();
  auto* standIn = new StandInNotifications({QStringLiteral("body")}, false);
  standIn->moveToThread(&serviceThread);
  {
    QDBusConnection connection = QDBusConnection::connectToBus(bus.address(), QStringLiteral("stand-in"));
    ASSERT_TRUE(connection.registerObject(QStringLiteral("/org/freedesktop/Notifications"), standIn,
                                          QDBusConnection::ExportAllSlots));
    ASSERT_TRUE(connection.registerService(QStringLiteral("org.freedesktop.Notifications")));
  }

  X11Session session;
  ASSERT_TRUE(session.error().isEmpty()) << session.error().toStdString();
  QProcessEnvironment environment = session.environment();
  environment.insert(QStringLiteral("XDG_CONFIG_HOME"), configHome.path());
  environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), bus.address());
  environment.insert(QStringLiteral("PATH"), noPrograms);
  QProcess& program = session.start(QStringLiteral(ORVANTA_BINARY), {QStringLiteral("--show-panel")}, environment);

  const auto panel = session.waitForWindow(QStringLiteral("^Orvanta$"));
  ASSERT_TRUE(panel);
  ASSERT_TRUE(waitUntil([&] { return session.focusedWindow() == *panel; }));
  ASSERT_TRUE(session.xdotool({QStringLiteral("type"), QStringLiteral("quarterlymon")}));
  ASSERT_TRUE(session.xdotool({QStringLiteral("key"), QStringLiteral("Return")}));
  // The Top Hit row (960 twips from the top) holds the entry once the
  // panel has grown below the search strip.
  std::optional<QRect> place;
  ASSERT_TRUE(waitUntil([&] {
    place = session.geometry(*panel);
    return place && place->height() > 470 / 15;
  }));
  ASSERT_TRUE(session.clickAt(QPoint(place->x() + 200, place->y() + 960 / 15 + 8)));

  ASSERT_TRUE(program.waitForFinished(20000)) << "the program did not end";
  EXPECT_EQ(program.exitCode(), 0);
  const std::vector<Received> received = standIn->received();
  serviceThread.quit();
  serviceThread.wait();
  QDBusConnection::disconnectFromBus(QStringLiteral("stand-in"));
  delete standIn;
  ASSERT_EQ(received.size(), 1u) << QString::fromLocal8Bit(program.readAllStandardError()).toStdString();
  EXPECT_EQ(received[0].summary, QStringLiteral("Could not open \u201cquarterlymon.desktop\u201d"));
  EXPECT_TRUE(received[0].body.contains(QStringLiteral("terminal"), Qt::CaseInsensitive))
      << received[0].body.toStdString();
  EXPECT_TRUE(received[0].body.endsWith(entry)) << received[0].body.toStdString();
}

}  // namespace
}  // namespace orvanta::testing
