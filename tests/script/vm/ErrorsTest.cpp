// ErrorsTest.cpp — the engine's exception classes show their prefixes and keep the bare message.
#include "script/compiler/atScript_Errors.h"

#include <gtest/gtest.h>

namespace varnholt {
namespace {

TEST(ErrorsTest, PrefixesAndBareMessages) {
  const EatCompileError compile("Syntax error", 3, 7);
  EXPECT_STREQ(compile.what(), "Syntax error.\r\nSource position: 3,7");
  EXPECT_EQ(compile.Message(), "Syntax error");
  EXPECT_EQ(compile.Row(), 3);
  EXPECT_EQ(compile.Column(), 7);
  EXPECT_EQ(compile.Col(), 7);

  struct TCase {
    const EatException& error;
    const char* shown;
  };
  const EatScripterRuntime runtime("Division by zero");
  const EatRuntimeError raised("custom");
  const EatInternalError internal("Script is not running for debug");
  const EatScriptInfoError info("Variable 'x' is not available");
  const EatDefinitionError definition("Invalid atPascal default instance");
  const EatScripterFatal fatal("Cannot compile script while script is running.");
  const TCase cases[] = {
      {runtime, "RUNTIME ERROR\r\nDivision by zero"},
      {raised, "custom"},
      {internal, "INTERNAL ERROR\r\nScript is not running for debug"},
      {info, "ScriptInfo ERROR\r\nVariable 'x' is not available"},
      {definition, "Definition ERROR\r\nInvalid atPascal default instance"},
      {fatal, "Cannot compile script while script is running."},
  };
  for (const TCase& c : cases) EXPECT_STREQ(c.error.what(), c.shown);
  EXPECT_EQ(runtime.Message(), "Division by zero");
}

TEST(ErrorsTest, SilentAbortIsNoEngineError) {
  try {
    throw EAbort();
  } catch (const EatException&) {
    FAIL() << "the silent abort must not look like an engine error";
  } catch (const EAbort&) {
    SUCCEED();
  }
}

}  // namespace
}  // namespace varnholt
