// Reading and writing the last searches.
#include "search_history.h"

#include "settings_table.h"

namespace orvanta::settings {

const QString kHistoryKey = kSettingsKey + QStringLiteral("\\History");

namespace {

QString valueName(int position) { return QStringLiteral("Search%1").arg(position); }

QString readValue(const RegKeys& regKeys, int position) {
  return regKeys.ReadRegValue(RegRoot::LocalMachine, kHistoryKey, valueName(position));
}

}  // namespace

QStringList readSearchHistory(const RegKeys& regKeys) {
  QStringList words;
  for (int position = 1; position <= kHistorySize; ++position) {
    const QString value = readValue(regKeys, position).trimmed();
    if (!value.isEmpty() && !words.contains(value)) words.append(value);
  }
  return words;
}

QStringList rememberSearch(const RegKeys& regKeys, const QString& words) {
  QStringList stored;
  for (int position = 1; position <= kHistorySize; ++position) stored.append(readValue(regKeys, position));
  QStringList kept;
  for (const QString& value : stored) {
    const QString trimmed = value.trimmed();
    if (!trimmed.isEmpty() && !kept.contains(trimmed)) kept.append(trimmed);
  }
  const QString newest = words.trimmed();
  // A value the registry could not give back (its buffer holds less) would
  // come back empty and take a place for nothing.
  if (newest.isEmpty() || newest.toLocal8Bit().size() >= qsizetype(RegKeys::kReadBufferSize)) return kept;
  kept.removeAll(newest);
  kept.prepend(newest);
  while (kept.size() > kHistorySize) kept.removeLast();
  for (int position = 1; position <= kHistorySize; ++position) {
    const QString value = position <= kept.size() ? kept[position - 1] : QString();
    // An empty place is stored as the blank the registry layer writes for
    // empty text; one already empty is left alone.
    if (value == stored[position - 1] || (value.isEmpty() && stored[position - 1].trimmed().isEmpty())) continue;
    regKeys.WriteRegValue(RegRoot::LocalMachine, kHistoryKey, valueName(position), value);
  }
  return kept;
}

}  // namespace orvanta::settings
