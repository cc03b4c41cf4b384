// Program start on a freedesktop system. The Windows Explorer program,
// which opens whatever path it is given, is played by the desktop's file
// opener (xdg-open, or gio open where xdg-open is missing).
#pragma once

#include "program_start.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace orvanta::platform {

class DesktopProgramStart : public ProgramStart {
 public:
  struct Launch {
    QString program;
    QStringList arguments;
  };

  // `fileOpener`: the program and leading arguments that open a path with
  // the desktop's default application; empty when there is none.
  explicit DesktopProgramStart(QStringList fileOpener);

  // {"xdg-open"} when it is on the PATH, else {"gio", "open"}, else empty.
  static QStringList findFileOpener();

  // What start() runs for `commandLine`: its program and arguments; for the
  // Explorer program (c:\windows\explorer.exe in any letter case) the file
  // opener with the whole command tail as one argument (the home folder
  // when the tail is empty). Nothing when there is no program to start.
  std::optional<Launch> plan(const QString& commandLine) const;

  // The window style cannot be chosen by a starter here and is not used.
  bool start(const QString& commandLine, int windowStyle) override;

 private:
  QStringList fileOpener_;
};

}  // namespace orvanta::platform
