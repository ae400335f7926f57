// EngineExtractBench.cpp — EXTRACT by PDF.EXE (both texts, a whole program run with its request and answer
// files) beside pdftotext on the same sample reports: once with -layout and -raw (the same two texts),
// once with -layout alone. The "per_page" counter is the time per page of the report.
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <sys/resource.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/Process.h"

namespace {

namespace fs = std::filesystem;

struct TReport {
  std::string name;
  int pages;
};

// The text-bearing reports and their page counts.
const std::vector<TReport> kReports = {
    {"ms_quant_report.pdf", 2},      {"gc_run_report.pdf", 1},      {"unknown_instrument_report.pdf", 1},
    {"lc_report_5pages.pdf", 5},     {"gc_forbidden_chars.pdf", 1}, {"ms_long_sample_name.pdf", 2},
    {"gc_accented_operator.pdf", 1}, {"gc_us_date.pdf", 1},         {"ms_date_dd_mon_yyyy.pdf", 2},
    {"lc_landscape_rotate90.pdf", 1}};

class TBenchFolder {
 public:
  TBenchFolder() {
    std::string pattern = (fs::temp_directory_path() / "varnholt-bench-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("no temporary folder");
    path_ = pattern;
    fs::create_directories(path_ / "drives/c/PDF");
    for (const auto& report : kReports) {
      fs::copy_file(fs::path(VARNHOLT_TEST_DATA_DIR) / "engine/reports" / report.name,
                    path_ / "drives/c/PDF" / report.name);
    }
  }
  ~TBenchFolder() {
    std::error_code ec;
    fs::remove_all(path_, ec);
  }
  const fs::path& Path() const { return path_; }

 private:
  fs::path path_;
};

TBenchFolder& Folder() {
  static TBenchFolder folder;
  return folder;
}

fs::path Pdftotext() {
  for (const char* dir : {"/usr/bin", "/usr/local/bin"}) {
    if (fs::exists(fs::path(dir) / "pdftotext")) return fs::path(dir) / "pdftotext";
  }
  return {};
}

void RunEngine(const fs::path& folder, const std::string& name) {
  std::ofstream(folder / "PDFENV.TXT", std::ios::binary | std::ios::trunc)
      << "PDFFILE=C:\\PDF\\" << name << "\r\nPDFACTION=EXTRACT\r\nPDFOWNER=\r\nPDFUSER=\r\n";
  varnholt::platform::RunHiddenAndWait(fs::path(VARNHOLT_APP_DIR) / "PDF.EXE", {}, folder);
}

void RunPdftotext(const fs::path& folder, const std::string& name, const char* mode) {
  varnholt::platform::RunHiddenAndWait(
      Pdftotext(), {mode, (folder / "drives/c/PDF" / name).string(), (folder / "out.txt").string()}, folder);
}

// CPU seconds used by ended child processes so far: the programs measured run as children, and their CPU
// time is steadier than the wall clock on a shared machine.
double ChildCpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_CHILDREN, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// per_page: wall time per page; cpu_per_page: the programs' own CPU time per page (both in seconds).
void Report(benchmark::State& state, int pages, double childCpuStart) {
  const double totalPages = static_cast<double>(pages) * static_cast<double>(state.iterations());
  state.counters["per_page"] =
      benchmark::Counter(static_cast<double>(pages),
                         benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
  state.counters["cpu_per_page"] = (ChildCpuSeconds() - childCpuStart) / totalPages;
}

void EngineExtract(benchmark::State& state, std::vector<TReport> reports) {
  int pages = 0;
  const double cpuStart = ChildCpuSeconds();
  for (auto _ : state) {
    pages = 0;
    for (const auto& r : reports) {
      RunEngine(Folder().Path(), r.name);
      pages += r.pages;
    }
  }
  Report(state, pages, cpuStart);
}

void PdftotextBoth(benchmark::State& state, std::vector<TReport> reports) {
  if (Pdftotext().empty()) return state.SkipWithError("pdftotext is not installed (poppler-utils)");
  int pages = 0;
  const double cpuStart = ChildCpuSeconds();
  for (auto _ : state) {
    pages = 0;
    for (const auto& r : reports) {
      RunPdftotext(Folder().Path(), r.name, "-layout");
      RunPdftotext(Folder().Path(), r.name, "-raw");
      pages += r.pages;
    }
  }
  Report(state, pages, cpuStart);
}

void PdftotextLayout(benchmark::State& state, std::vector<TReport> reports) {
  if (Pdftotext().empty()) return state.SkipWithError("pdftotext is not installed (poppler-utils)");
  int pages = 0;
  const double cpuStart = ChildCpuSeconds();
  for (auto _ : state) {
    pages = 0;
    for (const auto& r : reports) {
      RunPdftotext(Folder().Path(), r.name, "-layout");
      pages += r.pages;
    }
  }
  Report(state, pages, cpuStart);
}

// The sample reports together, then each one on its own.
const bool kRegistered = [] {
  benchmark::RegisterBenchmark("AllReports/PDF.EXE_EXTRACT", EngineExtract, kReports)
      ->Unit(benchmark::kMillisecond)
      ->UseRealTime()
      ->MinTime(3);
  benchmark::RegisterBenchmark("AllReports/pdftotext_layout+raw", PdftotextBoth, kReports)
      ->Unit(benchmark::kMillisecond)
      ->UseRealTime()
      ->MinTime(3);
  benchmark::RegisterBenchmark("AllReports/pdftotext_layout", PdftotextLayout, kReports)
      ->Unit(benchmark::kMillisecond)
      ->UseRealTime()
      ->MinTime(3);
  for (const auto& r : kReports) {
    const std::string stem = r.name.substr(0, r.name.size() - 4);
    benchmark::RegisterBenchmark((stem + "/PDF.EXE_EXTRACT").c_str(), EngineExtract, std::vector{r})
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::RegisterBenchmark((stem + "/pdftotext_layout+raw").c_str(), PdftotextBoth, std::vector{r})
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
  }
  return true;
}();

}  // namespace
