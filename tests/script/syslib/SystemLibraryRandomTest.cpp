// SystemLibraryRandomTest.cpp — Random from a script in a fresh process: the process-wide sequence starts
// at seed 0, so this program must not call Random anywhere else.
#include <gtest/gtest.h>

#include <cmath>

#include "script/vm/atScript.h"

namespace varnholt::test {
namespace {

TEST(SystemLibraryRandom, FirstTwoValuesOfAFreshProcess) {
  TatPascalScripter scripter;
  scripter.SetSourceText("Result := [Random, Random, Random]");
  const ScriptValue result = scripter.RunScript();
  ASSERT_TRUE(result.IsArray());
  const auto items = result.ArrayItems();
  ASSERT_EQ(items.size(), 3u);
  EXPECT_EQ(items[0].RawDouble(), std::ldexp(1.0, -32));
  EXPECT_EQ(items[1].RawDouble(), 134775814.0 * std::ldexp(1.0, -32));
  // seed = seed * 134775813 + 1 (mod 2^32) once more.
  const std::uint32_t third = 134775814u * 134775813u + 1u;
  EXPECT_EQ(items[2].RawDouble(), third * std::ldexp(1.0, -32));
}

}  // namespace
}  // namespace varnholt::test
