// Path names for tests.
#include "path_names.h"

#include <algorithm>

namespace orvanta::testing {

QString lastPathComponent(const QString& path) {
  const qsizetype cut = std::max(path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QLatin1Char('\\')));
  return path.mid(cut + 1);
}

QString extensionName(const QString& path) {
  const QString name = lastPathComponent(path);
  const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
  return dot < 0 ? QString() : name.mid(dot + 1);
}

}  // namespace orvanta::testing
