// What one press of Enter in the search box does between the results
// window's own steps and the panel fill: re-read the search address halves,
// empty the category lists, send the requests of one search in their fixed
// order, scan the last answer and classify every hit.
#pragma once

#include "category_lists.h"
#include "classification.h"
#include "platform/file_system.h"
#include "platform/http_transfer.h"
#include "settings/reg_keys.h"
#include "settings/service_defaults.h"

#include <QObject>
#include <QString>

#include <chrono>
#include <functional>
#include <memory>

namespace orvanta::search {

// Why the pages of a search could not be fetched.
enum class ServiceFailure {
  None,         // the service answered (whatever it found)
  Unreachable,  // nothing listens at the address, or no answer came in time
  Refused,      // the service refused the address (403 without any hit)
};

// The search's part of the results window's working state. The window
// owns it and shows the lists and the Top Hit label after a search.
struct SearchState {
  QString searchPrefix;  // copies of the settings, refreshed at every search
  QString searchSuffix;
  QString SearchQuery;  // the search box text with every " " made "+"
  QString ResultPage;  // the last answer stored; kept from one search to the next
  QString text2;        // the answer to the last request, which nothing reads
  CategoryLists categories;
  TopHitLabel topHit;
  // Set by a search that stopped because its pages could not be fetched;
  // its lists are then empty. `failedServer` is "host:port".
  ServiceFailure failure = ServiceFailure::None;
  QString failedServer;
};

// The one line the panel shows for a failed search, in plain words; empty
// for None.
QString serviceFailureMessage(ServiceFailure failure, const QString& server);

// Where the local search service is reached: the numeric and the named
// form of its base address.
struct ServiceBase {
  QString numeric = QStringLiteral("http://127.0.0.1:") + QString::number(settings::kServicePort);
  QString named = QStringLiteral("http://localhost:") + QString::number(settings::kServicePort);
};

enum class SearchOutcome {
  Completed,  // the lists and the Top Hit label are ready for the panel fill
  Abandoned,  // the window went away during a wait; nothing of it may be touched
  Ignored,    // a search was already running
};

class SearchPipeline {
 public:
  // All the requests of one search end within this time.
  static constexpr std::chrono::milliseconds kSearchTime{60'000};

  // The services must outlive the pipeline. `base` and `searchTime` are
  // replaced only by tests.
  SearchPipeline(const settings::RegKeys& regKeys, platform::HttpTransfer& http,
                 const platform::FileSystem& fileSystem, ServiceBase base = {},
                 std::chrono::milliseconds searchTime = kSearchTime);

  // Runs one search for the search box text `text`. Its requests share one
  // deadline, `searchTime` from the start. When a request times out, or
  // the search address's server cannot be reached or refuses a request (a
  // 403 answer without any hit), the rest is not sent, nothing is scanned,
  // the lists stay empty and `state.failure` says why. `window` is the window
  // whose Enter started it: when it is destroyed while a request is waited
  // for, the rest of the search is dropped without touching `state` or the
  // pipeline again, and the result is Abandoned. `windowClosed`, when
  // given, is asked after every wait as well: a window that is closed but
  // not destroyed (hidden, kept for code still running on it) abandons the
  // search the same way. Returns Ignored at once while another search runs.
  SearchOutcome run(const QString& text, const ExtensionLists& extensions, SearchState& state, QObject* window,
                    std::function<bool()> windowClosed = {});

  bool isRunning() const { return *running_; }

  // The addresses of one search, for the given settings and text.
  static QString searchQueryFor(const QString& text);
  // The redirect path in `page`: from the first "/ok?url=" up to the next
  // double quote (or the end of the page); empty without one.
  static QString redirectPath(const QString& page);

 private:
  const settings::RegKeys& regKeys_;
  platform::HttpTransfer& http_;
  const platform::FileSystem& fileSystem_;
  ServiceBase base_;
  std::chrono::milliseconds searchTime_;
  std::shared_ptr<bool> running_ = std::make_shared<bool>(false);
};

}  // namespace orvanta::search
