// Hits while typing, the real program's pipeline: the results window on the
// offscreen platform with the preference on, its search of typed words
// through the real HTTP transfer against the bundled local search service
// over a generated tree (ORVANTA_TYPING_BENCH_FILES files, 200,000 unless
// told; the tree is made and indexed before the first figure). Each iteration puts all but the last character of a word
// in the search box, presses the last key and waits for the rows of that word. Printed per word length: p50 and p95
// from the key press to the filled rows, and the same less the typing pause (from the moment the pause has passed, when
// the one request goes out).
#include "form1_stand_ins.h"
#include "platform/file_registry.h"
#include "platform/qt_file_system.h"
#include "platform/qt_http_transfer.h"
#include "results_window/form1.h"
#include "results_window/form1_search.h"
#include "search/search_pipeline.h"
#include "settings/reg_keys.h"
#include "settings/settings_table.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QKeyEvent>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

using namespace orvanta;

// Syllables that make the tree's words; every name holds two words.
const char* const kSyllables[] = {"re", "port", "ka", "lo", "mi",  "ter", "sun", "vel", "dra", "nix",
                                  "bo", "an",   "tu", "ri", "pel", "som", "ga",  "fen", "or",  "is"};
constexpr int kSyllableCount = 20;
const char* const kExtensions[] = {"txt", "pdf", "mp3", "png", "exe", "odt", "mp4", "md"};

QString word(int n) {
  return QString::fromLatin1(kSyllables[n % kSyllableCount]) +
         QString::fromLatin1(kSyllables[(n / kSyllableCount) % kSyllableCount]);
}

int treeSize() {
  bool ok = false;
  const int told = qEnvironmentVariableIntValue("ORVANTA_TYPING_BENCH_FILES", &ok);
  return ok && told > 0 ? told : 200'000;
}

struct Service {
  QTemporaryDir dir;
  std::unique_ptr<platform::FileRegistry> registry;
  std::unique_ptr<settings::RegKeys> regKeys;
  QProcess process;
  QString base;
  QString error;
  int files = treeSize();
  double generateSeconds = 0;
  double indexSeconds = 0;

  Service() {
    const QString root = dir.filePath(QStringLiteral("tree"));
    QElapsedTimer clock;
    clock.start();
    // 1,000 files a folder, names of two words and a number.
    for (int i = 0; i < files; ++i) {
      const QString folder = root + QStringLiteral("/d%1").arg(i / 1000);
      if (i % 1000 == 0 && !QDir().mkpath(folder)) {
        error = QStringLiteral("cannot make ") + folder;
        return;
      }
      QFile file(folder + QStringLiteral("/%1-%2-%3.%4")
                              .arg(word(i * 7), word(i / 3 + 11))
                              .arg(i)
                              .arg(QString::fromLatin1(kExtensions[i % 8])));
      if (!file.open(QIODevice::WriteOnly)) {
        error = QStringLiteral("cannot write the tree");
        return;
      }
    }
    generateSeconds = clock.elapsed() / 1000.0;
    clock.restart();
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.path());
    environment.insert(QStringLiteral("XDG_CACHE_HOME"), dir.filePath(QStringLiteral("cache")));
    process.setProcessEnvironment(environment);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(QStringLiteral(ORVANTA_SERVICE_BINARY),
                  {QStringLiteral("--port"), QStringLiteral("0"), QStringLiteral("--root"), root});
    QString log;
    QDeadlineTimer deadline(30 * 60 * 1000);
    const QRegularExpression indexed(QStringLiteral("indexed (\\d+) entries"));
    while (!deadline.hasExpired() && !indexed.match(log).hasMatch()) {
      process.waitForReadyRead(200);
      log += QString::fromLocal8Bit(process.readAll());
      if (process.state() == QProcess::NotRunning) break;
    }
    indexSeconds = clock.elapsed() / 1000.0;
    const QRegularExpressionMatch match = QRegularExpression(QStringLiteral("listening on port (\\d+)")).match(log);
    if (!match.hasMatch() || !indexed.match(log).hasMatch()) {
      error = QStringLiteral("the service did not index the tree: ") + log;
      return;
    }
    base = QStringLiteral("http://127.0.0.1:") + match.captured(1);
    registry = std::make_unique<platform::FileRegistry>(dir.path() + QStringLiteral("/orvanta/registry.reg"));
    regKeys = std::make_unique<settings::RegKeys>(*registry);
    const QString code =
        regKeys->ReadRegValue(platform::RegRoot::LocalMachine, settings::kServiceKey, settings::kServiceSecurityCode);
    settings::writeSetting(*regKeys, u"SearchPrefix",
                           base + QStringLiteral("/search&s=") + code + QStringLiteral("?q="));
    settings::writeSetting(*regKeys, u"SearchSuffix", QStringLiteral("&ie=UTF-8"));
    settings::writeSetting(*regKeys, u"ShowHitsWhileTyping", QStringLiteral(" 1"));
    std::fprintf(stderr, "tree of %d files made in %.1f s, indexed by the service in %.1f s\n", files, generateSeconds,
                 indexSeconds);
  }
  ~Service() {
    process.kill();
    process.waitForFinished(5000);
  }
};

Service& service() {
  static Service instance;
  return instance;
}

