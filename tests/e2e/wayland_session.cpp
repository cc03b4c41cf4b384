// Headless compositors for the end-to-end tests.
#include "wayland_session.h"

#include "wait_for.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QStandardPaths>

#include <sys/stat.h>
#include <signal.h>
#include <unistd.h>

#include <cstdlib>

namespace orvanta::testing {
namespace {

// The user the session runs as when the tests run as root.
constexpr uid_t kNobody = 65534;

bool runningAsRoot() { return ::geteuid() == 0; }

QString binaryOf(Compositor compositor) {
  switch (compositor) {
    case Compositor::Mutter:
      return QStringLiteral("mutter");
    case Compositor::KWin:
      return QStringLiteral("kwin_wayland");
    case Compositor::Sway:
      return QStringLiteral("sway");
  }
  return {};
}

}  // namespace

WaylandSession::WaylandSession(Compositor compositor) : compositor_(compositor) {
  const QString binary = binaryOf(compositor);
  if (QStandardPaths::findExecutable(binary).isEmpty()) {
    unavailable_ = binary + QStringLiteral(" is not installed");
    return;
  }
  if (compositor == Compositor::Sway && QStandardPaths::findExecutable(QStringLiteral("wtype")).isEmpty()) {
    unavailable_ = QStringLiteral("wtype is not installed");
    return;
  }
  if (QStandardPaths::findExecutable(QStringLiteral("Xwayland")).isEmpty()) {
    unavailable_ = QStringLiteral("Xwayland is not installed");
    return;
  }
  QByteArray pattern = QDir::tempPath().toLocal8Bit() + "/orvanta-wayland-XXXXXX";
  if (!::mkdtemp(pattern.data())) {
    unavailable_ = QStringLiteral("no session folder");
    return;
  }
  folder_ = QString::fromLocal8Bit(pattern);
  runtime_ = folder_ + QStringLiteral("/run");
  home_ = folder_ + QStringLiteral("/home");
  QDir().mkpath(runtime_);
  QDir().mkpath(home_ + QStringLiteral("/.config"));
  for (const QString& path : {folder_, runtime_, home_, home_ + QStringLiteral("/.config")}) {
    ::chmod(QFile::encodeName(path).constData(), 0700);
    handOver(path);
  }
  if (!startCompositor() && unavailable_.isEmpty()) {
    // The compositor's last words, on the same line.
    QFile log(runtime_ + QStringLiteral("/compositor.log"));
    const QString said = log.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(log.readAll()).trimmed() : QString();
    unavailable_ = name() + QStringLiteral(" did not start");
    if (!said.isEmpty()) unavailable_ += QStringLiteral(": ") + said.right(300).simplified();
  }
}

WaylandSession::~WaylandSession() {
  for (auto& program : programs_) {
    if (program->state() == QProcess::NotRunning) continue;
    program->kill();
    program->waitForFinished(5000);
  }
  if (compositorProcess_ && compositorProcess_->state() != QProcess::NotRunning) {
    // The compositor leads a process group of its own, with its X server
    // and, for mutter, its bus.
    const pid_t group = pid_t(compositorProcess_->processId());
    ::kill(-group, SIGTERM);
    if (!compositorProcess_->waitForFinished(5000)) {
      ::kill(-group, SIGKILL);
      compositorProcess_->waitForFinished(5000);
    }
    // What was left of the group after its leader ended.
    waitUntil([group] { return ::kill(-group, 0) != 0; }, 5000) || ::kill(-group, SIGKILL) == 0;
  }
  if (!folder_.isEmpty()) QDir(folder_).removeRecursively();
}

QString WaylandSession::name() const {
  return compositor_ == Compositor::KWin ? QStringLiteral("KWin") : binaryOf(compositor_);
}

void WaylandSession::handOver(const QString& path) const {
  if (runningAsRoot()) (void)::chown(QFile::encodeName(path).constData(), kNobody, kNobody);
}

QStringList WaylandSession::asUser(const QString& program, const QStringList& arguments) const {
  if (!runningAsRoot()) return QStringList{program} + arguments;
  return QStringList{QStringLiteral("setpriv"), QStringLiteral("--reuid=%1").arg(kNobody),
                     QStringLiteral("--regid=%1").arg(kNobody), QStringLiteral("--clear-groups"),
                     QStringLiteral("--")} +
         QStringList{program} + arguments;
}

QProcessEnvironment WaylandSession::environment() const {
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "XAUTHORITY", "QT_QPA_PLATFORM", "DBUS_SESSION_BUS_ADDRESS",
                           "XDG_CONFIG_HOME", "XDG_CACHE_HOME", "XDG_DATA_HOME"}) {
    environment.remove(QString::fromLatin1(name));
  }
  // Under AddressSanitizer, its strict string checks trip inside
  // libxkbcommon-x11, which reads XWayland's keymap names with strndup of
  // counted, unterminated text; the library's reads are within bounds.
  if (environment.contains(QStringLiteral("ASAN_OPTIONS"))) {
    environment.insert(QStringLiteral("ASAN_OPTIONS"),
                       environment.value(QStringLiteral("ASAN_OPTIONS")) + QStringLiteral(":strict_string_checks=0"));
  }
  environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime_);
  environment.insert(QStringLiteral("HOME"), home_);
  if (!waylandDisplay_.isEmpty()) environment.insert(QStringLiteral("WAYLAND_DISPLAY"), waylandDisplay_);
  if (!display_.isEmpty()) environment.insert(QStringLiteral("DISPLAY"), display_);
  if (!xauthority_.isEmpty()) environment.insert(QStringLiteral("XAUTHORITY"), xauthority_);
  return environment;
}

