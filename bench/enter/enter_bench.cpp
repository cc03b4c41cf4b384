// Enter in the results window's search box to the filled panel, against the
// bundled local search service on loopback answering a page of 100 hits:
// the eleven requests, the scan, the classification and the fill of the
// real window's rows on the offscreen platform. Next to it, in the same run,
// the same search without the window: the search pipeline's eleven
// requests to the same service, the scan and the classification.
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
#include <QImage>
#include <QFile>
#include <QKeyEvent>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <memory>
#include <optional>

namespace {

using namespace orvanta;

constexpr int kHits = 100;

using bench::NoOtherWindows;
using bench::NoPreferences;
using bench::OffscreenWindowSystem;

enum class Sample { TextFiles, LargePictures, EmptyPictures };

constexpr int kPictureHits = 56;

// The service over a folder of kHits text files named "hit-NNN.txt" (or
// kPictureHits pictures "hit-NN.png"), its port and the settings of a
// search for "hit".
struct Service {
  QTemporaryDir dir;
  std::unique_ptr<platform::FileRegistry> registry;
  std::unique_ptr<settings::RegKeys> regKeys;
  QProcess process;
  QString base;
  QString error;

  explicit Service(Sample sample = Sample::TextFiles) {
    const QString root = dir.filePath(QStringLiteral("sample"));
    QDir().mkpath(root);
    const int count = sample == Sample::TextFiles ? kHits : kPictureHits;
    QString picture;
    if (sample == Sample::LargePictures) {
      picture = dir.filePath(QStringLiteral("picture.png"));
      QImage image(6000, 4000, QImage::Format_RGB32);
      image.fill(QColor(40, 90, 160));
      if (!image.save(picture, "png")) error = QStringLiteral("cannot write the picture");
    }
    for (int i = 0; i < count; ++i) {
      const QString name = sample == Sample::TextFiles ? QStringLiteral("/hit-%1.txt").arg(i, 3, 10, QLatin1Char('0'))
                                                       : QStringLiteral("/hit-%1.png").arg(i, 2, 10, QLatin1Char('0'));
      if (!picture.isEmpty()) {
        if (!QFile::copy(picture, root + name)) error = QStringLiteral("cannot write the sample folder");
        continue;
      }
      QFile file(root + name);
      if (!file.open(QIODevice::WriteOnly)) error = QStringLiteral("cannot write the sample folder");
    }
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.path());
    process.setProcessEnvironment(environment);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(QStringLiteral(ORVANTA_SERVICE_BINARY),
                  {QStringLiteral("--port"), QStringLiteral("0"), QStringLiteral("--root"), root});
    QString log;
    QString port;
    QDeadlineTimer deadline(20000);
    while (!deadline.hasExpired() && !log.contains(QStringLiteral("indexed %1 entries").arg(count))) {
      process.waitForReadyRead(100);
      log += QString::fromLocal8Bit(process.readAll());
    }
    const QRegularExpressionMatch match = QRegularExpression(QStringLiteral("listening on port (\\d+)")).match(log);
    if (!match.hasMatch() || !log.contains(QStringLiteral("indexed"))) {
      error = QStringLiteral("the service did not start: ") + log;
      return;
    }
    base = QStringLiteral("http://127.0.0.1:") + match.captured(1);
    registry = std::make_unique<platform::FileRegistry>(dir.path() + QStringLiteral("/orvanta/registry.reg"));
    regKeys = std::make_unique<settings::RegKeys>(*registry);
    const QString code =
        regKeys->ReadRegValue(platform::RegRoot::LocalMachine, settings::kServiceKey, settings::kServiceSecurityCode);
    settings::writeSetting(*regKeys, u"SearchPrefix", base + QStringLiteral("/search&s=") + code +
                                                          QStringLiteral("?q="));
    settings::writeSetting(*regKeys, u"SearchSuffix", QStringLiteral("&ie=UTF-8"));
    // Every picture hit gets a row of the Images group.
    if (sample != Sample::TextFiles) settings::writeSetting(*regKeys, u"MaxSearchResults", QString::number(count - 1));
  }
  ~Service() {
    process.kill();
    process.waitForFinished(5000);
  }
};

Service& service(Sample sample = Sample::TextFiles) {
  static std::map<Sample, std::unique_ptr<Service>> instances;
  std::unique_ptr<Service>& instance = instances[sample];
  if (!instance) instance = std::make_unique<Service>(sample);
  return *instance;
}

