// The power source from UPower's OnBattery property on the system bus
// (org.freedesktop.UPower at /org/freedesktop/UPower), through QtDBus: its
// value at the start and whenever UPower says it changed. The system bus
// is the one DBUS_SYSTEM_BUS_ADDRESS names, when set.
#include "power_state.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>
#include <QDBusVariant>
#include <QStringList>
#include <QTimer>
#include <QVariantMap>

namespace orvanta::service {

namespace {

const QString kService = QStringLiteral("org.freedesktop.UPower");
const QString kPath = QStringLiteral("/org/freedesktop/UPower");
const QString kProperties = QStringLiteral("org.freedesktop.DBus.Properties");
const QString kProperty = QStringLiteral("OnBattery");

class UPowerState final : public PowerState {
  Q_OBJECT

 public:
  explicit UPowerState(std::function<void(bool)> changed)
      : changed_(std::move(changed)), bus_(QDBusConnection::systemBus()) {
    if (!bus_.isConnected()) {
      QTimer::singleShot(0, this, [this] { take(false); });
      return;
    }
    bus_.connect(kService, kPath, kProperties, QStringLiteral("PropertiesChanged"), this,
                 SLOT(propertiesChanged(QString, QVariantMap, QStringList)));
    // UPower started later or again: its value is asked anew; gone, the
    // machine counts as on mains power.
    watcher_ = new QDBusServiceWatcher(
        kService, bus_, QDBusServiceWatcher::WatchForRegistration | QDBusServiceWatcher::WatchForUnregistration, this);
    QObject::connect(watcher_, &QDBusServiceWatcher::serviceRegistered, this, [this] { ask(); });
    QObject::connect(watcher_, &QDBusServiceWatcher::serviceUnregistered, this, [this] { take(false); });
    ask();
  }

 private slots:
  void propertiesChanged(const QString& interface, const QVariantMap& changed, const QStringList& invalidated) {
    if (interface != kService) return;
    const auto value = changed.constFind(kProperty);
    if (value != changed.cend()) {
      take(value->toBool());
    } else if (invalidated.contains(kProperty)) {
      ask();
    }
  }

 private:
  void ask() {
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kProperties, QStringLiteral("Get"));
    call << kService << kProperty;
    auto* pending = new QDBusPendingCallWatcher(bus_.asyncCall(call), this);
    QObject::connect(pending, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* watcher) {
      const QDBusPendingReply<QDBusVariant> reply = *watcher;
      // No UPower (or no answer): on mains power, as far as anyone knows.
      take(!reply.isError() && reply.value().variant().toBool());
      watcher->deleteLater();
    });
  }

  void take(bool onBattery) {
    if (known_ && onBattery == onBattery_) return;
    known_ = true;
    onBattery_ = onBattery;
    changed_(onBattery);
  }

  std::function<void(bool)> changed_;
  QDBusConnection bus_;
  QDBusServiceWatcher* watcher_ = nullptr;
  bool known_ = false;
  bool onBattery_ = false;
};

}  // namespace

std::unique_ptr<PowerState> createPowerState(std::function<void(bool onBattery)> changed) {
  return std::make_unique<UPowerState>(std::move(changed));
}

}  // namespace orvanta::service

#include "power_state_upower.moc"
