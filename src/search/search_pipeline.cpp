// The request sequence of one search, the scan and the classification.
#include "search_pipeline.h"

#include "result_page_scan.h"
#include "platform/http_address.h"
#include "settings/settings_table.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QPointer>
#include <QScopeGuard>

namespace orvanta::search {
namespace {

// Whether the window a search fills went away during one of its waits:
// destroyed, or closed as `windowClosed` tells. A destroyed window is never
// asked whether it is closed.
class WindowWatch {
 public:
  WindowWatch(QObject* window, std::function<bool()> windowClosed)
      : guard_(window), guarded_(window != nullptr), windowClosed_(std::move(windowClosed)) {}
  bool operator()() const {
    if (guarded_ && guard_.isNull()) return true;
    return windowClosed_ && windowClosed_();
  }

 private:
  const QPointer<QObject> guard_;
  const bool guarded_;
  const std::function<bool()> windowClosed_;
};

}  // namespace

SearchPipeline::SearchPipeline(const settings::RegKeys& regKeys, platform::HttpTransfer& http,
                               const platform::FileSystem& fileSystem, ServiceBase base,
                               std::chrono::milliseconds searchTime)
    : regKeys_(regKeys), http_(http), fileSystem_(fileSystem), base_(std::move(base)), searchTime_(searchTime) {}

QString serviceFailureMessage(ServiceFailure failure, const QString& server) {
  switch (failure) {
    case ServiceFailure::None:
      break;
    case ServiceFailure::Unreachable:
      return QCoreApplication::translate("Form1", "The search service cannot be reached at %1.").arg(server);
    case ServiceFailure::Refused:
      return QCoreApplication::translate("Form1", "The search service at %1 refused the search address.").arg(server);
  }
  return QString();
}

namespace {

bool holdsAHit(const QString& page) {
  bool found = false;
  scanResultPage(page, [&found](const QString&) { found = true; });
  return found;
}

QString serverOf(const QString& address) {
  const std::optional<platform::HttpAddress> parsed = platform::parseHttpAddress(address);
  return parsed ? platform::serverName(*parsed) : QString();
}

}  // namespace

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
  const WindowWatch windowGone(window, std::move(windowClosed));
  platform::HttpTransfer& http = http_;
  const platform::FileSystem& fileSystem = fileSystem_;
  const ServiceBase base = base_;
  const ExtensionLists lists = extensions;
  const QDeadlineTimer deadline(searchTime_);

  using settings::RegRoot;
  state.searchPrefix = settings::searchPrefixForSearch(regKeys_);
  state.searchSuffix = settings::readSetting(regKeys_, u"SearchSuffix");
  state.categories.clear();
  state.topHit = TopHitLabel{};
  state.failure = ServiceFailure::None;
  state.failedServer.clear();
  state.SearchQuery = searchQueryFor(text);
  const QString searchAddress = state.searchPrefix + state.SearchQuery + state.searchSuffix;
  const QString letterSearch = state.searchPrefix + u'e' + state.searchSuffix;
  const QString unsupported =
      base.numeric + QStringLiteral("/unsupported?url=%2F%26s%3D") +
      regKeys_.ReadRegValue(RegRoot::LocalMachine, settings::kServiceKey, settings::kServiceSecurityCode) +
      QStringLiteral("%26q%3D&s=") +
      regKeys_.ReadRegValue(RegRoot::LocalMachine, settings::kServiceKey, settings::kServiceSessionCode);

  http.navigate(searchAddress);  // the navigation, not waited for
  const std::unique_ptr<platform::HttpSession> session = http.openSession();

  // One GET whose answer, if any, goes to `target`. Stop when the service
  // cannot be had (the reason is in `state`) or the program is ending,
  // Gone when the window went away during the wait.
  enum class Step { Next, Stop, Gone };
  const auto stop = [&](ServiceFailure failure, const QString& server) {
    state.failure = failure;
    state.failedServer = server;
    return Step::Stop;
  };
  const auto fetch = [&](const QString& address, QString* target) {
    if (deadline.hasExpired()) return stop(ServiceFailure::Unreachable, serverOf(address));
    platform::HttpResult result = session->fetch(address, deadline);
    if (windowGone()) return Step::Gone;
    using Error = platform::HttpResult::Error;
    // Refusals count from the search address's own server; the base
    // addresses may name another one when the search address was set to
    // it, and then only give no redirect path.
    const bool searchServer = result.server == serverOf(searchAddress);
    switch (result.error) {
      case Error::None:
        if (result.status == 403 && searchServer && !holdsAHit(result.body)) {
          return stop(ServiceFailure::Refused, result.server);
        }
        if (target) *target = std::move(result.body);
        return Step::Next;
      case Error::Unreachable:
        if (!searchServer) return Step::Next;
        return stop(ServiceFailure::Unreachable, result.server);
      case Error::TimedOut:
        return stop(ServiceFailure::Unreachable, result.server);
      case Error::Interrupted:
        // The program is ending: nothing more is sent, nothing is said.
        return Step::Stop;
      case Error::NotSent:
      case Error::Broken:
        // The earlier answer stands.
        return Step::Next;
    }
    return Step::Next;
  };