void pressEnter(results_window::Form1& form) {
  QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
  QCoreApplication::sendEvent(form.Text1(), &press);
  QKeyEvent release(QEvent::KeyRelease, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
  QCoreApplication::sendEvent(form.Text1(), &release);
}

void BM_EnterToFilledPanel(benchmark::State& state) {
  Service& s = service();
  if (!s.error.isEmpty()) {
    state.SkipWithError(s.error.toStdString().c_str());
    return;
  }
  OffscreenWindowSystem windowSystem;
  NoPreferences preferences;
  NoOtherWindows windows;
  platform::QtHttpTransfer http;
  const platform::QtFileSystem fileSystem;
  search::SearchPipeline pipeline(*s.regKeys, http, fileSystem, {.numeric = s.base, .named = s.base});
  results_window::Form1 form(*s.regKeys, windowSystem, preferences, windows);
  form.setSearchCallback(
      [&](const QString& text) { return results_window::searchAndFill(form, pipeline, text); });
  form.Form_Load();
  form.show();
  form.Text1()->setText(QStringLiteral("hit"));
  for (auto _ : state) pressEnter(form);
  qsizetype hits = 0;
  for (const QStringList& list : form.Search.categories.lists) hits += list.size();
  state.counters["hits"] = static_cast<double>(hits);
  state.counters["rows"] = form.Panel.RowIndex - 1;
  if (hits != kHits) state.SkipWithError("the page did not carry every hit");
}

// The search of the same Enter without the window: the pipeline's eleven
// requests (navigation, letter search, the four service pages, the
// unsupported address and the search twice), the scan of the answer and
// the classification of its hits with the window's extension lists.
void BM_SearchWithoutTheWindow(benchmark::State& state) {
  Service& s = service();
  if (!s.error.isEmpty()) {
    state.SkipWithError(s.error.toStdString().c_str());
    return;
  }
  OffscreenWindowSystem windowSystem;
  NoPreferences preferences;
  NoOtherWindows windows;
  results_window::Form1 form(*s.regKeys, windowSystem, preferences, windows);
  form.Form_Load();
  search::ExtensionLists extensions = form.Extensions;
  extensions.desktopApplications = QString();  // no desktop launcher here, as in the Enter above
  platform::QtHttpTransfer http;
  const platform::QtFileSystem fileSystem;
  search::SearchPipeline pipeline(*s.regKeys, http, fileSystem, {.numeric = s.base, .named = s.base});
  search::SearchState searchState;
  QObject owner;
  for (auto _ : state) {
    if (pipeline.run(QStringLiteral("hit"), extensions, searchState, &owner) != search::SearchOutcome::Completed) {
      state.SkipWithError("the search did not complete");
      return;
    }
  }
  qsizetype hits = 0;
  for (const QStringList& list : searchState.categories.lists) hits += list.size();
  state.counters["hits"] = static_cast<double>(hits);
  state.counters["page_chars"] = static_cast<double>(searchState.ResultPage.size());
  if (hits != kHits) state.SkipWithError("the page did not carry every hit");
}

// Enter to 56 filled Images rows over the pictures of `sample`; the
// thumbnail cache is an empty folder, so every picture is decoded.
void enterToImagesRows(benchmark::State& state, Sample sample) {
  Service& s = service(sample);
  if (!s.error.isEmpty()) {
    state.SkipWithError(s.error.toStdString().c_str());
    return;
  }
  OffscreenWindowSystem windowSystem;
  NoPreferences preferences;
  NoOtherWindows windows;
  platform::QtHttpTransfer http;
  const platform::QtFileSystem fileSystem;
  search::SearchPipeline pipeline(*s.regKeys, http, fileSystem, {.numeric = s.base, .named = s.base});
  results_window::Form1 form(*s.regKeys, windowSystem, preferences, windows);
  form.hitPictures().setThumbnailRoot(s.dir.filePath(QStringLiteral("cache/thumbnails")));
  form.setSearchCallback(
      [&](const QString& text) { return results_window::searchAndFill(form, pipeline, text); });
  form.Form_Load();
  form.show();
  form.Text1()->setText(QStringLiteral("hit"));
  for (auto _ : state) pressEnter(form);
  state.counters["rows"] = form.Panel.RowIndex - 1;
  if (form.Search.categories[search::Category::Images].size() != kPictureHits) {
    state.SkipWithError("the page did not carry every picture");
  }
  // For the record, after the timed part: how long the first row's
  // picture and the first eight (the Images rows of a search at the default
  // of seven per group) take to land after the last Enter.
  QElapsedTimer landing;
  landing.start();
  double firstLanded = -1;
  while (kPictureHits - form.hitPictures().pendingCount() < 8 && landing.elapsed() < 120000) {
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
    if (firstLanded < 0 && form.hitPictures().pendingCount() < kPictureHits) {
      firstLanded = static_cast<double>(landing.elapsed());
    }
  }
  state.counters["first_picture_ms"] = firstLanded;
  state.counters["eight_pictures_ms"] = static_cast<double>(landing.elapsed());
}

void BM_EnterTo56ImagesRows24Megapixel(benchmark::State& state) { enterToImagesRows(state, Sample::LargePictures); }
void BM_EnterTo56ImagesRowsEmptyFiles(benchmark::State& state) { enterToImagesRows(state, Sample::EmptyPictures); }

BENCHMARK(BM_EnterTo56ImagesRows24Megapixel)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_EnterTo56ImagesRowsEmptyFiles)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_EnterToFilledPanel)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_SearchWithoutTheWindow)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
