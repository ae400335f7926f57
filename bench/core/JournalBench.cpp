// JournalBench.cpp — the audit journal with 100,000 entries in it: what one more append costs (the
// budget is 2 ms), a query by sample name (50 ms) and a check of the whole chain.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "bench/support/BenchFolder.h"
#include "core/uJournal.h"
#include "platform/Files.h"

namespace varnholt::bench {
namespace {

constexpr int kEntries = 100000;

TJournalEntry Entry(int n) {
  TJournalEntry e;
  e.timeUtc = "2024-05-01T12:00:00.000Z";
  e.timeLocal = "2024-05-01T14:00:00.000+0200";
  e.user = "lab";
  e.machine = "bench";
  e.process = "varnholt-cli[1]";
  e.mode = "automatic";
  e.report = "C:\\PDF\\report" + std::to_string(n) + ".pdf";
  e.queueName = "report" + std::to_string(n) + ".pdf";
  e.outcome = n % 10 == 0 ? "in-failed" : "filed";
  e.location = "C:\\PDFSTORE\\SAMPLE-" + std::to_string(n) + ".PDF";
  e.filedAs = "SAMPLE-" + std::to_string(n) + ".PDF";
  e.scriptEnd = "done";
  e.reportSha256 = platform::Sha256Of(e.report);
  e.scriptSha256 = platform::Sha256Of("script");
  e.text1Sha256 = e.reportSha256;
  e.text2Sha256 = e.reportSha256;
  e.files.push_back({e.location, "moved", e.reportSha256});
  // About what a filing by the standard script logs.
  for (int i = 0; i < 12; ++i)
    e.records += "25.12.2010\t14:30:00\tMsg\tVarnholt\tPdfCopyMoveTo\tDone\t" + e.location + "\n";
  return e;
}

// One journal of kEntries for all the benchmarks of this program, made once.
struct TFilledJournal {
  TBenchFolder folder;
  TJournal journal;
  TFilledJournal() {
    (void)journal.Open(folder / "Varnholt.journal");
    for (int n = 0; n < kEntries; ++n) {
      TJournalEntry entry = Entry(n);
      (void)journal.Append(entry, "script");
    }
  }
};

TFilledJournal& Filled() {
  static TFilledJournal filled;
  return filled;
}

void BM_JournalAppendAt100k(benchmark::State& state) {
  TJournal& journal = Filled().journal;
  int n = kEntries;
  for (auto _ : state) {
    TJournalEntry entry = Entry(n++);
    if (!journal.Append(entry, "script")) state.SkipWithError("append failed");
  }
}
BENCHMARK(BM_JournalAppendAt100k)->Unit(benchmark::kMillisecond);

void BM_JournalQueryBySampleAt100k(benchmark::State& state) {
  TJournal& journal = Filled().journal;
  std::vector<TJournalEntry> entries;
  for (auto _ : state) {
    TJournalQuery query;
    query.sample = "sample-4711.";
    (void)journal.List(query, entries);
    benchmark::DoNotOptimize(entries.data());
  }
  state.counters["found"] = static_cast<double>(entries.size());
}
BENCHMARK(BM_JournalQueryBySampleAt100k)->Unit(benchmark::kMillisecond);

void BM_JournalVerifyAt100k(benchmark::State& state) {
  TJournal& journal = Filled().journal;
  for (auto _ : state) benchmark::DoNotOptimize(journal.Verify().ok);
}
BENCHMARK(BM_JournalVerifyAt100k)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
}  // namespace varnholt::bench
