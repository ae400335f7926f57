// CompilerGoldenTest.cpp — every listings/<case>.psc is compiled and its instruction listing compared
// with the one written inside it, in a "(* expect:" ... "*)" comment. A line "// options:
// ShortBooleanEval" turns short-circuit evaluation on. With VARNHOLT_GOLDEN_UPDATE=1 the files are
// rewritten with the listings produced (review the diff before committing).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "tests/script/compiler/ScriptTestSupport.h"

namespace varnholt::test {
namespace {

const std::filesystem::path kFolder = std::filesystem::path(VARNHOLT_SCRIPT_LISTINGS_DIR);
constexpr std::string_view kExpectStart = "(* expect:\n";
constexpr std::string_view kExpectEnd = "*)";

std::vector<std::string> GoldenCases() {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(kFolder)) {
    if (entry.path().extension() == ".psc") names.push_back(entry.path().stem().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::string ReadAll(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

class CompilerGolden : public ::testing::TestWithParam<std::string> {};

TEST_P(CompilerGolden, ListingMatches) {
  const std::filesystem::path path = kFolder / (GetParam() + ".psc");
  const std::string text = ReadAll(path);
  const size_t start = text.find(kExpectStart);
  ASSERT_NE(start, std::string::npos) << "no expected listing in " << path;
  const size_t end = text.find(kExpectEnd, start + kExpectStart.size());
  ASSERT_NE(end, std::string::npos);
  const std::string expected = text.substr(start + kExpectStart.size(), end - start - kExpectStart.size());
  const bool shortEval = text.find("// options: ShortBooleanEval") != std::string::npos;
  const std::string actual = CompileListing(text, shortEval);
  if (std::getenv("VARNHOLT_GOLDEN_UPDATE") && actual != expected) {
    std::ofstream(path, std::ios::binary)
        << text.substr(0, start + kExpectStart.size()) << actual << text.substr(end);
    return;
  }
  EXPECT_EQ(actual, expected) << "in " << path;
}

INSTANTIATE_TEST_SUITE_P(Cases, CompilerGolden, ::testing::ValuesIn(GoldenCases()),
                         [](const ::testing::TestParamInfo<std::string>& info) { return info.param; });

}  // namespace
}  // namespace varnholt::test