  // The requests in their fixed order; each answer kept replaces the last.
  const auto requests = [&]() {
    // The letter search, whose page gives the first redirect path.
    Step step = fetch(letterSearch, &state.ResultPage);
    if (step != Step::Next) return step;
    QString redirect = redirectPath(state.ResultPage);
    // Both base addresses with it, then the unsupported address, whose
    // answer is dropped.
    for (const auto& [address, target] : {std::pair{base.numeric + redirect, &state.ResultPage},
                                          std::pair{base.named + redirect, &state.ResultPage},
                                          std::pair{unsupported, static_cast<QString*>(nullptr)}}) {
      if ((step = fetch(address, target)) != Step::Next) return step;
    }
    // The second redirect path, both bases again, then the search address
    // twice: the first answer is the page scanned, the second goes to
    // Text2.
    redirect = redirectPath(state.ResultPage);
    for (const auto& [address, target] : {std::pair{base.numeric + redirect, &state.ResultPage},
                                          std::pair{base.named + redirect, &state.ResultPage},
                                          std::pair{searchAddress, &state.ResultPage},
                                          std::pair{searchAddress, &state.text2}}) {
      if ((step = fetch(address, target)) != Step::Next) return step;
    }
    return Step::Next;
  };
  switch (requests()) {
    case Step::Gone:
      return SearchOutcome::Abandoned;
    case Step::Stop:
      // Nothing is scanned: the panel shows no hits and says why.
      QCoreApplication::processEvents();
      return windowGone() ? SearchOutcome::Abandoned : SearchOutcome::Completed;
    case Step::Next:
      break;
  }

  scanResultPage(state.ResultPage, [&](const QString& hit) {
    classifyHit(hit, lists, fileSystem, state.categories, state.topHit);
  });
  // The scan ends with one turn of the event loop.
  QCoreApplication::processEvents();
  return windowGone() ? SearchOutcome::Abandoned : SearchOutcome::Completed;
}

SearchOutcome SearchPipeline::runTyped(const QString& text, const ExtensionLists& extensions, SearchState& state,
                                       QObject* window, std::function<bool()> windowClosed) {
  if (*typedRunning_) return SearchOutcome::Ignored;
  // As in run(), nothing of the pipeline is touched after the wait.
  const std::shared_ptr<bool> running = typedRunning_;
  *running = true;
  const auto clearRunning = qScopeGuard([running] { *running = false; });
  const WindowWatch windowGone(window, std::move(windowClosed));
  if (!typedSession_) typedSession_ = http_.openSession();
  const std::shared_ptr<platform::HttpSession> session = typedSession_;
  const platform::FileSystem& fileSystem = fileSystem_;
  const ExtensionLists lists = extensions;
  const QDeadlineTimer deadline(searchTime_);

  state.searchPrefix = settings::searchPrefixForSearch(regKeys_);
  state.searchSuffix = settings::readSetting(regKeys_, u"SearchSuffix");
  state.SearchQuery = searchQueryFor(text);
  const QString searchAddress = state.searchPrefix + state.SearchQuery + state.searchSuffix;
  platform::HttpResult result = session->fetch(searchAddress, deadline);
  if (windowGone()) return SearchOutcome::Abandoned;

  state.categories.clear();
  state.topHit = TopHitLabel{};
  state.failure = ServiceFailure::None;
  state.failedServer.clear();
  using Error = platform::HttpResult::Error;
  switch (result.error) {
    case Error::None:
      if (result.status == 403 && !holdsAHit(result.body)) {
        state.failure = ServiceFailure::Refused;
        state.failedServer = result.server;
        return SearchOutcome::Completed;
      }
      state.ResultPage = std::move(result.body);
      break;
    case Error::Unreachable:
    case Error::TimedOut:
      state.failure = ServiceFailure::Unreachable;
      state.failedServer = result.server;
      return SearchOutcome::Completed;
    case Error::Interrupted:
    case Error::NotSent:
    case Error::Broken:
      return SearchOutcome::Cancelled;
  }
  scanResultPage(state.ResultPage,
                 [&](const QString& hit) { classifyHit(hit, lists, fileSystem, state.categories, state.topHit); });
  return SearchOutcome::Completed;
}

void SearchPipeline::cancelTyped() {
  if (*typedRunning_ && typedSession_) typedSession_->cancel();
}

}  // namespace orvanta::search
