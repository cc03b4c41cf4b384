// Notices through the desktop's notification service
// (org.freedesktop.Notifications on the session bus), with a fallback for
// a session that has none.
#pragma once

#include "user_notice.h"

#include <QDBusConnection>

#include <functional>

namespace orvanta::platform {

class DBusUserNotice : public UserNotice {
 public:
  using Fallback = std::function<void(const QString& summary, const QString& body)>;

  // Sends notifications over `bus`; `fallback` shows what no notification
  // service took (showNoticeBox in the program).
  DBusUserNotice(QDBusConnection bus, Fallback fallback);

  // One Notify call, waited for: when it returns, the service has the
  // notification. A bus that is not there, a service that is not there or
  // does not answer within a few seconds, or an error answer: the fallback.
  void tell(const QString& summary, const QString& body) override;

 private:
  QDBusConnection bus_;
  Fallback fallback_;
};

}  // namespace orvanta::platform
