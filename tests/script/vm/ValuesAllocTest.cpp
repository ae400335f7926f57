// ValuesAllocTest.cpp — numbers and short texts never touch the heap: the global allocation
// functions of this test program count their calls.
#include "script/vm/atScript_Values.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <string>

#include "platform/Locale.h"

namespace {
std::atomic<long> allocationCount{0};
}  // namespace

// Counts, and takes the memory from malloc; the matching deletes give it back with free. GCC cannot
// see that the pair matches once the library's allocators are inlined.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif
void* operator new(std::size_t size) {
  ++allocationCount;
  if (void* memory = std::malloc(size == 0 ? 1 : size)) return memory;
  throw std::bad_alloc();
}
void* operator new[](std::size_t size) {
  return operator new(size);
}
void operator delete(void* memory) noexcept {
  std::free(memory);
}
void operator delete[](void* memory) noexcept {
  std::free(memory);
}
void operator delete(void* memory, std::size_t) noexcept {
  std::free(memory);
}
void operator delete[](void* memory, std::size_t) noexcept {
  std::free(memory);
}

namespace varnholt {
namespace {

// Allocations made while running the body.
template <typename TBody>
long AllocationsDuring(TBody body) {
  const long before = allocationCount.load();
  body();
  return allocationCount.load() - before;
}

class ValuesAllocationTest : public ::testing::Test {
 protected:
  // The locale object is made once, outside the counted parts.
  void SetUp() override { platform::SetFormatSettings(platform::TFormatSettings::English()); }
};

TEST_F(ValuesAllocationTest, CountingWorks) {
  EXPECT_GT(AllocationsDuring([] { ScriptValue v(std::string(100, 'x')); }), 0);
}

TEST_F(ValuesAllocationTest, IntegerArithmeticAllocatesNothing) {
  const long count = AllocationsDuring([] {
    ScriptValue sum = 0;
    ScriptValue limit = 1000;
    for (ScriptValue i = 1; i.Compare(limit) != TCompareResult::Greater; i.AddAssign(1)) {
      sum.AddAssign(i);
      ScriptValue t = sum;
      t.SubAssign(3);
      t.MulAssign(2);
      t.DivAssign(7);
      t.ModAssign(5);
      t.AndAssign(true);
      t.ShlAssign(2);
      t.Negate();
      t.LogicalNot();
      (void)t.EqualsFalse();
      ScriptValue d = 1.5;
      d.AddAssign(i);
      d.SlashAssign(2);
      (void)d.Compare(sum);
    }
    EXPECT_EQ(sum.ToInteger(), 500500);
  });
  EXPECT_EQ(count, 0);
}

TEST_F(ValuesAllocationTest, ShortTextCopiesAndConcatenationAllocateNothing) {
  const long count = AllocationsDuring([] {
    ScriptValue a = "Sample";
    for (int i = 0; i < 100; ++i) {
      ScriptValue copy = a;
      ScriptValue moved = std::move(copy);
      moved.AddAssign(" 0815");
      moved.AddAssign(ScriptValue(std::string_view("-x")));
      (void)moved.Compare(a);
      (void)a.TextView();
      const ScriptValue index = 2;
      ScriptValue ch = moved.GetElement(std::span(&index, 1));
      a = ch;
      a = moved;
      a = ScriptValue("Sample");
    }
  });
  EXPECT_EQ(count, 0);
}

TEST_F(ValuesAllocationTest, LongTextAndArrayCopiesShareStorage) {
  const ScriptValue longText(std::string(1000, 'L'));
  const ScriptValue array = ScriptValue::ArrayOf(std::vector<ScriptValue>{1, 2, 3});
  const long count = AllocationsDuring([&] {
    for (int i = 0; i < 100; ++i) {
      ScriptValue textCopy = longText;
      ScriptValue arrayCopy = array;
      const ScriptValue index = 1;
      (void)arrayCopy.GetElement(std::span(&index, 1));
      (void)textCopy.Compare(longText);
    }
  });
  EXPECT_EQ(count, 0);
}

TEST_F(ValuesAllocationTest, AppendingGrowsGeometrically) {
  ScriptValue s = "";
  const long count = AllocationsDuring([&] {
    for (int i = 0; i < 10000; ++i) s.AddAssign("x");
  });
  EXPECT_EQ(s.ToText().size(), 10000u);
  EXPECT_LT(count, 20) << "appending to an unshared text must not copy it every time";
}

}  // namespace
}  // namespace varnholt
