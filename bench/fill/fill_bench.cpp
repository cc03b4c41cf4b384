// FillResultsPanel over 56 rows (seven full groups at the default of seven
// results per group) on the results window's own controls, as a search
// fills them, on the offscreen platform with the event pump included. The
// budget is one frame at 60 Hz (16 ms).
#include "form1_stand_ins.h"
#include "platform/file_registry.h"
#include "platform/file_system.h"
#include "results_window/form1.h"
#include "results_window/form1_panel.h"
#include "search/results_panel.h"
#include "settings/reg_keys.h"

#include <QApplication>
#include <QImage>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

using namespace orvanta;
using search::Category;
using search::CategoryLists;

QStringList paths(const QString& dir, const char* stem, const char* extension) {
  QStringList list;
  for (int i = 0; i < 8; ++i) {
    list << QStringLiteral("%1/%2 %3.%4").arg(dir, QString::fromLatin1(stem)).arg(i).arg(QString::fromLatin1(extension));
  }
  return list;
}

// Seven groups of eight hits; the Images hits are real 64 x 64 PNG files
// unless `imageFiles` is false, in which case that group holds documents.
CategoryLists fiftySixHits(const QTemporaryDir& dir, bool imageFiles) {
  CategoryLists lists;
  const QString home = QStringLiteral("/home/ann/Projects");
  lists[Category::Applications] = paths(home, "tool", "exe");
  lists[Category::Audio] = paths(home, "song", "mp3");
  lists[Category::Documents] = paths(home, "notes", "txt");
  lists[Category::Folders] = paths(home, "folder", "d");
  lists[Category::PDFs] = paths(home, "paper", "pdf");
  lists[Category::Video] = paths(home, "clip", "avi");
  if (imageFiles) {
    lists[Category::Images] = paths(dir.path(), "photo", "png");
    QImage image(64, 64, QImage::Format_RGB32);
    for (int i = 0; i < 8; ++i) {
      image.fill(QColor(30 * i, 100, 200));
      image.save(lists[Category::Images][i]);
    }
  } else {
    lists[Category::Images] = paths(home, "more", "txt");
  }
  return lists;
}

void fill(benchmark::State& state, bool imageFiles) {
  QTemporaryDir dir;
  // The window loads its settings from a registry file of its own, which
  // the load fills with the defaults; the thumbnail cache is an empty
  // folder, so every picture is read from its file.
  platform::FileRegistry registry(dir.filePath(QStringLiteral("registry.reg")));
  const settings::RegKeys regKeys(registry);
  bench::OffscreenWindowSystem windowSystem;
  bench::NoPreferences preferences;
  bench::NoOtherWindows windows;
  results_window::Form1 form(regKeys, windowSystem, preferences, windows);
  form.hitPictures().setThumbnailRoot(dir.filePath(QStringLiteral("cache/thumbnails")));
  form.Form_Load();
  form.show();
  form.Search.categories = fiftySixHits(dir, imageFiles);
  const int rowTopAtStart = form.Panel.RowTop;
  results_window::Form1Panel panel(form);
  for (auto _ : state) {
    form.Panel.RowIndex = 1;
    form.Panel.RowTop = rowTopAtStart;
    search::FillResultsPanel(panel, form.Panel, form.Search.categories, platform::FileSystem::GetFileName);
  }
  if (form.Panel.RowIndex != 57) state.SkipWithError("the fill did not place 56 rows");
  state.counters["rows"] = form.Panel.RowIndex - 1;
}

void BM_FillResultsPanel56Rows(benchmark::State& state) { fill(state, true); }
void BM_FillResultsPanel56RowsNoImageFiles(benchmark::State& state) { fill(state, false); }

BENCHMARK(BM_FillResultsPanel56Rows)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FillResultsPanel56RowsNoImageFiles)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
