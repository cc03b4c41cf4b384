// The desktop's search over the panel's own search, fill and opening.
#include "desktop_search.h"

#include "platform/windows_directory.h"
#include "results_window/open_result.h"
#include "search/classification.h"
#include "search/results_panel.h"
#include "search/search_pipeline.h"
#include "settings/settings_table.h"

#include <QDir>
#include <QMap>
#include <QSet>

#include <array>

namespace orvanta::search_provider {
namespace {

using search::Category;

// The panel's groups in its order, with their captions and the icons the
// desktop's search shows for them.
struct GroupLook {
  Category category;
  const char* caption;
  const char* icon;
};
constexpr std::array<GroupLook, 7> kGroups{{
    {Category::Applications, "Applications", "application-x-executable"},
    {Category::Audio, "Audio", "audio-x-generic"},
    {Category::Documents, "Documents", "x-office-document"},
    {Category::Folders, "Folders", "folder"},
    {Category::Images, "Images", "image-x-generic"},
    {Category::PDFs, "PDF Documents", "application-pdf"},
    {Category::Video, "Video", "video-x-generic"},
}};
constexpr char kNoGroupIcon[] = "text-x-generic";

// A results panel that only keeps the path each row's name label gets, so
// that the panel's own fill decides which hits are shown and in what order.
class RowPaths : public search::ResultsPanel {
 public:
  QStringList paths() const {
    QStringList out;
    for (auto it = paths_.cbegin(); it != paths_.cend(); ++it) {
      if (it.key() >= 1 && it.key() != search::kPreferencesRow && !it.value().isEmpty()) out << it.value();
    }
    return out;
  }

  bool hasElement(search::RowArray array, int index) const override { return search::rowArrayHasIndex(array, index); }
  void setCaption(search::RowArray, int, const QString&) override {}
  void setToolTip(search::RowArray array, int index, const QString& toolTip) override {
    if (array == search::RowArray::FileName) paths_[index] = toolTip;
  }
  void setTop(search::RowArray, int, int) override {}
  void setLeft(search::RowArray, int, int) override {}
  void setVisible(search::RowArray, int, bool) override {}
  int top(search::RowArray, int) const override { return 0; }
  QString toolTip(search::RowArray array, int index) const override {
    return array == search::RowArray::FileName ? paths_.value(index) : QString();
  }
  void setIconPicture(int, const QImage&) override {}
  void restoreIconPicture(int) override {}
  void setIconHeight(int, int) override {}
  void setIconWidth(int, int) override {}
  QImage groupPicture(search::GroupPicture) const override { return {}; }
  void requestHitPicture(int, const QString&) override {}
  void dropHitPictures() override {}
  void showLine1() override {}
  void setWindowHeight(int) override {}
  void hideProgress() override {}
  void stopTimer1() override {}
  void pumpEvents() override {}
  void fillDone() override {}

 private:
  QMap<int, QString> paths_;
};

}  // namespace

DesktopSearch::DesktopSearch(const settings::RegKeys& regKeys, platform::HttpTransfer& http,
                             const platform::FileSystem& fileSystem, platform::DesktopLauncher* desktop,
                             platform::ProgramStart& programStart, StartPanel startPanel, TellUser tellUser,
                             std::chrono::milliseconds answerTime)
    : regKeys_(regKeys),
      http_(http),
      fileSystem_(fileSystem),
      desktop_(desktop),
      programStart_(programStart),
      startPanel_(std::move(startPanel)),
      tellUser_(std::move(tellUser)),
      answerTime_(answerTime) {}

QString DesktopSearch::wordsOf(const QStringList& terms) {
  QStringList words;
  for (const QString& term : terms) {
    const QString word = term.simplified();
    if (!word.isEmpty()) words << word;
  }
  return words.join(u' ');
}

QList<ProviderHit> DesktopSearch::search(const QString& words) {
  // The settings as the panel's load reads them (a first run stores the
  // defaults, the search address with the service's code among them), read
  // again for every search so that a change in the preferences counts at
  // once.
  for (const QStringView name : {u"SearchPrefix", u"SearchSuffix"}) settings::loadText(regKeys_, name);
  search::ExtensionLists extensions = search::loadExtensionLists(regKeys_);
  extensions.desktopApplications = desktop_ ? platform::desktopApplicationExtensions() : QString();
  search::PanelState panel{.MaxSearchResults = settings::loadNumber(regKeys_, u"MaxSearchResults").value};

  search::SearchPipeline pipeline(regKeys_, http_, fileSystem_, search::ServiceBase{}, answerTime_);
  search::SearchState state;
  // No window waits on this search, so nothing but the answer time ends it.
  if (pipeline.run(words, extensions, state, nullptr) != search::SearchOutcome::Completed) return {};
  if (state.failure != search::ServiceFailure::None) return {};

  RowPaths rows;
  search::FillResultsPanel(rows, panel, state.categories, &platform::FileSystem::GetFileName);
  QList<ProviderHit> hits;
  QSet<QString> seen;
  for (const QString& path : rows.paths()) {
    if (seen.contains(path)) continue;
    seen.insert(path);
    hits << describe(path);
  }
  return hits;
}

ProviderHit DesktopSearch::describe(const QString& id) const {
  ProviderHit hit{id, platform::FileSystem::GetFileName(id), QString(), QString::fromLatin1(kNoGroupIcon)};
  if (desktop_ && desktop_->isApplication(id)) {
    const QString name = desktop_->applicationName(id);
    if (!name.isEmpty()) hit.name = name;
  }
  // The first group the classification puts the path in is the one the
  // panel shows it in first.
  search::ExtensionLists extensions = search::loadExtensionLists(regKeys_);
  extensions.desktopApplications = desktop_ ? platform::desktopApplicationExtensions() : QString();
  search::CategoryLists lists;
  search::TopHitLabel unused;
  search::classifyHit(id, extensions, fileSystem_, lists, unused);
  for (const GroupLook& group : kGroups) {
    if (lists[group.category].isEmpty()) continue;
    hit.group = QString::fromLatin1(group.caption);
    hit.icon = QString::fromLatin1(group.icon);
    break;
  }
  return hit;
}

bool DesktopSearch::open(const QString& id) {
  if (id.isEmpty() || !QDir::isAbsolutePath(id)) return false;
  bool preferencesOpen = false;
  results_window::OpenHitContext context{
      .regKeys = regKeys_,
      .programStart = programStart_,
      .WindowsDirectory = platform::windowsDirectory(),
      .getExtensionName = &platform::FileSystem::GetExtensionName,
      .closeForm = {},
      .showPreferences = {},
      .disableForm1 = {},
      .PreferencesOpen = preferencesOpen,
      .desktop = desktop_,
      .lastSearchAddress = {},
      .tellUser = tellUser_,
  };
  // Any row of a group opens the same way; the preferences row is never
  // one of the desktop's hits.
  constexpr qint32 kGroupRow = 2;
  results_window::OpenResult(kGroupRow, id, context);
  return true;
}

bool DesktopSearch::showPanel(const QString& words) { return startPanel_ && startPanel_(words); }

}  // namespace orvanta::search_provider
