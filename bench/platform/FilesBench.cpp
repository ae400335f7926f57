// FilesBench.cpp — what crash-safe placement costs per report (the flushes to disk are most of it), and
// the in-use test the automatic pass runs on every queued file.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "bench/support/BenchFolder.h"
#include "platform/Files.h"

namespace {

namespace fs = std::filesystem;
using namespace varnholt::platform;

using varnholt::bench::TBenchFolder;

// About the size of an instrument report: 50 KB to a few hundred.
void WriteReport(const fs::path& path, std::size_t size) {
  std::ofstream(path, std::ios::binary) << std::string(size, 'x');
}

void BM_MoveWithinAFileSystem(benchmark::State& state) {
  TBenchFolder dir;
  fs::create_directories(dir / "PDF");
  fs::create_directories(dir / "Archive");
  WriteReport(dir / "PDF/r.pdf", 200 * 1024);
  bool there = false;
  for (auto _ : state) {
    const TStatus moved = there ? MoveFileNoOverwrite(dir / "Archive/r.pdf", dir / "PDF/r.pdf")
                                : MoveFileNoOverwrite(dir / "PDF/r.pdf", dir / "Archive/r.pdf");
    if (!moved.ok()) state.SkipWithError(moved.Message().c_str());
    there = !there;
  }
}
BENCHMARK(BM_MoveWithinAFileSystem)->Unit(benchmark::kMillisecond);

void BM_CopyIntoPlace(benchmark::State& state) {
  TBenchFolder dir;
  fs::create_directories(dir / "Archive");
  WriteReport(dir / "r.pdf", static_cast<std::size_t>(state.range(0)) * 1024);
  for (auto _ : state) {
    const TStatus copied = CopyFileNoOverwrite(dir / "r.pdf", dir / "Archive/r.pdf");
    if (!copied.ok()) state.SkipWithError(copied.Message().c_str());
    state.PauseTiming();
    fs::remove(dir / "Archive/r.pdf");
    state.ResumeTiming();
  }
}
BENCHMARK(BM_CopyIntoPlace)->Arg(200)->Arg(5 * 1024)->Unit(benchmark::kMillisecond);

void BM_MoveByCopy(benchmark::State& state) {
  TBenchFolder dir;
  fs::create_directories(dir / "PDF");
  fs::create_directories(dir / "Archive");
  WriteReport(dir / "PDF/r.pdf", 200 * 1024);
  bool there = false;
  for (auto _ : state) {
    const TStatus moved = there ? MoveFileByCopy(dir / "Archive/r.pdf", dir / "PDF/r.pdf")
                                : MoveFileByCopy(dir / "PDF/r.pdf", dir / "Archive/r.pdf");
    if (!moved.ok()) state.SkipWithError(moved.Message().c_str());
    there = !there;
  }
}
BENCHMARK(BM_MoveByCopy)->Unit(benchmark::kMillisecond);

void BM_IsFileInUse(benchmark::State& state) {
  TBenchFolder dir;
  WriteReport(dir / "r.pdf", 1024);
  for (auto _ : state) benchmark::DoNotOptimize(IsFileInUse(dir / "r.pdf"));
}
BENCHMARK(BM_IsFileInUse)->Unit(benchmark::kMicrosecond);

// The fallback when no lease can be taken: a look through every process's open files.
void BM_IsOpenForWritingElsewhere(benchmark::State& state) {
  TBenchFolder dir;
  WriteReport(dir / "r.pdf", 1024);
  for (auto _ : state) benchmark::DoNotOptimize(IsOpenForWritingElsewhere(dir / "r.pdf"));
}
BENCHMARK(BM_IsOpenForWritingElsewhere)->Unit(benchmark::kMicrosecond);

}  // namespace
