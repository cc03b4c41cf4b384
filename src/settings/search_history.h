// The last searches: the words of the last twenty searches, newest first,
// kept in the subkey History of the program's settings key as Search1 to
// Search20. Only the words are kept, never an address, a page or a code.
#pragma once

#include "reg_keys.h"

#include <QString>
#include <QStringList>

namespace orvanta::settings {

// HKEY_LOCAL_MACHINE\Software\Orvanta\History.
extern const QString kHistoryKey;
inline constexpr int kHistorySize = 20;

// The kept words, newest first: empty values (a cleared one reads as a
// blank) are left out, and so is a repeat of newer words.
QStringList readSearchHistory(const RegKeys& regKeys);

// Puts `words` (without surrounding blanks) first: a repeat moves to the
// front, the oldest beyond twenty falls off. Only the values that change
// are written. Blank words, and words too long to read back, are not kept.
// Returns the list as it now stands.
QStringList rememberSearch(const RegKeys& regKeys, const QString& words);

}  // namespace orvanta::settings
