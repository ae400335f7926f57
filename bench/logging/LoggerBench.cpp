// LoggerBench.cpp — the cost of one log record: the turn on the shared log file (lock, append, unlock)
// alone, and with the trim that comes once every Capacity/10 records, spread over the records.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "bench/support/BenchFolder.h"
#include "logging/uLogger.h"

namespace {

namespace fs = std::filesystem;
using namespace varnholt;

using varnholt::bench::TBenchFolder;

// A record as an action run writes them: a file name in Data.
void WriteRecords(benchmark::State& state, int capacity) {
  TBenchFolder dir;
  TLogger log(dir / "Varnholt.LOG", false, capacity, 0xFF);
  for (auto _ : state) {
    log.WriteEntry(ltMsg, "Varnholt", "PdfCopyMoveTo", "Done", "C:\\PDFSTORE\\2024\\WW-2010-1234_0000.PDF");
  }
  state.SetItemsProcessed(state.iterations());
}

// The file never reaches its trim: one turn per record.
void BM_AppendRecord(benchmark::State& state) { WriteRecords(state, 1 << 30); }
BENCHMARK(BM_AppendRecord)->Unit(benchmark::kMicrosecond);

// The shipped capacity: every hundredth record also cuts the file back (rewrites it and the former file,
// both flushed to disk).
void BM_AppendRecordWithTrim(benchmark::State& state) { WriteRecords(state, kDefaultLogCapacity); }
BENCHMARK(BM_AppendRecordWithTrim)->Unit(benchmark::kMicrosecond);

}  // namespace
