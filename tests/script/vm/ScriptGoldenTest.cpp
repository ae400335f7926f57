// ScriptGoldenTest.cpp — runs every run/*.psc and compares what it did with the
// expectations written in its comments:
//   // expect: TEXT                 the next line printed with Print
//   // result: TEXT                 the script's Result as text
//   // runtime error: TEXT          the run fails with a run-time error whose message contains TEXT
//   // compile error: TEXT @ R,C    compiling fails with message TEXT at row R, column C
//   // abort                        the run ends with the silent abort
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "tests/script/vm/ScriptTestHost.h"

namespace varnholt::test {
namespace {

struct TGoldenCase {
  std::string name;
  std::string source;
  std::vector<std::string> expect;
  std::string result;
  bool hasResult = false;
  std::string runtimeError;
  std::string compileError;
  bool abort = false;
};

std::string Trim(std::string s) {
  while (!s.empty() && (s.back() == ' ' || s.back() == '\r')) s.pop_back();
  while (!s.empty() && s.front() == ' ') s.erase(0, 1);
  return s;
}

TGoldenCase Load(const std::filesystem::path& file) {
  TGoldenCase c;
  c.name = file.stem().string();
  std::ifstream in(file, std::ios::binary);
  std::stringstream all;
  all << in.rdbuf();
  c.source = all.str();
  std::istringstream lines(c.source);
  std::string line;
  auto after = [&line](const std::string& tag, std::string& out) {
    const auto at = line.find(tag);
    if (at == std::string::npos) return false;
    out = Trim(line.substr(at + tag.size()));
    return true;
  };
  std::string value;
  while (std::getline(lines, line)) {
    if (after("// expect: ", value)) c.expect.push_back(value);
    else if (line.find("// expect:") != std::string::npos) c.expect.push_back("");
    else if (after("// result: ", value)) c.result = value, c.hasResult = true;
    else if (after("// runtime error: ", value)) c.runtimeError = value;
    else if (after("// compile error: ", value)) c.compileError = value;
    else if (line.find("// abort") != std::string::npos) c.abort = true;
  }
  return c;
}

std::vector<TGoldenCase> AllCases() {
  std::vector<TGoldenCase> cases;
  for (const auto& entry : std::filesystem::directory_iterator(VARNHOLT_SCRIPT_RUN_DIR)) {
    if (entry.path().extension() == ".psc") cases.push_back(Load(entry.path()));
  }
  std::sort(cases.begin(), cases.end(), [](const auto& a, const auto& b) { return a.name < b.name; });
  return cases;
}

class ScriptGolden : public ::testing::TestWithParam<TGoldenCase> {};

TEST_P(ScriptGolden, RunsAsItsCommentsSay) {
  const TGoldenCase& c = GetParam();
  TScriptTestHost host;
  host.Scripter.SetSourceText(c.source);
  std::string outcome = "ok";
  ScriptValue result;
  try {
    host.Scripter.CompileScript();
    result = host.Scripter.RunScript();
  } catch (const EatCompileError& e) {
    outcome = "compile error: " + e.Message() + " @ " + std::to_string(e.Row()) + "," + std::to_string(e.Column());
  } catch (const EatScripterRuntime& e) {
    outcome = "runtime error: " + e.Message();
  } catch (const EAbort&) {
    outcome = "abort";
  }
  if (!c.compileError.empty()) {
    EXPECT_EQ(outcome, "compile error: " + c.compileError);
  } else if (!c.runtimeError.empty()) {
    EXPECT_NE(outcome.find("runtime error: "), std::string::npos) << outcome;
    EXPECT_NE(outcome.find(c.runtimeError), std::string::npos) << outcome;
  } else if (c.abort) {
    EXPECT_EQ(outcome, "abort");
  } else {
    EXPECT_EQ(outcome, "ok");
  }
  EXPECT_EQ(host.Printed, c.expect);
  if (c.hasResult) {
    EXPECT_EQ(result.IsArray() ? "<array>" : result.ToText(), c.result);
  }
}

INSTANTIATE_TEST_SUITE_P(Scripts, ScriptGolden, ::testing::ValuesIn(AllCases()),
                         [](const ::testing::TestParamInfo<TGoldenCase>& info) {
                           std::string name = info.param.name;
                           for (char& ch : name) {
                             if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
                           }
                           return name;
                         });

}  // namespace
}  // namespace varnholt::test