bool WaylandSession::startCompositor() {
  compositorProcess_ = std::make_unique<QProcess>();
  QProcessEnvironment environment = this->environment();
  const QString log = runtime_ + QStringLiteral("/compositor.log");
  const QString sessionEnvironment = runtime_ + QStringLiteral("/session-environment");
  QStringList command;
  if (compositor_ == Compositor::Mutter) {
    // mutter wants a session bus of its own.
    command = asUser(QStringLiteral("dbus-run-session"),
                     {QStringLiteral("--"), QStringLiteral("mutter"), QStringLiteral("--wayland"),
                      QStringLiteral("--headless"), QStringLiteral("--virtual-monitor"), QStringLiteral("1280x800")});
  } else if (compositor_ == Compositor::KWin) {
    // Debian's kwin_wayland carries a file capability that a start by
    // another user may be refused; a copy carries none. It starts a
    // program with the session's environment, which names the displays in
    // its log.
    const QString copy = folder_ + QStringLiteral("/kwin_wayland");
    if (!QFile::copy(QStandardPaths::findExecutable(QStringLiteral("kwin_wayland")), copy)) return false;
    handOver(copy);
    command = asUser(
        copy, {QStringLiteral("--virtual"), QStringLiteral("--xwayland"), QStringLiteral("--width"),
               QStringLiteral("1280"), QStringLiteral("--height"), QStringLiteral("800"), QStringLiteral("--socket"),
               QStringLiteral("orvanta-kwin"), QStandardPaths::findExecutable(QStringLiteral("env"))});
  } else {
    // sway on its headless backend, drawing in memory; it writes the
    // environment it gives its programs (the X display) where the test
    // reads it.
    const QString config = folder_ + QStringLiteral("/sway.conf");
    QFile file(config);
    if (!file.open(QIODevice::WriteOnly)) return false;
    file.write("xwayland enable\noutput HEADLESS-1 resolution 1280x800\nexec env > " +
               QFile::encodeName(sessionEnvironment) + "\n");
    file.close();
    handOver(config);
    environment.insert(QStringLiteral("WLR_BACKENDS"), QStringLiteral("headless"));
    environment.insert(QStringLiteral("WLR_LIBINPUT_NO_DEVICES"), QStringLiteral("1"));
    environment.insert(QStringLiteral("WLR_RENDERER"), QStringLiteral("pixman"));
    command = asUser(QStringLiteral("sway"), {QStringLiteral("-c"), config});
  }
  compositorProcess_->setProcessEnvironment(environment);
  compositorProcess_->setChildProcessModifier([] { ::setpgid(0, 0); });
  // KWin's program prints the environment on standard output, which is
  // kept apart from the X server's messages.
  const QString output = runtime_ + QStringLiteral("/compositor.out");
  compositorProcess_->setStandardOutputFile(compositor_ == Compositor::KWin ? output : log);
  compositorProcess_->setStandardErrorFile(log);
  compositorProcess_->start(command.takeFirst(), command);
  if (!compositorProcess_->waitForStarted()) return false;

  const auto readLog = [&] {
    QFile file(compositor_ == Compositor::KWin ? output : log);
    return file.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(file.readAll()) : QString();
  };
  const auto stopped = [this] { return compositorProcess_->state() == QProcess::NotRunning; };
  if (compositor_ == Compositor::Mutter) {
    // mutter names both displays in its log and keeps the X display's
    // cookie in the runtime folder.
    const QRegularExpression wayland(QStringLiteral("Using Wayland display name '([^']+)'"));
    const QRegularExpression x11(QStringLiteral("Using public X11 display (:\\d+)"));
    if (!waitUntil(
            [&] { return stopped() || (wayland.match(readLog()).hasMatch() && x11.match(readLog()).hasMatch()); },
            20000) ||
        stopped()) {
      return false;
    }
    const QString text = readLog();
    waylandDisplay_ = wayland.match(text).captured(1);
    display_ = x11.match(text).captured(1);
    const QStringList cookies =
        QDir(runtime_).entryList({QStringLiteral(".mutter-Xwaylandauth.*")}, QDir::Files | QDir::Hidden);
    if (cookies.isEmpty()) return false;
    xauthority_ = runtime_ + u'/' + cookies.first();
  } else if (compositor_ == Compositor::KWin) {
    const QRegularExpression wayland(QStringLiteral("^WAYLAND_DISPLAY=(.+)$"), QRegularExpression::MultilineOption);
    const QRegularExpression x11(QStringLiteral("^DISPLAY=(.+)$"), QRegularExpression::MultilineOption);
    if (!waitUntil(
            [&] { return stopped() || (wayland.match(readLog()).hasMatch() && x11.match(readLog()).hasMatch()); },
            20000) ||
        stopped()) {
      return false;
    }
    const QString text = readLog();
    waylandDisplay_ = wayland.match(text).captured(1);
    display_ = x11.match(text).captured(1);
  } else {
    if (!waitUntil([&] { return stopped() || QFile::exists(sessionEnvironment); }, 20000) || stopped()) return false;
    // The file is written once the command has ended.
    if (!waitUntil([&] {
          QFile file(sessionEnvironment);
          if (!file.open(QIODevice::ReadOnly)) return false;
          const QString text = QString::fromLocal8Bit(file.readAll());
          const auto wayland =
              QRegularExpression(QStringLiteral("^WAYLAND_DISPLAY=(.+)$"), QRegularExpression::MultilineOption)
                  .match(text);
          const auto x11 =
              QRegularExpression(QStringLiteral("^DISPLAY=(.+)$"), QRegularExpression::MultilineOption).match(text);
          if (!wayland.hasMatch() || !x11.hasMatch()) return false;
          waylandDisplay_ = wayland.captured(1);
          display_ = x11.captured(1);
          return true;
        })) {
      return false;
    }
  }
  // The X display answers (XWayland starts on the first client).
  return waitUntil([&] { return run(QStringLiteral("xdotool"), {QStringLiteral("getdisplaygeometry")}).has_value(); },
                   20000);
}

