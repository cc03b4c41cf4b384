// A registry file in a fresh temporary folder, removed with the object.
#pragma once

#include "platform/file_registry.h"
#include "settings/reg_keys.h"

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

namespace orvanta::testing {

class TempRegistry {
 public:
  TempRegistry();

  QString dir() const { return dir_.path(); }
  QString filePath() const { return registry_.filePath(); }
  platform::FileRegistry& registry() { return registry_; }
  settings::RegKeys& regKeys() { return regKeys_; }

  // Replaces the file's content with `text` (the header line is not added).
  void writeFile(const QByteArray& text) const;
  QByteArray readFile() const;

 private:
  QTemporaryDir dir_;
  platform::FileRegistry registry_;
  settings::RegKeys regKeys_;
};

}  // namespace orvanta::testing
