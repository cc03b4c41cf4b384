// The desktop's own search (GNOME Shell's search, KRunner) answered from the
// search service the panel asks: the same search address from the
// settings, the same request sequence and classification, and the hits the
// panel would show, in its order. A hit opens as the panel opens it; "open
// search" starts the program with its panel dropped and the words in its
// box. Plain code without D-Bus, so it is tested on its own.
#pragma once

#include "platform/desktop_launcher.h"
#include "platform/file_system.h"
#include "platform/http_transfer.h"
#include "platform/program_start.h"
#include "settings/reg_keys.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <chrono>
#include <functional>

namespace orvanta::search_provider {

// One hit as the desktop's search shows it.
struct ProviderHit {
  QString id;     // the hit's full path
  QString name;   // what the panel's row shows: the file name, or an application's own name
  QString group;  // the panel's caption of the hit's group ("Documents")
  QString icon;   // a themed icon name for the group

  friend bool operator==(const ProviderHit&, const ProviderHit&) = default;
};

// Starts the program with its panel dropped and `words` in the search box.
using StartPanel = std::function<bool(const QString& words)>;
// Tells the user that an open failed, as the panel does.
using TellUser = std::function<void(const QString& summary, const QString& body)>;

class DesktopSearch {
 public:
  // The desktop waits on every answer, so a search that has not ended by
  // then (a service that hangs) answers with no hits.
  static constexpr std::chrono::milliseconds kAnswerTime{700};

  // The services must outlive the search. `desktop` may be null.
  DesktopSearch(const settings::RegKeys& regKeys, platform::HttpTransfer& http, const platform::FileSystem& fileSystem,
                platform::DesktopLauncher* desktop, platform::ProgramStart& programStart, StartPanel startPanel,
                TellUser tellUser = {}, std::chrono::milliseconds answerTime = kAnswerTime);

  // The words of the desktop's search box as the panel's box would hold
  // them: the terms joined by single blanks.
  static QString wordsOf(const QStringList& terms);

  // Searches for `words` as Enter in the panel does and returns the hits of
  // the rows the panel would fill, Top Hit first, each path once. No hits
  // when the service cannot be reached, refuses the search or does not
  // answer within the answer time.
  QList<ProviderHit> search(const QString& words);

  // How the hit `id` (a path from search()) is shown: its row's name, the
  // first of the panel's groups it belongs to and that group's icon. A path
  // the panel would not show gets its file name and no group.
  ProviderHit describe(const QString& id) const;

  // Opens the hit `id` as a click on its row in the panel does (the file
  // associations of the registry, the desktop's launcher and default
  // applications, the desktop's opener). False for an id that is no
  // absolute path, which is opened by nothing.
  bool open(const QString& id);

  // Brings up the program's panel with `words` in the search box.
  bool showPanel(const QString& words);

 private:
  const settings::RegKeys& regKeys_;
  platform::HttpTransfer& http_;
  const platform::FileSystem& fileSystem_;
  platform::DesktopLauncher* desktop_;
  platform::ProgramStart& programStart_;
  StartPanel startPanel_;
  TellUser tellUser_;
  std::chrono::milliseconds answerTime_;
};

}  // namespace orvanta::search_provider
