// HKEY_CLASSES_ROOT answered from the desktop's own file associations,
// read-only: the default value of ".ext" is the extension's MIME type
// (shared-mime-info through Qt's MIME database), and the default value of
// "<MIME type>\Shell\Open\Command" is the command line of the type's default
// application, from mimeapps.list and the application's desktop entry.
#pragma once

#include "registry.h"

#include <QString>
#include <QStringList>

#include <map>

namespace orvanta::platform {

// The XDG base directories and the current desktop names.
struct XdgDirs {
  QString configHome;
  QStringList configDirs;
  QString dataHome;
  QStringList dataDirs;
  QStringList desktops;  // lower case, most important first

  // From XDG_CONFIG_HOME, XDG_CONFIG_DIRS, XDG_DATA_HOME, XDG_DATA_DIRS and
  // XDG_CURRENT_DESKTOP, with the defaults of the base-directory rules.
  static XdgDirs fromEnvironment();
};

// Turns a desktop entry's Exec value into a command line by the Windows
// rules, the file going where "%1" stands in double quotes: %f %F %u %U
// become "%1" (the first of them; later ones are dropped), %% a percent
// sign, every other field code is dropped. Without a file field code "%1"
// is added at the end. Empty when the value holds no program.
QString OpenCommandFromExec(const QString& exec);

class DesktopAssociations : public Registry {
 public:
  explicit DesktopAssociations(XdgDirs dirs);

  // The MIME type of files with this extension (no dot); empty when none.
  QString mimeTypeForExtension(const QString& extension) const;

  // The open command of the default application for `mimeType` or, when it
  // has none, for the nearest type it is a kind of; empty when none.
  QString openCommandForMimeType(const QString& mimeType) const;

  // Only ".ext" and "<type>\Shell\Open\Command" exist, for reading.
  RegStatus openKey(RegRoot root, const QString& path, quint32 access, RegKeyHandle* key) override;
  RegStatus createKey(RegRoot root, const QString& path, quint32 access, RegKeyHandle* key) override;
  RegStatus queryValue(RegKeyHandle key, const QString& name, quint32 bufferSize, quint32* type,
                       QByteArray* data) override;
  RegStatus setValue(RegKeyHandle key, const QString& name, quint32 type, const QByteArray& data) override;
  void closeKey(RegKeyHandle key) override;

 private:
  QString commandForDesktopId(const QString& desktopId) const;
  QString commandForExactType(const QString& mimeType) const;
  QStringList mimeAppsFiles() const;
  QStringList applicationDirs() const;

  XdgDirs dirs_;
  std::map<RegKeyHandle, QString> open_;  // handle -> the key's default value
  RegKeyHandle nextHandle_ = 1;
};

}  // namespace orvanta::platform
