// LogGridBench.cpp — the Log page's grid over a logger of 100,000 records (offscreen): the cost of a
// record arriving (the grid's refresh and repaint included) and of scrolling one screen and painting it.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>
#include <memory>
#include <string>

#include "logging/uLogger.h"
#include "shell/uLogView.h"

namespace {

using namespace varnholt;

constexpr int kRecords = 100000;

void WriteRecord(TLogger& log, int n) {
  log.WriteEntry(ltMsg, "Varnholt", "PdfCopyMoveTo", "Done",
                 "C:\\PDFSTORE\\2024\\WW-2010-" + std::to_string(n) + ".PDF");
}

// A logger with room for 100,000 records, holding `records` of them, shown in a grid of the window's size.
struct TGrid {
  explicit TGrid(int records) : log({}, false, kRecords, 0xFF) {
    for (int n = 0; n < records; ++n) WriteRecord(log, n);
    view = std::make_unique<shell::TLogView>(log, grid, exportButton);
    view->Attach();
    grid.resize(820, 480);
    grid.show();
    QApplication::processEvents();
  }
  ~TGrid() { view->Detach(); }
  TLogger log;
  QTableView grid;
  QPushButton exportButton;
  std::unique_ptr<shell::TLogView> view;
};

// A full log: the record is announced, the oldest dropped, the grid repaints (as the window processes
// messages after every record).
void BM_RecordIntoFullLog(benchmark::State& state) {
  TGrid grid(kRecords);
  int n = 0;
  for (auto _ : state) {
    WriteRecord(grid.log, n++);
    QApplication::processEvents();
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_RecordIntoFullLog)->Unit(benchmark::kMicrosecond);

// A log still growing at 90,000 records: each record also adds a row at the grid's bottom.
void BM_RecordIntoGrowingLog(benchmark::State& state) {
  TGrid grid(kRecords - 10000);
  int n = 0;
  for (auto _ : state) {
    WriteRecord(grid.log, n++);
    QApplication::processEvents();
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_RecordIntoGrowingLog)->Unit(benchmark::kMicrosecond)->Iterations(5000);

// The record alone, the grid's paint left to the next message loop: what the model's refresh costs,
// with the log full (no row added) and still growing (a row added at the bottom).
void BM_RecordWithoutPaint(benchmark::State& state) {
  TGrid grid(static_cast<int>(state.range(0)));
  int n = 0;
  for (auto _ : state) WriteRecord(grid.log, n++);
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_RecordWithoutPaint)->Arg(kRecords)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RecordWithoutPaint)->Arg(kRecords - 10000)->Unit(benchmark::kMicrosecond)->Iterations(5000);

// One screen further down the full log (back to the top at the end), painted at once.
void BM_ScrollOneScreenAndPaint(benchmark::State& state) {
  TGrid grid(kRecords);
  QScrollBar* bar = grid.grid.verticalScrollBar();
  for (auto _ : state) {
    const int next = bar->value() + bar->pageStep();
    bar->setValue(next > bar->maximum() ? 0 : next);
    grid.grid.viewport()->repaint();
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ScrollOneScreenAndPaint)->Unit(benchmark::kMicrosecond);

}  // namespace

// The widgets need an application for the whole run, made before the first and gone after the last.
int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
