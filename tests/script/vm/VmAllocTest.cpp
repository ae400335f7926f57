// VmAllocTest.cpp — the run loop allocates nothing: a loop of arithmetic, stores, compares, jumps and
// script routine calls makes no heap allocation per iteration. Its own program, because it replaces the
// global allocation functions to count them.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <string>

#include "script/vm/atScript.h"

namespace {
std::atomic<long> gAllocations{0};
}

void* operator new(std::size_t size) {
  ++gAllocations;
  if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace varnholt {
namespace {

long AllocationsOfRun(TatPascalScripter& scripter) {
  const long before = gAllocations.load();
  scripter.RunScript();
  return gAllocations.load() - before;
}

TEST(VmAllocations, TheHotLoopAllocatesNothingPerIteration) {
  const char* kLoop =
      "function Add(a, b)\nbegin\n  Result := a + b\nend;\n"
      "s := 0\nt := 'short'\n"
      "for i := 1 to %d do\nbegin\n  s := s + i\n  if s > 1000000 then s := s - 1000000\n"
      "  s := Add(s, 1)\n  u := t\n  case i mod 3 of\n    0: v := 1.5\n    1: v := 'x'\n  end\nend\n"
      "Result := s";
  auto allocationsFor = [&](int iterations) {
    char source[1024];
    std::snprintf(source, sizeof source, kLoop, iterations);
    TatPascalScripter scripter;
    scripter.SetSourceText(source);
    scripter.CompileScript();
    scripter.RunScript();  // the first run prepares the code
    return AllocationsOfRun(scripter);
  };
  const long small = allocationsFor(10);
  const long large = allocationsFor(10000);
  EXPECT_EQ(small, large) << "allocations grow with the number of iterations";
  EXPECT_LE(large, 4) << "a run itself allocates next to nothing";
}

// The common forms of building a text in a loop are linear: the text's block doubles as it grows, so a
// run allocates a few dozen times however many lines it appends. A form that copies the text each round
// allocates once per iteration (and takes minutes for a few hundred thousand lines).
TEST(VmAllocations, BuildingATextInALoopAllocatesLogarithmically) {
  const char* const kForms[] = {
      "s := s + 'line ' + IntToStr(i) + #13#10",
      "s := s + (a + b)",
      "s := s + a",
      "s := s + a + b + IntToStr(i)",
  };
  for (const char* form : kForms) {
    SCOPED_TRACE(form);
    auto allocationsFor = [&](int iterations) {
      const std::string source = "a := 'abc'\nb := 'de'\ns := ''\nfor i := 1 to " + std::to_string(iterations) +
                                 " do " + form + "\nResult := Length(s)";
      TatPascalScripter scripter;
      scripter.SetSourceText(source);
      scripter.CompileScript();
      return AllocationsOfRun(scripter);
    };
    const long small = allocationsFor(1000);
    const long large = allocationsFor(16000);
    EXPECT_LT(large - small, 100) << "allocations grow with the number of appends";
  }
}

}  // namespace
}  // namespace varnholt
