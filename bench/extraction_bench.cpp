// The text of HTML documents built to be hard beside an ordinary one of the
// same size: 512 KiB of '&' (each could start an entity) must cost about
// what ordinary text does, not time growing with the square of the size.
#include "text_extraction.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>

namespace {

constexpr qsizetype kBytes = 512 * 1024;

QString hostile(int kind) {
  switch (kind) {
    case 0:
      return QString(kBytes, u'&');
    case 1:
      return QStringLiteral("&x").repeated(kBytes / 2);
    default: {
      const QString piece = QStringLiteral("<p>Quarterly figures &amp; notes for the board.</p>\n");
      return piece.repeated(kBytes / piece.size());
    }
  }
}

void BM_HtmlText512KiB(benchmark::State& state) {
  const QString html = hostile(static_cast<int>(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(orvanta::service::textOfHtml(html));
  state.SetLabel(state.range(0) == 0 ? "all '&'" : state.range(0) == 1 ? "'&x' repeated" : "ordinary HTML");
}
BENCHMARK(BM_HtmlText512KiB)->Arg(2)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// Prints the usual table and remembers each run's time per iteration.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.run_type == Run::RT_Iteration && run.iterations > 0) times[run.run_name.args] = run.GetAdjustedRealTime();
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
  const auto ordinary = reporter.times.find("2");
  const auto ampersands = reporter.times.find("0");
  if (ordinary != reporter.times.end() && ampersands != reporter.times.end() && ordinary->second > 0) {
    std::printf("text of 512 KiB of '&' / of ordinary HTML of the same size: %.2fx (goal: within 3x)\n",
                ampersands->second / ordinary->second);
  }
  return 0;
}