QProcess& WaylandSession::start(const QString& program, const QStringList& arguments) {
  auto process = std::make_unique<QProcess>();
  process->setProcessEnvironment(environment());
  process->setProcessChannelMode(QProcess::MergedChannels);
  QStringList command = asUser(program, arguments);
  process->start(command.takeFirst(), command);
  programs_.push_back(std::move(process));
  return *programs_.back();
}

std::optional<QString> WaylandSession::run(const QString& program, const QStringList& arguments, int timeoutMs) {
  QProcess process;
  process.setProcessEnvironment(environment());
  QStringList command = asUser(program, arguments);
  process.start(command.takeFirst(), command);
  if (!process.waitForFinished(timeoutMs)) {
    process.kill();
    process.waitForFinished();
    return std::nullopt;
  }
  if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) return std::nullopt;
  return QString::fromLocal8Bit(process.readAllStandardOutput()).trimmed();
}

std::optional<QString> WaylandSession::waitForWindow(const QString& pattern, int timeoutMs) {
  std::optional<QString> window;
  waitUntil(
      [&] {
        const auto found = run(QStringLiteral("xdotool"), {QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                                                           QStringLiteral("--name"), pattern});
        if (!found || found->isEmpty()) return false;
        window = found->section(u'\n', 0, 0);
        return true;
      },
      timeoutMs);
  return window;
}

std::optional<QRect> WaylandSession::geometry(const QString& window) {
  const auto shell =
      run(QStringLiteral("xdotool"), {QStringLiteral("getwindowgeometry"), QStringLiteral("--shell"), window});
  if (!shell) return std::nullopt;
  QHash<QString, int> values;
  for (const QString& line : shell->split(u'\n'))
    values.insert(line.section(u'=', 0, 0), line.section(u'=', 1).toInt());
  return QRect(values.value(QStringLiteral("X")), values.value(QStringLiteral("Y")),
               values.value(QStringLiteral("WIDTH")), values.value(QStringLiteral("HEIGHT")));
}

std::optional<QString> WaylandSession::focusedWindow() {
  return run(QStringLiteral("xdotool"), {QStringLiteral("getwindowfocus")});
}

bool WaylandSession::typeAndEnter(const QString& text) {
  if (typesWithVirtualKeyboard()) {
    // XWayland drops the first keys of a new virtual keyboard (each wtype
    // is one) while it takes the keyboard's keymap: a modifier goes first,
    // and the words after wtype's own pause.
    return run(QStringLiteral("wtype"),
               {QStringLiteral("-M"), QStringLiteral("shift"), QStringLiteral("-m"), QStringLiteral("shift"),
                QStringLiteral("-s"), QStringLiteral("300"), text, QStringLiteral("-k"), QStringLiteral("Return")})
        .has_value();
  }
  return run(QStringLiteral("xdotool"), {QStringLiteral("key"), QStringLiteral("shift")}).has_value() &&
         run(QStringLiteral("xdotool"), {QStringLiteral("type"), QStringLiteral("--"), text}).has_value() &&
         run(QStringLiteral("xdotool"), {QStringLiteral("key"), QStringLiteral("Return")}).has_value();
}

}  // namespace orvanta::testing
