// Opening files and applications the way the user's desktop opens them: the
// desktop's default application for a file's type, and application files
// (desktop entries, AppImages) started as the desktop starts them. Nothing
// goes through a shell; a path reaches a program as one whole argument.
#pragma once

#include <QString>

#include <memory>

namespace orvanta::platform {

// What came of asking the desktop to start or open something.
struct LaunchOutcome {
  enum class Result {
    Started,
    NotHandled,  // the desktop leaves this to the caller's other ways
    NoProgram,   // the desktop has no program for it
    Failed,      // the program or the entry could not be started
  };
  Result result = Result::NotHandled;
  // Why it was not started, in words for the user; empty when it was.
  QString reason;

  static LaunchOutcome started() { return {Result::Started, {}}; }
  explicit operator bool() const { return result == Result::Started; }
};

class DesktopLauncher {
 public:
  virtual ~DesktopLauncher() = default;

  // Whether `path` names an application file of this desktop by its
  // extension (a desktop entry or an AppImage here).
  virtual bool isApplication(const QString& path) const = 0;

  // The name the desktop shows for the application file `path` (a desktop
  // entry's Name=, in the user's language); empty when it has none.
  virtual QString applicationName(const QString& path) const = 0;

  // Starts the application file `path` as the desktop starts it; never
  // opens the file itself in another program. Failed, with the reason,
  // when it could not be started (a missing program, a terminal the entry
  // needs and the desktop lacks, a file that is no entry).
  virtual LaunchOutcome launchApplication(const QString& path) = 0;

  // Opens `path` (a file or a folder) with the desktop's default
  // application for its type. NoProgram when the desktop has none for a
  // file's type, NotHandled when it leaves the path to the desktop's opener
  // (a folder without a program of its own), Failed when the start failed.
  virtual LaunchOutcome openWithDefault(const QString& path) = 0;
};

// The application files of this desktop in the extension list format
// ("|desktop|appimage|"); empty where the desktop knows none.
QString desktopApplicationExtensions();

// The launcher of this machine's desktop.
std::unique_ptr<DesktopLauncher> createSystemDesktopLauncher();

}  // namespace orvanta::platform
