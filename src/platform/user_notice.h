// Telling the user what went wrong where no window of the program can say
// it any more (an open that failed as the panel closes): as the desktop
// tells things, in a notification, or in a message box where the desktop
// shows none.
#pragma once

#include <QString>

#include <memory>

namespace orvanta::platform {

class UserNotice {
 public:
  virtual ~UserNotice() = default;

  // Shows `summary` (one line) and `body` (plain text) to the user. Returns
  // once the desktop has taken the notification, or once the user has
  // closed the message box shown in its place, so that the program may end
  // right after.
  virtual void tell(const QString& summary, const QString& body) = 0;
};

// A message box with the program's name as its title, kept above other
// windows, that waits until the user closes it.
void showNoticeBox(const QString& summary, const QString& body);

// The notices of this machine's desktop.
std::unique_ptr<UserNotice> createSystemUserNotice();

}  // namespace orvanta::platform
