// VmAllocTest.cpp — the run loop allocates nothing: a loop of arithmetic, stores, compares, jumps and
// script routine calls makes no heap allocation per iteration. Its own program, because it replaces the
// global allocation functions to count them.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>

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

}  // namespace
}  // namespace varnholt
