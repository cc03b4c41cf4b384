// RegKeys: the two registry operations every part of the program goes
// through, ReadRegValue and WriteRegValue. Values are text; the store keeps
// no state and no cache, each call asks the registry again.
#pragma once

#include "platform/registry.h"

#include <QString>

namespace orvanta::settings {

using platform::RegRoot;

class RegKeys {
 public:
  // Size of the buffer a value is read into; data that does not fit below
  // it reads as empty text.
  static constexpr quint32 kReadBufferSize = 1024;

  explicit RegKeys(platform::Registry& registry) : registry_(registry) {}

  // The value as text, or empty text when the key or value is missing, the
  // data needs kReadBufferSize bytes or more, or its type is not text or a
  // DWORD. REG_SZ and REG_EXPAND_SZ come back unexpanded, a DWORD as its
  // decimal text. An empty `valueName` reads the key's default value.
  QString ReadRegValue(RegRoot root, const QString& keyPath, const QString& valueName) const;

  // Creates the key when needed and stores `value` as REG_SZ (an empty value
  // is stored as one blank). True when the value was stored.
  bool WriteRegValue(RegRoot root, const QString& keyPath, const QString& valueName, const QString& value) const;

  platform::Registry& registry() const { return registry_; }

 private:
  platform::Registry& registry_;
};

}  // namespace orvanta::settings
