// A headless Wayland compositor with XWayland for end-to-end tests: GNOME's
// mutter, KWin or sway, started from Debian's packages as an unprivileged
// user (nobody, when the tests run as root) with a runtime folder of its
// own. Programs and tools run as that user on the compositor's X display;
// typing goes through the virtual keyboard protocol (wtype) where the
// compositor has it, through xdotool on the X display otherwise.
#pragma once

#include <QProcess>
#include <QProcessEnvironment>
#include <QRect>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>
#include <vector>

namespace orvanta::testing {

enum class Compositor { Mutter, KWin, Sway };

class WaylandSession {
 public:
  explicit WaylandSession(Compositor compositor);
  ~WaylandSession();

  // Why the compositor is not there (not installed, did not start); empty
  // when the session is up.
  const QString& unavailable() const { return unavailable_; }
  QString name() const;

  // The session's folder, which the session's user owns: the home and
  // configuration folders of the programs live here.
  const QString& folder() const { return folder_; }
  // Hands `path` (made by this process) over to the session's user.
  void handOver(const QString& path) const;

  // Starts `program` as the session's user in the session (DISPLAY,
  // WAYLAND_DISPLAY, the runtime folder, the home folder); stopped with
  // the session.
  QProcess& start(const QString& program, const QStringList& arguments);
  // Runs a tool as the session's user to its end; its trimmed output, or
  // nothing when it failed or ran past `timeoutMs`.
  std::optional<QString> run(const QString& program, const QStringList& arguments, int timeoutMs = 10000);

  // The first visible X window whose name matches `pattern`, waited for.
  std::optional<QString> waitForWindow(const QString& pattern, int timeoutMs = 10000);
  std::optional<QRect> geometry(const QString& window);
  std::optional<QString> focusedWindow();
  // Types `text`, then presses Return, as a keyboard of the session does.
  bool typeAndEnter(const QString& text);
  // Whether typing goes through the virtual keyboard protocol.
  bool typesWithVirtualKeyboard() const { return compositor_ == Compositor::Sway; }

 private:
  QStringList asUser(const QString& program, const QStringList& arguments) const;
  QProcessEnvironment environment() const;
  bool startCompositor();

  Compositor compositor_;
  QString unavailable_;
  QString folder_;
  QString runtime_;
  QString home_;
  QString waylandDisplay_;
  QString display_;
  QString xauthority_;
  std::unique_ptr<QProcess> compositorProcess_;
  std::vector<std::unique_ptr<QProcess>> programs_;
};

}  // namespace orvanta::testing
