// ScriptReferenceTest.cpp — the names offered to script writers (completion, hints, help page) against
// the routine tables: every name exists with its argument count, and every routine is offered.
#include "hostlib/uScriptReference.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "hostlib/uHostRoutineTable.h"
#include "script/compiler/atPascal.h"
#include "script/syslib/uSystemLibrary.h"

namespace varnholt::test {
namespace {

TEST(ScriptReferenceTest, OffersEveryHostNameAndEverySystemRoutineButTheEngineHooks) {
  std::set<std::string> offered;
  for (const TScriptName& name : ScriptNames()) EXPECT_TRUE(offered.insert(name.name).second) << name.name;
  for (const THostRoutine& routine : HostRoutineTable()) {
    ASSERT_NE(routine.params, nullptr) << routine.name;
    EXPECT_TRUE(offered.count(routine.name)) << routine.name;
  }
  for (const THostConstant& constant : HostConstants()) EXPECT_TRUE(offered.count(constant.name));
  std::set<std::string> left;
  for (const TatSystemRoutine& routine : SystemLibraryRoutines()) {
    if (!offered.count(routine.name)) left.insert(routine.name);
  }
  // The engine's own hooks are of no use in an action script.
  EXPECT_EQ(left, (std::set<std::string>{"Interpret", "Machine", "Scripter", "SetOf"}));
  EXPECT_EQ(offered.size(), 165u);
}

TEST(ScriptReferenceTest, EveryHintDeclaresTheArgumentsTheCompilerTakes) {
  for (const TScriptName& name : ScriptNames()) {
    EXPECT_EQ(DeclaredParameterCount(name.params), name.argCount) << name.Hint();
  }
}

TEST(ScriptReferenceTest, HintsReadAsDeclarations) {
  std::set<std::string> hints;
  for (const TScriptName& name : ScriptNames()) hints.insert(name.Hint());
  for (const char* hint :
       {"Between(Text, SubStr1, SubStr2: string);", "Left(Text: string; N: integer);",
        "PDFREFind(RegExp: string; Index: integer);", "IsAutomatic;",
        "Copy(S: string; Index, Count: integer);", "Format(Format: string; Args: array of const);",
        "DecodeDate(DateTime: TDateTime; var Year, Month, Day: integer);"}) {
    EXPECT_TRUE(hints.count(hint)) << hint;
  }
}

// A script that calls every offered name with as many arguments as its hint declares compiles against
// the registry a run uses: no hint names a routine that does not exist or cannot be called so.
TEST(ScriptReferenceTest, EveryOfferedNameCompilesAsItsHintSays) {
  RegisterSystemLibrary();
  TatHostRegistry registry;
  registry.SignaturesOnly = true;
  RegisterHostRoutineSignatures(registry);
  const auto compiles = [&registry](const std::string& text) {
    TatPascalScript script(registry);
    script.SetSourceText(text);
    try {
      script.CompileScript();
      return std::string();
    } catch (const EatCompileError& e) {
      return e.Message();
    }
  };
  for (const TScriptName& name : ScriptNames()) {
    std::string call = name.name;
    if (name.argCount > 0) {
      call += "(";
      for (int i = 0; i < name.argCount; ++i) call += (i > 0 ? ", a" : "a") + std::to_string(i);
      call += ")";
    }
    const std::string text =
        "a0 := 0\na1 := 0\na2 := 0\na3 := 0\na4 := 0\n" + (name.resultType == dtNone ? call : "x := " + call);
    EXPECT_EQ(compiles(text), "") << text;
  }
  // A name that is not offered does not compile, so the check above can fail.
  EXPECT_NE(compiles("PDFContain('x')"), "");
}

TEST(ScriptReferenceTest, HelpPageHoldsTheManualAndEveryDeclaration) {
  const std::string page = ScriptHelpPage("<h2 id=\"manual\">Writing</h2>");
  EXPECT_NE(page.find("<h2 id=\"manual\">Writing</h2>"), std::string::npos);
  for (const TScriptName& name : ScriptNames()) {
    std::string declaration;
    for (const char c : name.Declaration()) declaration += c == '<' ? std::string("&lt;") : std::string(1, c);
    EXPECT_NE(page.find(declaration), std::string::npos) << declaration;
  }
  EXPECT_NE(page.find("function Left(Text: string; N: integer): string;"), std::string::npos);
  EXPECT_NE(page.find("procedure Log(Text1, Text2: string);"), std::string::npos);
}

}  // namespace
}  // namespace varnholt::test
