// BenchSyslib.cpp — system library calls per second from a script: a compiled loop of 1000 calls per
// iteration, so the figure includes argument passing, the array literal and the loop itself.
#include <benchmark/benchmark.h>

#include "script/vm/atScript.h"
#include "script/syslib/uSystemLibrary.h"

namespace {

using namespace varnholt;

constexpr int kCallsPerRun = 1000;

void RunLoop(benchmark::State& state, const char* body) {
  RegisterSystemLibrary();
  TatPascalScripter scripter;
  SystemLibraryOf(scripter)->SetFormatSettings(platform::TFormatSettings::English());
  scripter.SetSourceText(std::string("d := EncodeDate(2026, 12, 9) + 0.5;\nfor i := 1 to ") +
                         std::to_string(kCallsPerRun) + " do " + body + ";\nResult := s");
  scripter.CompileScript();
  for (auto _ : state) benchmark::DoNotOptimize(scripter.RunScript());
  state.SetItemsProcessed(state.iterations() * kCallsPerRun);
}

void BM_ScriptEmptyLoop(benchmark::State& state) {
  RunLoop(state, "s := i");
}
BENCHMARK(BM_ScriptEmptyLoop);

void BM_ScriptFormat(benchmark::State& state) {
  RunLoop(state, "s := Format('%s=%d', ['Sample', i])");
}
BENCHMARK(BM_ScriptFormat);

void BM_ScriptFormatThreeArgs(benchmark::State& state) {
  RunLoop(state, "s := Format('%-10s %8.2f %5.3d', ['Weight', i / 7, i])");
}
BENCHMARK(BM_ScriptFormatThreeArgs);

void BM_ScriptFormatDateTime(benchmark::State& state) {
  RunLoop(state, "s := FormatDateTime('yyyy-mm-dd hh:nn:ss', d + i)");
}
BENCHMARK(BM_ScriptFormatDateTime);

void BM_ScriptFormatDateTimeNames(benchmark::State& state) {
  RunLoop(state, "s := FormatDateTime('dddd, d. mmmm yyyy', d + i)");
}
BENCHMARK(BM_ScriptFormatDateTimeNames);

}  // namespace
