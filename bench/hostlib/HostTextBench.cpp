// HostTextBench.cpp — the text and pattern routines over a report-sized text (50 KB of label lines), and
// how long the step budget lets a backtracking pattern run before it is stopped.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "hostlib/uRegExFunctions.h"
#include "hostlib/uTextFunctions.h"

namespace {

using namespace varnholt;

// A report of label lines with CR LF ends, the value the scripts look for on its last line.
const std::string& Report() {
  static const std::string report = [] {
    std::string text;
    for (int i = 0; text.size() < 50000; ++i) {
      text += "Sample Name: QC" + std::to_string(i) + "  Operator: mk  Acquired: 12.05.2010 10:11\r\n";
    }
    return text + "Vial: 12 B.x\r\n";
  }();
  return report;
}

// A disabled logger: the records' cost is the logger's own benchmark.
TLogger& Log() {
  static const std::filesystem::path folder = [] {
    std::string pattern = (std::filesystem::temp_directory_path() / "varnholt-bench-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) std::abort();
    return std::filesystem::path(pattern);
  }();
  static TLogger log(folder / "bench.LOG", false, 1000, kDefaultLogTypes);
  return log;
}

void BM_BetweenLastLine(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(Between(Log(), Report(), "vial:", "."));
}
BENCHMARK(BM_BetweenLastLine);

void BM_TokenLastField(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(Token(Log(), Report(), ":", -1));
}
BENCHMARK(BM_TokenLastField);

void BM_REFindLazy(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(REFind(Log(), Report(), "(Vial:)(.*?)(\\.)", 2));
}
BENCHMARK(BM_REFindLazy);

void BM_REMatchCaseless(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(REMatch(Log(), Report(), "(?i)vial:\\s*\\d+"));
}
BENCHMARK(BM_REMatchCaseless);

void BM_REReplaceLineBreaks(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(REReplace(Log(), Report(), "[\\n\\r]", ""));
}
BENCHMARK(BM_REReplaceLineBreaks);

// Runs of 18 "a" and a "b": below PCRE2's per-position limit everywhere, stopped by the step budget.
void BM_BacktrackingStopped(benchmark::State& state) {
  std::string runs;
  for (int i = 0; i < 300; ++i) runs += std::string(18, 'a') + "b";
  for (auto _ : state) benchmark::DoNotOptimize(REMatch(Log(), runs, "(a+)+$"));
}
BENCHMARK(BM_BacktrackingStopped)->Iterations(2)->Unit(benchmark::kMillisecond);

}  // namespace
