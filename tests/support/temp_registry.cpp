// A registry file in a temporary folder.
#include "temp_registry.h"

#include <QDir>
#include <QFile>

namespace orvanta::testing {

TempRegistry::TempRegistry()
    : registry_(dir_.path() + QStringLiteral("/orvanta/registry.reg")), regKeys_(registry_) {}

void TempRegistry::writeFile(const QByteArray& text) const {
  QDir().mkpath(dir_.path() + QStringLiteral("/orvanta"));
  QFile file(filePath());
  if (file.open(QIODevice::WriteOnly | QIODevice::Truncate)) file.write(text);
}

QByteArray TempRegistry::readFile() const {
  QFile file(filePath());
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

}  // namespace orvanta::testing
