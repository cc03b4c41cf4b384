// Speed of the result page scan and the classification: a 1 MiB page with
// 2,000 hits, and a 10 MiB page without markers next to a plain search for
// the marker over the same text, with the ratio of the two printed.
#include "search/classification.h"
#include "search/result_page_scan.h"
#include "settings/settings_table.h"

#include <QSet>
#include <QString>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>

namespace {

using namespace orvanta;

// Paths from a table, without touching the disk.
class TableFileSystem : public platform::FileSystem {
 public:
  platform::PathKind kindOf(const QString& path) const override {
    if (folders.contains(path)) return platform::PathKind::Folder;
    return files.contains(path) ? platform::PathKind::File : platform::PathKind::Missing;
  }
  QSet<QString> files;
  QSet<QString> folders;
};

struct HitPage {
  QString text;
  TableFileSystem fileSystem;
};

// About 1 MiB of page text (in characters) holding `hits` markers among
// ordinary markup, with paths of every category.
const HitPage& hitPage() {
  static const HitPage page = [] {
    HitPage built;
    const char* extensions[] = {"mp3", "txt", "jpg", "pdf", "mov", "exe", "widget", ""};
    const int hits = 2'000;
    const qsizetype target = 1 << 20;
    const QString filler = QStringLiteral("<div class=\"row\"><a href=\"/ok?url=%2Fx\">more</a></div>\n");
    const qsizetype perHit = target / hits;
    for (int i = 0; i < hits; ++i) {
      const char* extension = extensions[i % 8];
      QString path = QStringLiteral("/home/user/Documents/project %1/O&#39;Brien file %2").arg(i % 37).arg(i);
      if (*extension) path += u'.' + QString::fromLatin1(extension);
      const QString decoded = QString(path).replace(QStringLiteral("&#39;"), QStringLiteral("'"));
      if (i % 3 == 0) built.fileSystem.files.insert(decoded);
      if (i % 11 == 0) built.fileSystem.folders.insert(decoded);
      QString entry = QStringLiteral("<li><span title=\"") + path + QStringLiteral("\">file</span></li>\n");
      while (entry.size() < perHit) entry += filler;
      built.text += entry.left(qMax(perHit, entry.indexOf(u'\n') + 1));
    }
    built.text += QString(64, u' ');
    return built;
  }();
  return page;
}

const QString& plainPage() {
  static const QString page = [] {
    const QString line = QStringLiteral("<tr><td class=\"name\">span titles are absent here</td><td>42 KB</td></tr>\n");
    QString text;
    while (text.size() < 10 * 1024 * 1024) text += line;
    return text;
  }();
  return page;
}

void BM_ScanAndClassify1MiB(benchmark::State& state) {
  const HitPage& page = hitPage();
  const search::ExtensionLists lists = search::defaultExtensionLists();
  int hits = 0;
  for (auto _ : state) {
    search::CategoryLists categories;
    search::TopHitLabel topHit;
    hits = 0;
    search::scanResultPage(page.text, [&](const QString& hit) {
      ++hits;
      search::classifyHit(hit, lists, page.fileSystem, categories, topHit);
    });
    benchmark::DoNotOptimize(categories);
  }
  state.counters["hits"] = hits;
  state.SetBytesProcessed(state.iterations() * page.text.size() * qsizetype(sizeof(QChar)));
}
BENCHMARK(BM_ScanAndClassify1MiB)->Unit(benchmark::kMillisecond);

void BM_Scan10MiBWithoutMarkers(benchmark::State& state) {
  const QString& page = plainPage();
  for (auto _ : state) {
    int hits = 0;
    search::scanResultPage(page, [&](const QString&) { ++hits; });
    benchmark::DoNotOptimize(hits);
  }
  state.SetBytesProcessed(state.iterations() * page.size() * qsizetype(sizeof(QChar)));
}
BENCHMARK(BM_Scan10MiBWithoutMarkers)->Unit(benchmark::kMillisecond);

void BM_IndexOf10MiB(benchmark::State& state) {
  const QString& page = plainPage();
  for (auto _ : state) benchmark::DoNotOptimize(QStringView(page).indexOf(u"span title="));
  state.SetBytesProcessed(state.iterations() * page.size() * qsizetype(sizeof(QChar)));
}
BENCHMARK(BM_IndexOf10MiB)->Unit(benchmark::kMillisecond);

// Pages built to be hard: 10 MiB of markers without a quote, and 10 MiB of
// markers all closed by one quote at the very end.
void BM_Scan10MiBOfMarkers(benchmark::State& state) {
  const bool closed = state.range(0) != 0;
  QString page = QStringLiteral("span title=").repeated(10 * 1024 * 1024 / 11);
  if (closed) page += QStringLiteral("\"") + QString(30, u' ');
  for (auto _ : state) {
    qsizetype total = 0;
    search::scanResultPage(page, [&](const QString& hit) { total += hit.size(); });
    benchmark::DoNotOptimize(total);
  }
  state.SetLabel(closed ? "closed by one quote at the end" : "no quote");
}
BENCHMARK(BM_Scan10MiBOfMarkers)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// Prints the usual table and remembers each benchmark's time per iteration.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.run_type == Run::RT_Iteration && run.iterations > 0) {
        times[run.run_name.function_name] = run.GetAdjustedRealTime();
      }
    }
  }
  std::map<std::string, double> times;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  const auto scan = reporter.times.find("BM_Scan10MiBWithoutMarkers");
  const auto plain = reporter.times.find("BM_IndexOf10MiB");
  if (scan != reporter.times.end() && plain != reporter.times.end() && plain->second > 0) {
    std::printf("scan of 10 MiB without markers / QStringView::indexOf over the same text: %.2fx (goal: within 3x)\n",
                scan->second / plain->second);
  }
  return 0;
}
