// ReadRegValue and WriteRegValue over the platform registry.
#include "reg_keys.h"

namespace orvanta::settings {

using namespace orvanta::platform;

QString RegKeys::ReadRegValue(RegRoot root, const QString& keyPath, const QString& valueName) const {
  // Opened for reading only: an account that may read a key but not change
  // it (every standard user under HKEY_CLASSES_ROOT) still reads it.
  RegKeyHandle key = 0;
  QString result;
  if (registry_.openKey(root, keyPath, kKeyRead, &key) == RegStatus::Ok) {
    quint32 type = RegNone;
    QByteArray data;
    // Data of exactly the buffer's size would leave no room for the
    // terminating zero; it reads as empty like longer data.
    if (registry_.queryValue(key, valueName, kReadBufferSize, &type, &data) == RegStatus::Ok &&
        data.size() < static_cast<qsizetype>(kReadBufferSize)) {
      switch (type) {
        case RegSz:
        case RegExpandSz: {
          const qsizetype zero = data.indexOf('\0');
          result = QString::fromUtf8(zero < 0 ? data : data.left(zero));
          break;
        }
        case RegDword:
          if (data.size() >= 4) {
            quint32 number = 0;
            for (int i = 3; i >= 0; --i) number = (number << 8) | static_cast<unsigned char>(data[i]);
            result = QString::number(static_cast<qint32>(number));
          }
          break;
        default:
          break;
      }
    }
  }
  registry_.closeKey(key);
  return result;
}

bool RegKeys::WriteRegValue(RegRoot root, const QString& keyPath, const QString& valueName,
                            const QString& value) const {
  RegKeyHandle key = 0;
  if (registry_.createKey(root, keyPath, kKeyAllAccess, &key) != RegStatus::Ok) {
    registry_.closeKey(key);
    return false;
  }
  const QString stored = value.isEmpty() ? QStringLiteral(" ") : value;
  const bool ok = registry_.setValue(key, valueName, RegSz, stored.toUtf8()) == RegStatus::Ok;
  registry_.closeKey(key);
  return ok;
}

}  // namespace orvanta::settings
