// Detached program start through QProcess, never through a shell.
#include "desktop_program_start.h"

#include <QDir>
#include <QProcess>
#include <QStandardPaths>

namespace orvanta::platform {

DesktopProgramStart::DesktopProgramStart(QStringList fileOpener) : fileOpener_(std::move(fileOpener)) {}

QStringList DesktopProgramStart::findFileOpener() {
  if (!QStandardPaths::findExecutable(QStringLiteral("xdg-open")).isEmpty()) return {QStringLiteral("xdg-open")};
  if (!QStandardPaths::findExecutable(QStringLiteral("gio")).isEmpty()) {
    return {QStringLiteral("gio"), QStringLiteral("open")};
  }
  return {};
}

std::optional<DesktopProgramStart::Launch> DesktopProgramStart::plan(const QString& commandLine) const {
  const QStringList parts = splitCommandLine(commandLine);
  if (parts.isEmpty() || parts.first().isEmpty()) return std::nullopt;
  if (parts.first().compare(QStringLiteral("c:\\windows\\explorer.exe"), Qt::CaseInsensitive) != 0) {
    return Launch{parts.first(), parts.mid(1)};
  }
  if (fileOpener_.isEmpty()) return std::nullopt;
  QString target = commandTail(commandLine);
  // Explorer without a path opens a file manager window on the user's files.
  if (target.isEmpty()) target = QDir::homePath();
  // The opener must never take the path for one of its options.
  if (target.startsWith(QLatin1Char('-'))) target.prepend(QStringLiteral("./"));
  return Launch{fileOpener_.first(), fileOpener_.mid(1) << target};
}

bool DesktopProgramStart::start(const QString& commandLine, int /*windowStyle*/) {
  const std::optional<Launch> launch = plan(commandLine);
  if (!launch) return false;
  return QProcess::startDetached(launch->program, launch->arguments);
}

std::unique_ptr<ProgramStart> createSystemProgramStart() {
  return std::make_unique<DesktopProgramStart>(DesktopProgramStart::findFileOpener());
}

}  // namespace orvanta::platform
