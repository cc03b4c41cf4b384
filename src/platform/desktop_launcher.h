// Opening files and applications the way the user's desktop opens them: the
// desktop's default application for a file's type, and application files
// (desktop entries, AppImages) started as the desktop starts them. Nothing
// goes through a shell; a path reaches a program as one whole argument.
#pragma once

#include <QString>

#include <memory>

namespace orvanta::platform {

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
  // opens the file itself in another program. False when it could not be
  // started.
  virtual bool launchApplication(const QString& path) = 0;

  // Opens `path` (a file or a folder) with the desktop's default
  // application for its type. False when the type has none or the start
  // failed.
  virtual bool openWithDefault(const QString& path) = 0;
};

// The application files of this desktop in the extension list format
// ("|desktop|appimage|"); empty where the desktop knows none.
QString desktopApplicationExtensions();

// The launcher of this machine's desktop.
std::unique_ptr<DesktopLauncher> createSystemDesktopLauncher();

}  // namespace orvanta::platform
