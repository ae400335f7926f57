// ScriptEditingTest.cpp — the Action page's rules in the core: edit mode ends only with a script that
// compiles, busy refusals change nothing, Load switches Automatic mode off, Default asks first.
#include "core/uScriptEditing.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "core/uStandardScript.h"
#include "tests/core/RecordingPort.h"

namespace varnholt::test {
namespace {

bool Has(const std::vector<std::string>& items, const std::string& item) {
  return std::find(items.begin(), items.end(), item) != items.end();
}

TEST(ScriptEditingTest, LeavingEditModeNeedsAScriptThatCompiles) {
  TCoreBed bed;
  TScriptEditing& editing = bed.core->ScriptEditing();
  bed.core->State().SetActionScript({"Log('old','')"});
  bed.core->State().SetAutomatic(true);
  EXPECT_TRUE(editing.EditClick(true, {}));
  EXPECT_FALSE(bed.core->State().Automatic());

  const std::vector<std::string> wrong = {"x := 1", "", "    Nowhere('a')"};
  EXPECT_TRUE(editing.EditClick(false, wrong));
  EXPECT_TRUE(bed.core->State().EditMode());
  EXPECT_EQ(bed.core->State().ActionScript(), std::vector<std::string>{"Log('old','')"});
  EXPECT_TRUE(Has(bed.port.calls, "Mark 3,16"));
  const auto message = std::find_if(bed.port.calls.begin(), bed.port.calls.end(), [](const std::string& c) {
    return c.rfind("Message Can not leave editor\nThe Script contains an error\n", 0) == 0;
  });
  ASSERT_NE(message, bed.port.calls.end());
  EXPECT_NE(message->find("\nLine 3, Char 16"), std::string::npos) << *message;
  const std::vector<std::string> records = bed.Records();
  EXPECT_TRUE(std::any_of(records.begin(), records.end(), [](const std::string& r) {
    return r.rfind("Err|Script|Compile|", 0) == 0 && r.ends_with("|Line 3, Char 16");
  }));

  EXPECT_FALSE(editing.EditClick(false, StandardScript()));
  EXPECT_FALSE(bed.core->State().EditMode());
  EXPECT_EQ(bed.core->State().ActionScript(), StandardScript());
  EXPECT_TRUE(bed.core->State().ScriptErrorText().empty());
}

TEST(ScriptEditingTest, WhileAnActionIsProcessingNothingChanges) {
  TCoreBed bed;
  TScriptEditing& editing = bed.core->ScriptEditing();
  bed.core->State().SetActionScript({"Log('old','')"});
  bed.core->State().BeginActionRun();
  EXPECT_FALSE(editing.EditClick(true, {}));
  EXPECT_FALSE(bed.core->State().EditMode());
  EXPECT_FALSE(editing.BeginLoad());
  EXPECT_FALSE(editing.ResetToDefault());
  EXPECT_EQ(bed.core->State().ActionScript(), std::vector<std::string>{"Log('old','')"});
  for (const char* what : {"Edit", "Load", "reset script to factory default"}) {
    EXPECT_TRUE(Has(bed.port.calls, std::string("Message Can not ") + what +
                                        ". Please wait\nCurrently Action is processing\n" +
                                        bed.core->State().CurrentPdf()))
        << what;
  }
  bed.core->State().EndActionRun();
}

TEST(ScriptEditingTest, LoadAndCopyToKeepTheLinesAndReportAFileThatFails) {
  TCoreBed bed;
  TScriptEditing& editing = bed.core->ScriptEditing();
  bed.core->State().SetAutomatic(true);
  EXPECT_TRUE(editing.BeginLoad());
  EXPECT_FALSE(bed.core->State().Automatic());
  const std::filesystem::path file = editing.ScriptsFolder() / "a.psc";
  ASSERT_TRUE(editing.CopyScriptTo(file, {"Log('a','b')", "", "x := 1"}));
  std::vector<std::string> lines;
  ASSERT_TRUE(editing.LoadScriptFile(file, lines));
  EXPECT_EQ(lines, (std::vector<std::string>{"Log('a','b')", "", "x := 1"}));
  EXPECT_EQ(bed.core->State().ActionScript(), lines);

  lines = {"kept"};
  EXPECT_FALSE(editing.LoadScriptFile(bed.AppFolder() / "missing.psc", lines));
  EXPECT_EQ(lines, std::vector<std::string>{"kept"});
  EXPECT_FALSE(editing.CopyScriptTo(bed.AppFolder() / "no" / "such" / "x.psc", {"x"}));
  EXPECT_EQ(std::count_if(bed.port.calls.begin(), bed.port.calls.end(),
                          [](const std::string& c) { return c.rfind("Error ", 0) == 0; }),
            2);
}

TEST(ScriptEditingTest, DefaultAsksAndKeepsTheModeItIsIn) {
  TCoreBed bed;
  TScriptEditing& editing = bed.core->ScriptEditing();
  bed.core->State().SetActionScript({"x := 1"});
  bed.port.confirmAnswer = false;
  EXPECT_FALSE(editing.ResetToDefault());
  EXPECT_EQ(bed.core->State().ActionScript(), std::vector<std::string>{"x := 1"});
  bed.port.confirmAnswer = true;
  EXPECT_TRUE(editing.ResetToDefault());
  EXPECT_TRUE(Has(bed.port.calls, "Confirm OK/Cancel Reset script to factory default?"));
  EXPECT_EQ(bed.core->State().ActionScript(), StandardScript());
  EXPECT_FALSE(bed.core->State().EditMode());
}

}  // namespace
}  // namespace varnholt::test