double percentile(std::vector<double> samples, double p) {
  if (samples.empty()) return -1;
  std::sort(samples.begin(), samples.end());
  const auto at = static_cast<std::size_t>(p * static_cast<double>(samples.size() - 1) + 0.5);
  return samples[std::min(at, samples.size() - 1)];
}

// Key press to filled rows for the words of `words`, in turn.
void keyPressToRows(benchmark::State& state, const QStringList& words) {
  Service& s = service();
  if (!s.error.isEmpty()) {
    state.SkipWithError(s.error.toStdString().c_str());
    return;
  }
  bench::OffscreenWindowSystem windowSystem;
  bench::NoPreferences preferences;
  bench::NoOtherWindows windows;
  platform::QtHttpTransfer http;
  const platform::QtFileSystem fileSystem;
  search::SearchPipeline pipeline(*s.regKeys, http, fileSystem, {.numeric = s.base, .named = s.base});
  results_window::Form1 form(*s.regKeys, windowSystem, preferences, windows);
  form.setSearchCallback([&](const QString& text) { return results_window::searchAndFill(form, pipeline, text); });
  form.setTypedSearch(
      [&](const QString& text, const std::function<bool()>& stale) {
        return results_window::typedSearchAndFill(form, pipeline, text, stale);
      },
      [&] { pipeline.cancelTyped(); });
  form.Form_Load();
  form.show();
  QCoreApplication::processEvents();

  // The moment the pause has passed: the pause timer's event, seen before
  // the timer acts on it (its search runs inside that event).
  struct PauseWatch : QObject {
    QElapsedTimer* clock = nullptr;
    qint64 ended = -1;
    bool eventFilter(QObject*, QEvent* event) override {
      if (event->type() == QEvent::Timer && clock && ended < 0) ended = clock->nsecsElapsed();
      return false;
    }
  } pauseWatch;
  form.TypingPause()->installEventFilter(&pauseWatch);

  std::vector<double> total;
  std::vector<double> afterPause;
  qsizetype i = 0;
  double hits = 0;
  for (auto _ : state) {
    const QString typed = words[i++ % words.size()];
    // The first characters, then the timed last key.
    form.Text1()->setText(typed.chopped(1));
    form.Search.SearchQuery.clear();
    QElapsedTimer clock;
    clock.start();
    pauseWatch.clock = &clock;
    pauseWatch.ended = -1;
    const QChar last = typed.back();
    QKeyEvent press(QEvent::KeyPress, Qt::Key_A + (last.unicode() - 'a'), Qt::NoModifier, QString(last));
    QCoreApplication::sendEvent(form.Text1(), &press);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_A + (last.unicode() - 'a'), Qt::NoModifier, QString(last));
    QCoreApplication::sendEvent(form.Text1(), &release);
    while (form.Search.SearchQuery != typed || form.isTypedSearchRunning()) {
      QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
      if (clock.elapsed() > 60'000) {
        state.SkipWithError("no rows within a minute");
        return;
      }
    }
    const double elapsed = static_cast<double>(clock.nsecsElapsed());
    total.push_back(elapsed / 1e6);
    afterPause.push_back((elapsed - static_cast<double>(std::max<qint64>(pauseWatch.ended, 0))) / 1e6);
    state.SetIterationTime(elapsed / 1e9);
    qsizetype found = 0;
    for (const QStringList& list : form.Search.categories.lists) found += list.size();
    hits += static_cast<double>(found);
  }
  state.counters["files"] = s.files;
  state.counters["hits_avg"] = hits / static_cast<double>(total.size());
  state.counters["p50_ms"] = percentile(total, 0.50);
  state.counters["p95_ms"] = percentile(total, 0.95);
  state.counters["p50_after_pause_ms"] = percentile(afterPause, 0.50);
  state.counters["p95_after_pause_ms"] = percentile(afterPause, 0.95);
}

// Words of the tree's names: three and more characters, and two.
const QStringList kLongWords{QStringLiteral("report"), QStringLiteral("kalo"),   QStringLiteral("miter"),
                             QStringLiteral("sunvel"), QStringLiteral("dranix"), QStringLiteral("boan"),
                             QStringLiteral("turi"),   QStringLiteral("pelsom"), QStringLiteral("gafen"),
                             QStringLiteral("oris"),   QStringLiteral("rep"),    QStringLiteral("nix")};
const QStringList kTwoCharacterWords{
    QStringLiteral("re"), QStringLiteral("ka"), QStringLiteral("mi"), QStringLiteral("su"), QStringLiteral("dr"),
    QStringLiteral("bo"), QStringLiteral("tu"), QStringLiteral("pe"), QStringLiteral("ga"), QStringLiteral("or")};

void BM_KeyPressToRowsThreeOrMoreCharacters(benchmark::State& state) { keyPressToRows(state, kLongWords); }
void BM_KeyPressToRowsTwoCharacters(benchmark::State& state) { keyPressToRows(state, kTwoCharacterWords); }

// Key presses timed per word length (ORVANTA_TYPING_BENCH_KEYS, 100 unless
// told).
int keyPresses() {
  bool ok = false;
  const int told = qEnvironmentVariableIntValue("ORVANTA_TYPING_BENCH_KEYS", &ok);
  return ok && told > 0 ? told : 100;
}

BENCHMARK(BM_KeyPressToRowsThreeOrMoreCharacters)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(keyPresses());
BENCHMARK(BM_KeyPressToRowsTwoCharacters)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(keyPresses());

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
