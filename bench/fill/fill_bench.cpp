// FillResultsPanel over 56 rows (seven full groups at the default of seven
// results per group) on a panel of real widgets on the offscreen platform,
// the event pump included. The budget is one frame at 60 Hz (16 ms).
#include "search/results_panel.h"
#include "widget_panel.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

using orvanta::search::Category;
using orvanta::search::CategoryLists;

QString fileName(const QString& path) { return QFileInfo(path).fileName(); }

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
  const CategoryLists lists = fiftySixHits(dir, imageFiles);
  orvanta::bench::WidgetPanel panel;
  orvanta::search::PanelState panelState;
  for (auto _ : state) {
    panelState.RowIndex = 1;
    panelState.RowTop = 1360;
    orvanta::search::FillResultsPanel(panel, panelState, lists, fileName);
  }
  if (panelState.RowIndex != 57) state.SkipWithError("the fill did not place 56 rows");
  state.counters["rows"] = panelState.RowIndex - 1;
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
