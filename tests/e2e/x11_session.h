// An X session for end-to-end tests: a virtual X server (Xvfb) on a free
// display number with the openbox window manager, programs started in it,
// xdotool driving it, and everything stopped again with the object.
#pragma once

#include <QImage>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRect>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>
#include <optional>
#include <vector>

namespace orvanta::testing {

class X11Session {
 public:
  // A screen of `screenSize` pixels ("1280x800").
  explicit X11Session(const QString& screenSize = QStringLiteral("1280x800"));
  ~X11Session();

  // Empty when the session is up; otherwise why it is not.
  const QString& error() const { return error_; }
  const QString& display() const { return display_; }

  // The environment for programs in the session (DISPLAY, Qt on xcb).
  QProcessEnvironment environment() const;

  // Starts `program` in the session; the session stops it at the end if it
  // is still running.
  QProcess& start(const QString& program, const QStringList& arguments,
                  const QProcessEnvironment& environment);

  // Runs a tool of the session (xdotool, xprop, ...) to its end; its
  // trimmed output, or nothing when it fails or runs past `timeoutMs`.
  std::optional<QString> run(const QString& program, const QStringList& arguments, int timeoutMs = 10000);
  std::optional<QString> xdotool(const QStringList& arguments, int timeoutMs = 10000) {
    return run(QStringLiteral("xdotool"), arguments, timeoutMs);
  }

  // The first visible window whose name matches `pattern` (a regular
  // expression), waiting for it up to `timeoutMs`.
  std::optional<QString> waitForWindow(const QString& pattern, int timeoutMs = 10000);
  // A window's place and size on the screen.
  std::optional<QRect> geometry(const QString& window);
  // The window that has the keyboard focus.
  std::optional<QString> focusedWindow();
  // Clicks at a point of the screen.
  bool clickAt(QPoint point);

  // A picture of a part of the screen, taken with `grabTool`.
  QImage grab(const QString& grabTool, const QRect& area);

  // Waits up to `timeoutMs` for `process` to end; its exit status, or
  // nothing when it is still running or crashed.
  static std::optional<int> waitForExit(QProcess& process, int timeoutMs = 10000);

 private:
  void stop(QProcess& process);

  QString error_;
  QString display_;
  // The session's own runtime folder, so programs of one session never meet
  // those of another (or a program the developer runs) on a local socket.
  std::unique_ptr<QTemporaryDir> runtimeFolder_;
  std::unique_ptr<QProcess> server_;
  std::unique_ptr<QProcess> windowManager_;
  std::vector<std::unique_ptr<QProcess>> programs_;
};

}  // namespace orvanta::testing
