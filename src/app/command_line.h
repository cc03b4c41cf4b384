// The program's command line: what a start asks for, read before any
// window or display is touched, so that --help and --version work
// without a display.
#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace orvanta::app {

struct CommandLine {
  // Drop the panel at once, as if the button had been clicked.
  bool showPanel = false;
  // Words to put in the panel's search box (--search); set, the panel is
  // dropped as with showPanel and the words are searched for.
  std::optional<QString> searchWords;
  // Set when the start ends right away (help, version, a bad option): the
  // text to print, where it goes and the exit status.
  struct Exit {
    QString text;
    bool toStandardError = false;
    int status = 0;
  };
  std::optional<Exit> exit;
};

// Reads `arguments` (the program's name first). The application name and
// version must be set beforehand.
CommandLine parseCommandLine(const QStringList& arguments);

}  // namespace orvanta::app
