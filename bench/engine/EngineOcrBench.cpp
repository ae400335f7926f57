// EngineOcrBench.cpp — EXTRACT by PDF.EXE of the scanned sample report (one 150 dpi page without a text
// layer), a whole program run: read by OCR as by default, and with OCR off for the cost of the rest. The
// "per_page" counter is the wall time per page, "cpu_per_page" the program's own CPU time per page.
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <sys/resource.h>

#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>

#include "platform/Process.h"

namespace {

namespace fs = std::filesystem;

constexpr const char* kSample = "image_only_report.pdf";

class TBenchFolder {
 public:
  TBenchFolder() {
    std::string pattern = (fs::temp_directory_path() / "varnholt-bench-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("no temporary folder");
    path_ = pattern;
    fs::create_directories(path_ / "drives/c/PDF");
    fs::copy_file(fs::path(VARNHOLT_TEST_DATA_DIR) / "engine/reports" / kSample, path_ / "drives/c/PDF" / kSample);
  }
  ~TBenchFolder() {
    std::error_code ec;
    fs::remove_all(path_, ec);
  }
  const fs::path& Path() const { return path_; }

 private:
  fs::path path_;
};

double ChildCpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_CHILDREN, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

void Extract(benchmark::State& state, const char* ocrMode) {
  static TBenchFolder folder;
  const double cpuStart = ChildCpuSeconds();
  for (auto _ : state) {
    std::ofstream(folder.Path() / "PDFENV.TXT", std::ios::binary | std::ios::trunc)
        << "PDFFILE=C:\\PDF\\" << kSample << "\r\nPDFOCR=" << ocrMode << "\r\nPDFACTION=EXTRACT\r\n";
    varnholt::platform::RunHiddenAndWait(fs::path(VARNHOLT_APP_DIR) / "PDF.EXE", {}, folder.Path());
  }
  std::ifstream answer(folder.Path() / "PDFRES.TXT");
  std::string status;
  std::getline(answer, status);
  if (status.rfind("OK", 0) != 0) state.SkipWithError("the engine did not answer OK");
  state.counters["per_page"] = benchmark::Counter(1, benchmark::Counter::kIsIterationInvariantRate |
                                                         benchmark::Counter::kInvert);
  state.counters["cpu_per_page"] = (ChildCpuSeconds() - cpuStart) / static_cast<double>(state.iterations());
}

void BM_OcrScannedSample(benchmark::State& state) {
  Extract(state, "PagesWithoutText");
}
void BM_ScannedSampleWithOcrOff(benchmark::State& state) {
  Extract(state, "Off");
}

BENCHMARK(BM_OcrScannedSample)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ScannedSampleWithOcrOff)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
