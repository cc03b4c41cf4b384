// Notices on a freedesktop desktop, through Qt D-Bus.
#include "dbus_user_notice.h"

#include <QDBusMessage>
#include <QVariantMap>

#include <optional>

namespace orvanta::platform {
namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kInterface = QStringLiteral("org.freedesktop.Notifications");
// Long enough for a service the bus starts on demand.
constexpr int kCallTimeoutMs = 5000;

// Whether the service reads markup in a body (it then needs its text
// escaped); nothing when no service answers, which then is not asked again.
std::optional<bool> readsBodyMarkup(const QDBusConnection& bus) {
  const QDBusMessage call =
      QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("GetCapabilities"));
  const QDBusMessage reply = bus.call(call, QDBus::Block, kCallTimeoutMs);
  if (reply.type() != QDBusMessage::ReplyMessage) return std::nullopt;
  return !reply.arguments().isEmpty() &&
         reply.arguments().constFirst().toStringList().contains(QStringLiteral("body-markup"));
}

}  // namespace

DBusUserNotice::DBusUserNotice(QDBusConnection bus, Fallback fallback)
    : bus_(std::move(bus)), fallback_(std::move(fallback)) {}

void DBusUserNotice::tell(const QString& summary, const QString& body) {
  const std::optional<bool> markup = bus_.isConnected() ? readsBodyMarkup(bus_) : std::nullopt;
  if (markup) {
    const QString text = *markup ? body.toHtmlEscaped() : body;
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("Notify"));
    QVariantMap hints;
    hints.insert(QStringLiteral("urgency"), QVariant::fromValue(uchar(1)));
    hints.insert(QStringLiteral("desktop-entry"), QStringLiteral("org.orvanta.Orvanta"));
    call << QStringLiteral("Orvanta") << uint(0) << QStringLiteral("org.orvanta.Orvanta") << summary << text
         << QStringList() << hints << int(-1);
    const QDBusMessage reply = bus_.call(call, QDBus::Block, kCallTimeoutMs);
    if (reply.type() == QDBusMessage::ReplyMessage) return;
  }
  if (fallback_) fallback_(summary, body);
}

std::unique_ptr<UserNotice> createSystemUserNotice() {
  return std::make_unique<DBusUserNotice>(QDBusConnection::sessionBus(), &showNoticeBox);
}

}  // namespace orvanta::platform
