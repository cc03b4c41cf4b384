// Code generation from the system's random source.
#include "service_codes.h"

#include "settings/settings_table.h"

#include <QRandomGenerator>

namespace orvanta::service {

namespace {

const QString kLettersAndDigits = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789");

bool wellFormed(const QString& code, const QString& alphabet) {
  if (code.size() != kCodeLength) return false;
  for (const QChar c : code) {
    if (!alphabet.contains(c)) return false;
  }
  return true;
}

QString makeCode(const QString& alphabet) {
  QString code;
  for (int i = 0; i < kCodeLength; ++i) {
    code += alphabet[QRandomGenerator::system()->bounded(static_cast<int>(alphabet.size()))];
  }
  return code;
}

}  // namespace

ServiceCodes loadOrCreateCodes(const settings::RegKeys& regKeys, bool* stored) {
  using settings::RegRoot;
  const QString sessionAlphabet = kLettersAndDigits + u'_';
  bool ok = true;
  const auto load = [&](const QString& name, const QString& alphabet) {
    QString code = regKeys.ReadRegValue(RegRoot::LocalMachine, settings::kServiceKey, name);
    if (!wellFormed(code, alphabet)) {
      code = makeCode(alphabet);
      ok = regKeys.WriteRegValue(RegRoot::LocalMachine, settings::kServiceKey, name, code) && ok;
    }
    return code;
  };
  ServiceCodes codes;
  codes.securityCode = load(settings::kServiceSecurityCode, kLettersAndDigits);
  codes.sessionCode = load(settings::kServiceSessionCode, sessionAlphabet);
  if (stored) *stored = ok;
  return codes;
}

}  // namespace orvanta::service
