// Notices through the desktop's notification service, on a private bus that
// the test starts (its own dbus-daemon, with no service to activate) with a
// stand-in notification service answering from a thread of its own; and
// the message box in their place where no service takes them.
#include "notification_stand_in.h"
#include "platform/dbus_user_notice.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QThread>
#include <QVariantMap>

#include <gtest/gtest.h>

#include <vector>

namespace orvanta::platform {
namespace {

QCoreApplication& application() {
  static int argc = 1;
  static char name[] = "user_notice_test";
  static char* argv[] = {name, nullptr};
  static QCoreApplication* app = new QCoreApplication(argc, argv);
  return *app;
}

using testing::PrivateBus;
using testing::Received;
using testing::StandInNotifications;

struct Fallback {
  QString summary;
  QString body;
  int calls = 0;
};

class UserNoticeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    application();
    ASSERT_FALSE(bus.address().isEmpty()) << "dbus-daemon did not start";
    serviceThread.start();
  }
  void TearDown() override {
    serviceThread.quit();
    serviceThread.wait();
    for (int i = 0; i < serviceCount; ++i) QDBusConnection::disconnectFromBus(serviceName(i));
    QDBusConnection::disconnectFromBus(QStringLiteral("program"));
    qDeleteAll(standIns);
  }

  static QString serviceName(int i) { return QStringLiteral("stand-in-%1").arg(i); }

  // A stand-in answering on the bus from its own thread, so that the
  // notice's waiting call on this thread gets its answer. A later one
  // takes the service's name over from an earlier one, which goes.
  StandInNotifications* startStandIn(const QStringList& capabilities, bool refuse = false) {
    if (serviceCount > 0) QDBusConnection::disconnectFromBus(serviceName(serviceCount - 1));
    auto* standIn = new StandInNotifications(capabilities, refuse);
    standIns.push_back(standIn);
    standIn->moveToThread(&serviceThread);
    QDBusConnection service = QDBusConnection::connectToBus(bus.address(), serviceName(serviceCount++));
    EXPECT_TRUE(service.isConnected());
    EXPECT_TRUE(service.registerObject(QStringLiteral("/org/freedesktop/Notifications"), standIn,
                                       QDBusConnection::ExportAllSlots));
    EXPECT_TRUE(service.registerService(QStringLiteral("org.freedesktop.Notifications")));
    return standIn;
  }

  DBusUserNotice notice(Fallback& fallback) {
    return DBusUserNotice(QDBusConnection::connectToBus(bus.address(), QStringLiteral("program")),
                          [&fallback](const QString& summary, const QString& body) {
                            fallback.summary = summary;
                            fallback.body = body;
                            ++fallback.calls;
                          });
  }

  PrivateBus bus;
  QThread serviceThread;
  std::vector<StandInNotifications*> standIns;
  int serviceCount = 0;
};

const QString kSummary = QStringLiteral("Could not open \u201cnotes <draft> & more.zzz\u201d");
const QString kBody = QStringLiteral(
    "No program is set to open files of the type \u201cunknown\u201d.\n"
    "/home/ann/notes <draft> & more.zzz");

// The service has the notification, naming the file and the reason, when
// tell() returns; the body is escaped only for a service that reads markup.
TEST_F(UserNoticeTest, TheNotificationServiceGetsTheFileAndTheReason) {
  const struct {
    QStringList capabilities;
    QString body;
  } cases[] = {
      {{QStringLiteral("body")}, kBody},
      {{QStringLiteral("body"), QStringLiteral("body-markup")},
       QStringLiteral("No program is set to open files of the type \u201cunknown\u201d.\n"
                      "/home/ann/notes &lt;draft&gt; &amp; more.zzz")},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.capabilities.join(u' ').toStdString());
    StandInNotifications* standIn = startStandIn(c.capabilities);
    Fallback fallback;
    notice(fallback).tell(kSummary, kBody);
    const std::vector<Received> received = standIn->received();
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0].appName, QStringLiteral("Orvanta"));
    EXPECT_EQ(received[0].summary, kSummary);
    EXPECT_EQ(received[0].body, c.body);
    EXPECT_EQ(received[0].hints.value(QStringLiteral("desktop-entry")).toString(),
              QStringLiteral("org.orvanta.Orvanta"));
    EXPECT_EQ(received[0].timeout, -1);
    EXPECT_EQ(fallback.calls, 0);
  }
}

// No service on the bus, a service that refuses, no bus at all: the
// message box's stand-in gets the text as it was given.
TEST_F(UserNoticeTest, WithoutAServiceTheFallbackShowsIt) {
  {
    Fallback fallback;
    notice(fallback).tell(kSummary, kBody);
    EXPECT_EQ(fallback.calls, 1);
    EXPECT_EQ(fallback.summary, kSummary);
    EXPECT_EQ(fallback.body, kBody);
  }
  {
    StandInNotifications* standIn = startStandIn({QStringLiteral("body")}, /*refuse=*/true);
    Fallback fallback;
    notice(fallback).tell(kSummary, kBody);
    EXPECT_EQ(standIn->received().size(), 1u);
    EXPECT_EQ(fallback.calls, 1);
    EXPECT_EQ(fallback.body, kBody);
  }
  {
    Fallback fallback;
    DBusUserNotice(QDBusConnection::connectToBus(QStringLiteral("unix:path=/nonexistent/bus"), QStringLiteral("none")),
                   [&fallback](const QString& summary, const QString& body) {
                     fallback.summary = summary;
                     fallback.body = body;
                     ++fallback.calls;
                   })
        .tell(kSummary, kBody);
    QDBusConnection::disconnectFromBus(QStringLiteral("none"));
    EXPECT_EQ(fallback.calls, 1);
    EXPECT_EQ(fallback.summary, kSummary);
  }
}

}  // namespace
}  // namespace orvanta::platform
