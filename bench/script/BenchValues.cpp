// BenchValues.cpp — throughput of the value rules the run loop leans on: add, concatenation, compare,
// copies.
#include <benchmark/benchmark.h>

#include <string>

#include "platform/Locale.h"
#include "script/vm/atScript_Values.h"

namespace varnholt {
namespace {

void BM_AddInteger(benchmark::State& state) {
  ScriptValue sum = 0;
  const ScriptValue one = 1;
  for (auto _ : state) {
    sum.AddAssign(one);
    if (sum.RawInteger() > 1000000000) sum = 0;
    benchmark::DoNotOptimize(sum);
  }
}
BENCHMARK(BM_AddInteger);

void BM_AddDouble(benchmark::State& state) {
  ScriptValue sum = 0.5;
  const ScriptValue step = 1;
  for (auto _ : state) {
    sum.AddAssign(step);
    benchmark::DoNotOptimize(sum);
  }
}
BENCHMARK(BM_AddDouble);

// s := s + i as the machine does it: a copy of s on the stack, the sum stored back into s.
void BM_AddTextAndNumberText(benchmark::State& state) {
  platform::SetFormatSettings(platform::TFormatSettings::English());
  ScriptValue s = "12";
  const ScriptValue i = 3;
  for (auto _ : state) {
    ScriptValue a = s;
    a.AddAssign(i);
    benchmark::DoNotOptimize(a);
  }
}
BENCHMARK(BM_AddTextAndNumberText);

void BM_ConcatShort(benchmark::State& state) {
  const ScriptValue a = "Sample";
  const ScriptValue b = "-0815";
  for (auto _ : state) {
    ScriptValue r = a;
    r.AddAssign(b);
    benchmark::DoNotOptimize(r);
  }
}
BENCHMARK(BM_ConcatShort);

// A growing text, appended to one character at a time (the string-building loop).
void BM_ConcatGrowing(benchmark::State& state) {
  const ScriptValue x = "x";
  ScriptValue s = "";
  for (auto _ : state) {
    s.AddAssign(x);
    if (s.TextView().size() >= 100000) s = "";
  }
}
BENCHMARK(BM_ConcatGrowing);

// The same, with a copy of the text on the stack, which forces a copy of the text each time.
void BM_ConcatGrowingShared(benchmark::State& state) {
  const ScriptValue x = "x";
  ScriptValue s = "";
  for (auto _ : state) {
    ScriptValue a = s;
    a.AddAssign(x);
    s = std::move(a);
    if (s.TextView().size() >= 1000) s = "";
  }
}
BENCHMARK(BM_ConcatGrowingShared);

void BM_CompareInteger(benchmark::State& state) {
  const ScriptValue a = 5;
  const ScriptValue b = 7;
  for (auto _ : state) benchmark::DoNotOptimize(a.Compare(b));
}
BENCHMARK(BM_CompareInteger);

void BM_CompareText(benchmark::State& state) {
  const ScriptValue a = "Operator: Smith";
  const ScriptValue b = "Operator: Smyth";
  for (auto _ : state) benchmark::DoNotOptimize(a.Compare(b));
}
BENCHMARK(BM_CompareText);

void BM_CompareTextWithNumber(benchmark::State& state) {
  platform::SetFormatSettings(platform::TFormatSettings::English());
  const ScriptValue a = "12.5";
  const ScriptValue b = 12;
  for (auto _ : state) benchmark::DoNotOptimize(a.Compare(b));
}
BENCHMARK(BM_CompareTextWithNumber);

void BM_CopyShortText(benchmark::State& state) {
  const ScriptValue a = "Sample 0815";
  for (auto _ : state) {
    ScriptValue copy = a;
    benchmark::DoNotOptimize(copy);
  }
}
BENCHMARK(BM_CopyShortText);

void BM_CopyLongText(benchmark::State& state) {
  const ScriptValue a(std::string(200, 'L'));
  for (auto _ : state) {
    ScriptValue copy = a;
    benchmark::DoNotOptimize(copy);
  }
}
BENCHMARK(BM_CopyLongText);

void BM_DoubleToText(benchmark::State& state) {
  platform::SetFormatSettings(platform::TFormatSettings::English());
  const ScriptValue a = 1.0 / 3.0;
  for (auto _ : state) benchmark::DoNotOptimize(a.ToText());
}
BENCHMARK(BM_DoubleToText);

}  // namespace
}  // namespace varnholt
