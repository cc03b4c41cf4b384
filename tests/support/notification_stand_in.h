// A private D-Bus bus for tests (a dbus-daemon of the test's own, listening
// in a temporary folder, activating only the services of a folder the test
// names) and a stand-in
// desktop notification service that records the calls it gets.
#pragma once

#include <QDBusContext>
#include <QMutex>
#include <QObject>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>
#include <QVariantMap>

#include <vector>

namespace orvanta::testing {

// A bus of the test's own: a dbus-daemon listening in a temporary folder.
// With `serviceFolder`, it starts the services whose files are there on
// demand, with the daemon's environment as the test updates it.
class PrivateBus {
 public:
  explicit PrivateBus(const QString& serviceFolder = QString());
  ~PrivateBus();
  // Empty when the daemon did not start.
  const QString& address() const { return address_; }

 private:
  QTemporaryDir folder_;
  QProcess daemon_;
  QString address_;
};

// One Notify call as the stand-in received it.
struct Received {
  QString appName;
  QString summary;
  QString body;
  QVariantMap hints;
  int timeout = 0;
};

// The notification service's two methods the program uses.
class StandInNotifications : public QObject, protected QDBusContext {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

 public:
  StandInNotifications(QStringList capabilities, bool refuse)
      : capabilities_(std::move(capabilities)), refuse_(refuse) {}

  std::vector<Received> received() const {
    const QMutexLocker lock(&mutex_);
    return received_;
  }

 public slots:
  QStringList GetCapabilities() { return capabilities_; }
  uint Notify(const QString& appName, uint /*replacesId*/, const QString& /*icon*/, const QString& summary,
              const QString& body, const QStringList& /*actions*/, const QVariantMap& hints, int timeout) {
    {
      const QMutexLocker lock(&mutex_);
      received_.push_back({appName, summary, body, hints, timeout});
    }
    if (refuse_) sendErrorReply(QDBusError::AccessDenied, QStringLiteral("not now"));
    return 7;
  }

 private:
  const QStringList capabilities_;
  const bool refuse_;
  mutable QMutex mutex_;
  std::vector<Received> received_;
};

}  // namespace orvanta::testing
