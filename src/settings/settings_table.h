// The program's settings in one place: the registry key they live under,
// each value's name, kind and default, and when the default applies. Every
// window reads a setting through loadText/loadNumber, which apply the
// table's rule and store the default when it applies; the preferences
// window writes the values back with writeSetting.
#pragma once

#include "reg_keys.h"

#include <QString>

#include <array>
#include <functional>
#include <optional>

namespace orvanta::settings {

// HKEY_LOCAL_MACHINE\Software\Orvanta holds every setting.
inline const QString kSettingsKey = QStringLiteral("Software\\Orvanta");

// The bundled local search service keeps its configuration here.
inline const QString kServiceKey = QStringLiteral("Software\\LocalSearchService");
inline const QString kServiceSecurityCode = QStringLiteral("SecurityCode");
inline const QString kServiceSessionCode = QStringLiteral("SessionCode");

enum class SettingKind {
  Text,    // default when the value reads as empty text
  Number,  // default when the text does not convert to a number, or converts to 0
  // A preference that is off (0) or on (any other number): default only
  // when the text does not convert to a number, since 0 is a value.
  Switch,
  // The search address's first half: default when empty, or when it is the
  // default made before the search service had its code (that one can never
  // search; a prefix the user typed is kept as it is). Its default carries
  // the service's security code.
  ServiceAddress,
};

struct Setting {
  const char* name;
  SettingKind kind;
  // The default, or nullptr when it is computed when applied
  // (SearchPrefix from the service's code, LeftPosition and TopPosition
  // from the screen's work area).
  const char* fixedDefault;
};

// The settings in the order the results window reads them at its load. The
// extension lists a first run stores hold the long-standing types first and
// today's common types after them.
inline constexpr std::array<Setting, 13> kSettings{{
    {"SearchPrefix", SettingKind::ServiceAddress, nullptr},
    {"SearchSuffix", SettingKind::Text, "&ie=UTF-8"},
    {"Extensions_Audio", SettingKind::Text,
     "|m4a|m4b|m4p|mid|midi|mp2|mp3|pls|rmi|sd2|snd|wav|wave|wma|ogg|m3u|"
     "flac|opus|aac|oga|"},
    {"Extensions_Documents", SettingKind::Text,
     "|bdb|bks|htt|http|java|log|nfo|scp|swf|text|txt|wdb|wks|wps|wpt|wtx|xlr|xml|xls|ppt|mpp|sxw|sxc|msg|"
     "doc|docx|odt|ods|odp|rtf|md|csv|epub|"
     // source code, scripts, configuration and other plain text
     "py|js|mjs|ts|jsx|tsx|rs|c|h|cpp|hpp|cc|cxx|hh|cs|go|rb|php|pl|lua|kt|swift|scala|sql|r|"
     "sh|bash|zsh|fish|ps1|bat|cmd|cmake|mk|"
     "html|htm|css|scss|json|yaml|yml|toml|ini|cfg|conf|properties|tsv|tex|rst|org|diff|patch|"},
    {"Extensions_Images", SettingKind::Text,
     "|bmp|cur|dib|emf|gif|ico|ifif|jpe|jpeg|jpg|pct|pic|pict|png|psd|qti|qtif|rmi|tga|tif|tiff|wmf|xbm|"
     "webp|svg|heic|avif|"},
    {"Extensions_PDFs", SettingKind::Text, "|pdf|"},
    {"Extensions_Video", SettingKind::Text,
     "|asf|asx|avi|rm|divx|dv|dur-ms|ivf|m1v|mov|wvx|mp2v|mp4|mpa|mpe|mpeg|mpg|mpg4|mpv2|mswmm|qt|tp|ts|wm|wmp|wmv|wmx|"
     "mkv|webm|m4v|"},
    {"Extensions_Widgets", SettingKind::Text, "|widget|"},
    {"MaxSearchResults", SettingKind::Number, "7"},
    {"LeftPosition", SettingKind::Number, nullptr},
    {"TopPosition", SettingKind::Number, nullptr},
    // Preferences that change what the program does; off unless chosen.
    {"ShowHitsWhileTyping", SettingKind::Switch, "0"},
    {"KeepButtonOnScreen", SettingKind::Switch, "0"},
}};

// TopPosition's default: this far below the top of the primary screen's
// work area, so that the button above the panel stands at the top of the
// work area, just below a top bar (or at the screen's top without one).
inline constexpr qint32 kTopPositionBelowWorkArea = 330;

// The Applications list is fixed, not a setting.
inline const QString kExtensionsApplications = QStringLiteral("|exe|msi|");

// The entry for `name`; nothing for a name that is not a setting.
const Setting* findSetting(QStringView name);

// The fixed default of a setting as text ("&ie=UTF-8", "7"); empty for the
// computed ones.
QString fixedDefault(QStringView name);

// Whether a stored text calls for the setting's default.
bool needsDefault(const Setting& setting, const QString& stored);

// A setting as a load found it: its value, and whether that is the default
// the load has just stored.
struct LoadedText {
  QString value;
  bool defaulted = false;
};
struct LoadedNumber {
  qint32 value = 0;
  bool defaulted = false;
};

// Reads the text setting `name`; when the stored text calls for the
// default, stores the default (SearchPrefix's with the service's current
// code) and returns it.
LoadedText loadText(const RegKeys& regKeys, QStringView name);

// Reads the number setting `name` the same way. A stored text that is not
// a whole number, or is 0, calls for the default, which is stored as a
// first run stores numbers (" 7"). `computedDefault` gives the default of a
// setting the table does not fix (LeftPosition and TopPosition, from the
// screen's work area); when it
// gives nothing the value is 0 and nothing is stored.
using ComputedDefault = std::function<std::optional<qint32>()>;
LoadedNumber loadNumber(const RegKeys& regKeys, QStringView name, const ComputedDefault& computedDefault = {});

// The default search prefix: the local search service's search page,
// "http://localhost:4664/search&s=" + its security code + "?q=". The code is
// read from the service's own configuration (empty when it has never run).
QString defaultSearchPrefix(const RegKeys& regKeys);
// That address with the security code `code`.
QString searchPrefixWithCode(const QString& code);
// Whether a stored SearchPrefix counts as not set: empty, or the default
// with an empty security code (stored by a start before the service's first
// start).
bool searchPrefixNeedsDefault(const QString& stored);

// SearchPrefix as a search reads it, every time: the stored text as it is,
// except the default a start stored before the service had made its code,
// which is replaced (and stored) by the default with the service's code as
// soon as the service has one. An empty or a user's own prefix is never
// touched, nor a default with another code.
QString searchPrefixForSearch(const RegKeys& regKeys);

// Whether the switch `name` is on, as stored now; its default when the
// stored text calls for it. Nothing is stored.
bool readSwitch(const RegKeys& regKeys, QStringView name);

// Reads and writes one setting under HKEY_LOCAL_MACHINE\Software\Orvanta.
QString readSetting(const RegKeys& regKeys, QStringView name);
bool writeSetting(const RegKeys& regKeys, QStringView name, const QString& value);

}  // namespace orvanta::settings
