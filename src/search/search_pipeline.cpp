// The request sequence of one search, the scan and the classification.
#include "search_pipeline.h"

#include "result_page_scan.h"
#include "settings/settings_table.h"

#include <QCoreApplication>
#include <QPointer>
#include <QScopeGuard>

namespace orvanta::search {

SearchPipeline::SearchPipeline(const settings::RegKeys& regKeys, platform::HttpTransfer& http,
                               const platform::FileSystem& fileSystem, ServiceBase base)
    : regKeys_(regKeys), http_(http), fileSystem_(fileSystem), base_(std::move(base)) {}

QString SearchPipeline::searchQueryFor(const QString& text) {
  QString query = text;
  query.replace(u' ', u'+');
  return query;
}

QString SearchPipeline::redirectPath(const QString& page) {
  const qsizetype start = page.indexOf(QStringLiteral("/ok?url="));
  if (start < 0) return QString();
  const qsizetype end = page.indexOf(u'"', start);
  return end < 0 ? page.mid(start) : page.mid(start, end - start);
}

SearchOutcome SearchPipeline::run(const QString& text, const ExtensionLists& extensions, SearchState& state,
                                  QObject* window, std::function<bool()> windowClosed) {
  if (*running_) return SearchOutcome::Ignored;
  // Everything used after a wait is held here, not in the pipeline, which
  // may go away with the window during the wait.
  const std::shared_ptr<bool> running = running_;
  *running = true;
  const auto clearRunning = qScopeGuard([running] { *running = false; });
  const QPointer<QObject> guard(window);
  const bool guarded = window != nullptr;
  // A destroyed window is never asked whether it is closed.
  const auto windowGone = [&] {
    if (guarded && guard.isNull()) return true;
    return windowClosed && windowClosed();
  };
  platform::HttpTransfer& http = http_;
  const platform::FileSystem& fileSystem = fileSystem_;
  const ServiceBase base = base_;
  const ExtensionLists lists = extensions;

  using settings::RegRoot;
  state.searchPrefix = settings::readSetting(regKeys_, u"SearchPrefix");
  state.searchSuffix = settings::readSetting(regKeys_, u"SearchSuffix");
  state.categories.clear();
  state.topHit = TopHitLabel{};
  state.searchQuery = searchQueryFor(text);
  const QString searchAddress = state.searchPrefix + state.searchQuery + state.searchSuffix;
  const QString letterSearch = state.searchPrefix + u'e' + state.searchSuffix;
  const QString unsupported =
      base.numeric + QStringLiteral("/unsupported?url=%2F%26s%3D") +
      regKeys_.ReadRegValue(RegRoot::LocalMachine, settings::kServiceKey, settings::kServiceSecurityCode) +
      QStringLiteral("%26q%3D&s=") +
      regKeys_.ReadRegValue(RegRoot::LocalMachine, settings::kServiceKey, settings::kServiceSessionCode);

  http.navigate(searchAddress);  // R1
  const std::unique_ptr<platform::HttpSession> session = http.openSession();

  // One GET whose answer, if any, goes to `target`. False when the window
  // went away during the wait.
  const auto fetch = [&](const QString& address, QString* target) {
    std::optional<QString> answer = session->get(address);
    if (windowGone()) return false;
    if (answer && target) *target = std::move(*answer);
    return true;
  };

  if (!fetch(letterSearch, &state.resultPage)) return SearchOutcome::Abandoned;  // R2
  QString redirect = redirectPath(state.resultPage);                             // R3
  if (!fetch(base.numeric + redirect, &state.resultPage)) return SearchOutcome::Abandoned;  // R4
  if (!fetch(base.named + redirect, &state.resultPage)) return SearchOutcome::Abandoned;    // R5
  if (!fetch(unsupported, nullptr)) return SearchOutcome::Abandoned;                         // R6
  redirect = redirectPath(state.resultPage);                                                 // R7
  if (!fetch(base.numeric + redirect, &state.resultPage)) return SearchOutcome::Abandoned;  // R8
  if (!fetch(base.named + redirect, &state.resultPage)) return SearchOutcome::Abandoned;    // R9
  if (!fetch(searchAddress, &state.resultPage)) return SearchOutcome::Abandoned;            // R10
  if (!fetch(searchAddress, &state.text2)) return SearchOutcome::Abandoned;                 // R11

  scanResultPage(state.resultPage, [&](const QString& hit) {
    classifyHit(hit, lists, fileSystem, state.categories, state.topHit);
  });
  // The scan ends with one turn of the event loop.
  QCoreApplication::processEvents();
  return windowGone() ? SearchOutcome::Abandoned : SearchOutcome::Completed;
}

}  // namespace orvanta::search
