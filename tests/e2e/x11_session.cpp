// The X session of the end-to-end tests.
#include "x11_session.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>

namespace orvanta::testing {
namespace {

constexpr int kStartTimeoutMs = 15000;
constexpr int kWindowManagerTimeoutMs = 30000;
constexpr int kWindowManagerStarts = 3;
constexpr int kPollMs = 50;

}  // namespace

X11Session::X11Session() {
  runtimeFolder_ = std::make_unique<QTemporaryDir>();
  if (!runtimeFolder_->isValid()) {
    error_ = QStringLiteral("no runtime folder");
    return;
  }
  QFile::setPermissions(runtimeFolder_->path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
  // -displayfd picks a free display number and writes it to our stdout.
  server_ = std::make_unique<QProcess>();
  server_->setProgram(QStringLiteral("Xvfb"));
  server_->setArguments({QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
                         QStringLiteral("0"), QStringLiteral("1280x800x24"), QStringLiteral("-nolisten"),
                         QStringLiteral("tcp")});
  server_->start();
  QDeadlineTimer deadline(kStartTimeoutMs);
  while (!server_->canReadLine() && !deadline.hasExpired() && server_->state() != QProcess::NotRunning) {
    server_->waitForReadyRead(kPollMs);
  }
  const QString number = QString::fromLatin1(server_->readLine()).trimmed();
  if (number.isEmpty()) {
    error_ = QStringLiteral("Xvfb did not start: ") + QString::fromLocal8Bit(server_->readAllStandardError());
    return;
  }
  display_ = QLatin1Char(':') + number;

  // The window manager is ready once it announces itself on the root window.
  // One that ends before it does (on a loaded machine it sometimes loses a
  // race with the new server) is started again; what it said is kept for
  // the error.
  QDeadlineTimer managerDeadline(kWindowManagerTimeoutMs);
  QString managerOutput;
  int starts = 0;
  while (!managerDeadline.hasExpired()) {
    if (!windowManager_ || windowManager_->state() == QProcess::NotRunning) {
      if (windowManager_) {
        managerOutput += QString::fromLocal8Bit(windowManager_->readAll());
        windowManager_->waitForFinished(0);
      }
      if (starts == kWindowManagerStarts) break;
      windowManager_ = std::make_unique<QProcess>();
      windowManager_->setProcessEnvironment(environment());
      windowManager_->setProcessChannelMode(QProcess::MergedChannels);
      windowManager_->setProgram(QStringLiteral("openbox"));
      windowManager_->start();
      ++starts;
    }
    const auto check = run(QStringLiteral("xprop"), {QStringLiteral("-root"), QStringLiteral("_NET_SUPPORTING_WM_CHECK")});
    if (check && check->contains(QStringLiteral("window id"))) return;
    QThread::msleep(kPollMs);
  }
  if (windowManager_) managerOutput += QString::fromLocal8Bit(windowManager_->readAll());
  error_ = QStringLiteral("openbox did not start (%1 tries): %2").arg(starts).arg(managerOutput.trimmed());
}

X11Session::~X11Session() {
  for (auto& program : programs_) stop(*program);
  if (windowManager_) stop(*windowManager_);
  if (server_) stop(*server_);
}

void X11Session::stop(QProcess& process) {
  if (process.state() == QProcess::NotRunning) return;
  process.terminate();
  if (!process.waitForFinished(3000)) {
    process.kill();
    process.waitForFinished(3000);
  }
}

QProcessEnvironment X11Session::environment() const {
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert(QStringLiteral("DISPLAY"), display_);
  environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
  environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
  if (runtimeFolder_) environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtimeFolder_->path());
  // Under AddressSanitizer: the X keyboard library hands strndup a buffer
  // without a terminating zero, which the strict string check reads past
  // (a report inside the system library, on every start of an X client).
  const QString asan = environment.value(QStringLiteral("ASAN_OPTIONS"));
  if (!asan.isEmpty()) {
    environment.insert(QStringLiteral("ASAN_OPTIONS"), asan + QStringLiteral(":strict_string_checks=0"));
  }
  return environment;
}

QProcess& X11Session::start(const QString& program, const QStringList& arguments,
                            const QProcessEnvironment& environment) {
  auto process = std::make_unique<QProcess>();
  process->setProcessEnvironment(environment);
  process->setProcessChannelMode(QProcess::ForwardedChannels);
  process->start(program, arguments);
  process->waitForStarted(kStartTimeoutMs);
  programs_.push_back(std::move(process));
  return *programs_.back();
}

std::optional<QString> X11Session::run(const QString& program, const QStringList& arguments, int timeoutMs) {
  QProcess process;
  process.setProcessEnvironment(environment());
  process.start(program, arguments);
  if (!process.waitForFinished(timeoutMs)) {
    stop(process);
    return std::nullopt;
  }
  if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) return std::nullopt;
  return QString::fromLocal8Bit(process.readAllStandardOutput()).trimmed();
}

std::optional<QString> X11Session::waitForWindow(const QString& pattern, int timeoutMs) {
  // xdotool gives up when a window goes away while it searches (the browser
  // engine makes and drops windows as it starts), so it searches again.
  const QDeadlineTimer deadline(timeoutMs);
  do {
    const auto found = xdotool({QStringLiteral("search"), QStringLiteral("--sync"), QStringLiteral("--onlyvisible"),
                                QStringLiteral("--name"), pattern},
                               int(std::max<qint64>(deadline.remainingTime(), kPollMs)));
    if (found && !found->isEmpty()) return found->split(QLatin1Char('\n')).first().trimmed();
    QThread::msleep(kPollMs);
  } while (!deadline.hasExpired());
  return std::nullopt;
}

std::optional<QRect> X11Session::geometry(const QString& window) {
  const auto shell = xdotool({QStringLiteral("getwindowgeometry"), QStringLiteral("--shell"), window});
  if (!shell) return std::nullopt;
  int values[4] = {0, 0, 0, 0};
  const char* names[4] = {"X", "Y", "WIDTH", "HEIGHT"};
  for (const QString& line : shell->split(QLatin1Char('\n'))) {
    for (int i = 0; i < 4; ++i) {
      if (line.startsWith(QLatin1String(names[i]) + QLatin1Char('='))) values[i] = line.section(QLatin1Char('='), 1).toInt();
    }
  }
  return QRect(values[0], values[1], values[2], values[3]);
}

std::optional<QString> X11Session::focusedWindow() { return xdotool({QStringLiteral("getwindowfocus")}); }

bool X11Session::clickAt(QPoint point) {
  return xdotool({QStringLiteral("mousemove"), QString::number(point.x()), QString::number(point.y()),
                  QStringLiteral("click"), QStringLiteral("1")})
      .has_value();
}

QImage X11Session::grab(const QString& grabTool, const QRect& area) {
  QTemporaryDir dir;
  const QString file = dir.filePath(QStringLiteral("grab.png"));
  const auto done = run(grabTool, {file, QString::number(area.x()), QString::number(area.y()),
                                   QString::number(area.width()), QString::number(area.height())});
  return done ? QImage(file) : QImage();
}

std::optional<int> X11Session::waitForExit(QProcess& process, int timeoutMs) {
  if (process.state() != QProcess::NotRunning && !process.waitForFinished(timeoutMs)) return std::nullopt;
  if (process.exitStatus() != QProcess::NormalExit) return std::nullopt;
  return process.exitCode();
}

}  // namespace orvanta::testing
