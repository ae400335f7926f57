// BenchRtl.cpp — calls per second of the run-time formatting routines at the C++ level.
#include <benchmark/benchmark.h>

#include <vector>

#include "rtl/uRtlDateTime.h"
#include "rtl/uRtlFormat.h"

namespace {

using namespace varnholt::rtl;

const TFormatSettings& Locale() {
  static const TFormatSettings settings = TFormatSettings::English();
  return settings;
}

void RunFormat(benchmark::State& state, const char* format, std::vector<TFormatArg> args) {
  for (auto _ : state) benchmark::DoNotOptimize(Format(format, args, Locale()));
  state.SetItemsProcessed(state.iterations());
}

void BM_FormatTextAndInteger(benchmark::State& state) {
  RunFormat(state, "%s=%d", {TFormatArg::OfText("Sample"), TFormatArg::OfInteger(12345)});
}
BENCHMARK(BM_FormatTextAndInteger);

void BM_FormatFixedAndWidth(benchmark::State& state) {
  RunFormat(state, "%-10s %8.2f %5.3d",
            {TFormatArg::OfText("Weight"), TFormatArg::OfFloat(1234.5678), TFormatArg::OfInteger(7)});
}
BENCHMARK(BM_FormatFixedAndWidth);

void BM_FormatMoneyAndGeneral(benchmark::State& state) {
  RunFormat(state, "%m %g %n",
            {TFormatArg::OfFloat(-1234.5), TFormatArg::OfFloat(0.1), TFormatArg::OfFloat(1e6)});
}
BENCHMARK(BM_FormatMoneyAndGeneral);

void BM_FormatFloatPicture(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(FormatFloat("#,##0.00;(#,##0.00)", -1234567.891, Locale()));
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_FormatFloatPicture);

void RunFormatDateTime(benchmark::State& state, const char* picture) {
  const double dateTime = EncodeDate(2024, 3, 5) + EncodeTime(13, 4, 5, 7);
  for (auto _ : state) benchmark::DoNotOptimize(FormatDateTime(picture, dateTime, Locale()));
  state.SetItemsProcessed(state.iterations());
}

void BM_FormatDateTimeStamp(benchmark::State& state) {
  RunFormatDateTime(state, "yyyy-mm-dd hh:nn:ss.zzz");
}
BENCHMARK(BM_FormatDateTimeStamp);

void BM_FormatDateTimeLocaleC(benchmark::State& state) {
  RunFormatDateTime(state, "c");
}
BENCHMARK(BM_FormatDateTimeLocaleC);

void BM_FormatDateTimeNames(benchmark::State& state) {
  RunFormatDateTime(state, "dddd, d. mmmm yyyy 'at' h:nn am/pm");
}
BENCHMARK(BM_FormatDateTimeNames);

}  // namespace
