// Lookups over the settings table.
#include "settings_table.h"

#include "conversions.h"
#include "service_defaults.h"

namespace orvanta::settings {

const Setting* findSetting(QStringView name) {
  for (const Setting& setting : kSettings) {
    if (name == QLatin1StringView(setting.name)) return &setting;
  }
  return nullptr;
}

QString fixedDefault(QStringView name) {
  const Setting* setting = findSetting(name);
  return setting && setting->fixedDefault ? QString::fromLatin1(setting->fixedDefault) : QString();
}

bool needsDefault(const Setting& setting, const QString& stored) {
  switch (setting.kind) {
    case SettingKind::Text:
      return stored.isEmpty();
    case SettingKind::ServiceAddress:
      return searchPrefixNeedsDefault(stored);
    case SettingKind::Number:
      break;
  }
  const auto number = textToLong(stored);
  return !number || *number == 0;
}

LoadedText loadText(const RegKeys& regKeys, QStringView name) {
  const Setting* setting = findSetting(name);
  const QString stored = readSetting(regKeys, name);
  if (!setting || !needsDefault(*setting, stored)) return {stored, false};
  const QString value = setting->kind == SettingKind::ServiceAddress ? defaultSearchPrefix(regKeys)
                                                                     : QString::fromLatin1(setting->fixedDefault);
  writeSetting(regKeys, name, value);
  return {value, true};
}

LoadedNumber loadNumber(const RegKeys& regKeys, QStringView name, const ComputedDefault& computedDefault) {
  const Setting* setting = findSetting(name);
  const QString stored = readSetting(regKeys, name);
  const qint32 storedValue = textToLong(stored).value_or(0);
  if (!setting || !needsDefault(*setting, stored)) return {storedValue, false};
  std::optional<qint32> value;
  if (setting->fixedDefault) {
    value = textToLong(QString::fromLatin1(setting->fixedDefault));
  } else if (computedDefault) {
    value = computedDefault();
  }
  if (!value) return {storedValue, false};
  writeSetting(regKeys, name, numberToText(*value));
  return {*value, true};
}

QString searchPrefixWithCode(const QString& code) {
  return QStringLiteral("http://localhost:%1/search&s=").arg(kServicePort) + code + QStringLiteral("?q=");
}

QString defaultSearchPrefix(const RegKeys& regKeys) {
  return searchPrefixWithCode(regKeys.ReadRegValue(RegRoot::LocalMachine, kServiceKey, kServiceSecurityCode));
}

bool searchPrefixNeedsDefault(const QString& stored) {
  // The default stored before the service had made its code can never
  // search; it is worked out again, while a prefix the user typed is kept
  // as it is.
  return stored.isEmpty() || stored == searchPrefixWithCode(QString());
}

QString searchPrefixForSearch(const RegKeys& regKeys) {
  const QString stored = readSetting(regKeys, u"SearchPrefix");
  if (stored != searchPrefixWithCode(QString())) return stored;
  const QString withCode = defaultSearchPrefix(regKeys);
  if (withCode != stored) writeSetting(regKeys, u"SearchPrefix", withCode);
  return withCode;
}

QString readSetting(const RegKeys& regKeys, QStringView name) {
  return regKeys.ReadRegValue(RegRoot::LocalMachine, kSettingsKey, name.toString());
}

bool writeSetting(const RegKeys& regKeys, QStringView name, const QString& value) {
  return regKeys.WriteRegValue(RegRoot::LocalMachine, kSettingsKey, name.toString(), value);
}

}  // namespace orvanta::settings
