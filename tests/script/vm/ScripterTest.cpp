// ScripterTest.cpp — the scripter as the program uses it: registration, error events, misuse while
// running, routines with input, host classes with late-bound members.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "tests/script/vm/ScriptTestHost.h"

namespace varnholt::test {
namespace {

ScriptValue RunSource(TScriptTestHost& host, const std::string& source) {
  host.Scripter.SetSourceText(source);
  return host.Scripter.RunScript();
}

TEST(Scripter, RegisteringARoutineTwiceKeepsTheLaterDefinition) {
  TScriptTestHost host;
  host.Scripter.RegisterRoutine("Twice", 1, dtInteger, nullptr,
                                [](TatVirtualMachine& vm) { vm.SetResult(ScriptValue(vm.ArgInteger(0) * 2)); });
  host.Scripter.RegisterRoutine("TWICE", 1, dtInteger, nullptr,
                                [](TatVirtualMachine& vm) { vm.SetResult(ScriptValue(vm.ArgInteger(0) * 3)); });
  EXPECT_EQ(RunSource(host, "Result := twice(5)").ToInteger(), 15);
}

TEST(Scripter, TooManyArgumentsForAHostRoutineIsACompileError) {
  TScriptTestHost host;
  host.Scripter.RegisterRoutine("Two", 2, dtNone, nullptr, [](TatVirtualMachine&) {});
  host.Scripter.SetSourceText("two(1, 2, 3)");
  try {
    host.Scripter.CompileScript();
    FAIL() << "compiled";
  } catch (const EatCompileError& e) {
    EXPECT_EQ(e.Message(), "Too many parameters for method 'two'. Expected 2 parameters");
  }
}

TEST(Scripter, ReRegisteredValuesAreReadWithTheirNewValue) {
  TScriptTestHost host;
  host.Scripter.RegisterValue("PaperPrinter", ScriptValue("first"));
  host.Scripter.SetSourceText("Result := PaperPrinter");
  EXPECT_EQ(host.Scripter.RunScript().ToText(), "first");
  host.Scripter.RegisterValue("PaperPrinter", ScriptValue("second"));
  EXPECT_EQ(host.Scripter.RunScript().ToText(), "second");
  host.Scripter.SetSourceText("PaperPrinter := 'x'");
  EXPECT_THROW(host.Scripter.CompileScript(), EatCompileError);
}

TEST(Scripter, ACompileErrorHandlerThatHidesTheErrorLeavesOnlyTheSilentAbort) {
  TScriptTestHost host;
  std::string seen;
  int row = 0, col = 0;
  host.Scripter.OnCompileError = [&](TatCustomScripter&, std::string& message, int r, int c, bool& show) {
    seen = message;
    row = r, col = c;
    show = false;
  };
  host.Scripter.SetSourceText("x := 1\nx := Foo + 1");
  EXPECT_THROW(host.Scripter.RunScript(), EAbort);
  EXPECT_EQ(seen, "Unknown identifier or variable is not declared: 'Foo'");
  EXPECT_EQ(row, 2);
  EXPECT_EQ(col, 10);
}

TEST(Scripter, ACompileErrorShowsItsPosition) {
  TScriptTestHost host;
  host.Scripter.SetSourceText("begin x := 1 end.");
  try {
    host.Scripter.CompileScript();
    FAIL() << "compiled";
  } catch (const EatCompileError& e) {
    EXPECT_EQ(std::string(e.what()), "Syntax error.\r\nSource position: 1,17");
  }
}

TEST(Scripter, RuntimeErrorsGoThroughTheEventWithRowAndColumnZero) {
  TScriptTestHost host;
  int rowSeen = -1;
  host.Scripter.OnRuntimeError = [&](TatCustomScripter&, std::string& message, int row, int, bool& show) {
    rowSeen = row;
    message = "changed: " + message;
    show = true;
  };
  try {
    RunSource(host, "x := 1 div 0");
    FAIL() << "ran";
  } catch (const EatScripterRuntime& e) {
    EXPECT_EQ(rowSeen, 0);
    EXPECT_EQ(e.Message().rfind("changed: Division by zero when evaluating instruction OperDiv", 0), 0u)
        << e.Message();
    EXPECT_EQ(std::string(e.what()).rfind("RUNTIME ERROR\r\nchanged: ", 0), 0u);
    EXPECT_NE(e.Message().find("Source position: 1,"), std::string::npos);
  }
  host.Scripter.OnRuntimeError = [](TatCustomScripter&, std::string&, int, int, bool& show) { show = false; };
  EXPECT_THROW(RunSource(host, "x := 1 div 0"), EAbort);
}

TEST(Scripter, RefusesToCompileOrChangeTheScriptWhileItRuns) {
  TScriptTestHost host;
  std::vector<std::string> refusals;
  host.Scripter.RegisterRoutine("Meddle", 0, dtNone, nullptr, [&](TatVirtualMachine&) {
    try {
      host.Scripter.CompileScript();
    } catch (const EatScripterFatal& e) {
      refusals.push_back(e.Message());
    }
    try {
      host.Scripter.SetSourceText("x := 2");
    } catch (const EatScripterFatal& e) {
      refusals.push_back(e.Message());
    }
    try {
      host.Scripter.SetCompiled(false);
    } catch (const EatScripterFatal& e) {
      refusals.push_back(e.Message());
    }
  });
  RunSource(host, "Meddle");
  EXPECT_EQ(refusals, (std::vector<std::string>{"Cannot compile script while script is running.",
                                                "Cannot change script source code while script is running.",
                                                "Cannot change compiled property while script is running."}));
  EXPECT_FALSE(host.Scripter.Machine().Running());
}

TEST(Scripter, RunsANamedRoutineWithInput) {
  TScriptTestHost host;
  host.Scripter.SetSourceText(
      "function Add(a, b)\nbegin\n  Result := a + b\nend;\n"
      "function Pair(a)\nbegin\n  Result := a\nend;\n"
      "G := 1");
  const ScriptValue args[] = {ScriptValue(2), ScriptValue(3)};
  EXPECT_EQ(host.Scripter.RunRoutine("add", ScriptValue::ArrayOf(args)).ToInteger(), 5);
  EXPECT_EQ(host.Scripter.RunRoutine("Pair", ScriptValue("one")).ToText(), "one");
  EXPECT_THROW(host.Scripter.RunRoutine("Missing"), EatScripterRuntime);
  try {
    host.Scripter.RunRoutine("Missing");
  } catch (const EatScripterRuntime& e) {
    EXPECT_EQ(e.Message(), "Subroutine 'Missing' does not exist in script");
  }
}

TEST(Scripter, GlobalsKeepTheirValuesBetweenRunsOfTheSameCompile) {
  TScriptTestHost host;
  host.Scripter.SetSourceText("var Count;\nbegin\n  Count := Count + 1\n  Result := Count\nend");
  host.Scripter.CompileScript();
  EXPECT_TRUE(host.Scripter.RunScript().IsNull()) << "Null + 1 is Null in the first run";
  host.Scripter.SetSourceText(
      "var Count;\nbegin\n  if Count = Null then Count := 0\n  Count := Count + 1\n  Result := Count\nend");
  EXPECT_EQ(host.Scripter.RunScript().ToInteger(), 1);
  EXPECT_EQ(host.Scripter.RunScript().ToInteger(), 2);
  host.Scripter.CompileScript();
  EXPECT_EQ(host.Scripter.RunScript().ToInteger(), 1) << "a compile clears the globals";
}

TEST(Scripter, AfterAnErrorTheMachineIsReadyForTheNextRun) {
  TScriptTestHost host;
  EXPECT_THROW(RunSource(host, "procedure P\nbegin\n  x := 1 div 0\nend;\nP"), EatScripterRuntime);
  EXPECT_FALSE(host.Scripter.Machine().Running());
  EXPECT_EQ(RunSource(host, "Result := 40 + 2").ToInteger(), 42);
}

TEST(Scripter, DeeplyNestedExpressionsRun) {
  TScriptTestHost host;
  std::string expr = "1";
  for (int i = 0; i < 200; ++i) expr = "(" + expr + " + 1)";
  EXPECT_EQ(RunSource(host, "Result := " + expr).ToInteger(), 201);
}

// A host class whose objects scripts create through a routine and use through late-bound members.
class TCounter : public TatHostObject {
 public:
  int value = 0;
};

TEST(Scripter, HostObjectsWithLateBoundMembers) {
  TScriptTestHost host;
  TatCustomScripter& s = host.Scripter;
  TatClass& cls = s.RegisterHostClass("TCounter");
  cls.RegisterRoutine("Add", 1, dtNone, nullptr, [](TatVirtualMachine& vm) {
    static_cast<TCounter*>(vm.CurrentInstance())->value += vm.ArgInteger(0);
    EXPECT_EQ(vm.CalledMethodName(), "Add");
  });
  cls.RegisterProperty("Value", dtInteger,
                       [](TatVirtualMachine& vm) {
                         vm.SetResult(ScriptValue(static_cast<TCounter*>(vm.CurrentInstance())->value));
                       },
                       [](TatVirtualMachine& vm) {
                         static_cast<TCounter*>(vm.CurrentInstance())->value = vm.ArgInteger(0);
                       });
  TatClass* counterClass = &cls;
  s.RegisterRoutine("NewCounter", 0, dtAny, nullptr, [counterClass](TatVirtualMachine& vm) {
    vm.SetResult(ScriptValue(vm.Objects().Adopt(std::make_unique<TCounter>(), counterClass)));
  });
  EXPECT_EQ(RunSource(host, "c := NewCounter\nc.Add(5)\nc.Value := c.Value * 2\nc.Add(1)\nResult := c.Value").ToInteger(), 11);

  struct TCase {
    const char* source;
    const char* message;
  };
  const TCase failures[] = {
      {"c := NewCounter\nx := c.Missing", "Unknown property or method: 'Missing'"},
      {"c := NewCounter\nc.Missing := 1", "Unknown property: 'Missing'"},
      {"c := NewCounter\nc.Missing(1)", "Unknown method: 'Missing'"},
      {"c := NewCounter\nc.Add := 1", "Assign to method 'Add' is not allowed"},
      {"c := NewCounter\nc.Add(1, 2)", "Too many parameters for method 'Add'. Expected 1 parameters"},
      {"c := NewCounter\nc.Value(1)", "Unknown method: 'Value'"},
      {"c := 5\nx := c.Value", "Object or Record required to access property: 'Value'"},
      {"c := 'text'\nc.Add(1)", "Object or Record required to access method: 'Add'"},
      {"c := 0\nx := c as TCounter", "Invalid object to type cast (nil)"},
      {"c := 1\nx := c as TNothing", "Invalid type cast. Class 'TNothing' is not valid"},
  };
  for (const auto& f : failures) {
    try {
      RunSource(host, f.source);
      ADD_FAILURE() << f.source << " ran";
    } catch (const EatScripterRuntime& e) {
      EXPECT_EQ(e.Message().substr(0, e.Message().find(".\r\nSource position")), f.message) << f.source;
    } catch (const EatCompileError& e) {
      ADD_FAILURE() << f.source << ": compile error " << e.Message();
    }
  }
}

TEST(Scripter, ObjectTableHandlesAreStableAndFreedOnce) {
  TatObjectTable table;
  int a = 0, b = 0;
  const auto ha = table.Handle(&a, nullptr);
  EXPECT_EQ(table.Handle(&a, nullptr), ha);
  EXPECT_NE(table.Handle(&b, nullptr), ha);
  EXPECT_EQ(table.Handle(nullptr, nullptr), 0);
  EXPECT_EQ(table.Find(0), nullptr);
  EXPECT_EQ(table.Find(12345), nullptr);
  const auto owned = table.Adopt(std::make_unique<TatHostObject>(), nullptr);
  ASSERT_NE(table.Find(owned), nullptr);
  EXPECT_TRUE(table.Free(owned));
  EXPECT_FALSE(table.Free(owned));
  EXPECT_EQ(table.Find(owned), nullptr);
  EXPECT_FALSE(table.Free(ha)) << "objects the host keeps alive are not the table's to free";
}

}  // namespace
}  // namespace varnholt::test

namespace varnholt::test {
namespace {

TEST(Scripter, TheStepLimitEndsEndlessLoopsEvenInsideTryBlocks) {
  TScriptTestHost host;
  host.Scripter.Machine().SetStepLimit(5000);
  host.Scripter.SetSourceText("while True do\nbegin\n  try\n    x := 1\n  except\n    Print('caught')\n  end\nend");
  try {
    host.Scripter.RunScript();
    FAIL() << "ran";
  } catch (const EatScripterRuntime& e) {
    EXPECT_NE(e.Message().find("stopped after 5000 instructions"), std::string::npos) << e.Message();
  }
  EXPECT_TRUE(host.Printed.empty()) << "the limit is not an error a script can catch";
  host.Scripter.Machine().SetStepLimit(0);
  host.Scripter.SetSourceText("for i := 1 to 10000 do x := i\nResult := x");
  EXPECT_EQ(host.Scripter.RunScript().ToInteger(), 10000);
}

// A script that never ends is stopped by the run-time limit with an ordinary run-time error: the event
// sees it once, no try block of the script catches it, and it holds for loops of plain code and of host
// calls alike. The next run starts with a fresh allowance.
TEST(Scripter, TheRunTimeLimitStopsEndlessScriptsEvenInsideTryBlocks) {
  using namespace std::chrono_literals;
  struct TCase {
    const char* name;
    const char* source;
  };
  const TCase cases[] = {
      {"plain loop", "while True do\nbegin\n  try\n    x := 1\n  except\n    Print('caught')\n  end\nend"},
      {"host calls", "while True do\nbegin\n  try\n    Nap\n  except\n    Print('caught')\n  end\nend"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.name);
    TScriptTestHost host;
    host.Scripter.RegisterRoutine("Nap", 0, dtNone, nullptr,
                                  [](TatVirtualMachine&) { std::this_thread::sleep_for(2ms); });
    host.Scripter.SetRunTimeLimit(150ms);
    EXPECT_EQ(host.Scripter.RunTimeLimit(), 150ms);
    host.Scripter.SetSourceText(c.source);
    try {
      host.Scripter.RunScript();
      FAIL() << "ran";
    } catch (const EatScripterRuntime& e) {
      EXPECT_EQ(e.Message().rfind("Script stopped: it was still running after 150 milliseconds", 0), 0u)
          << e.Message();
    }
    EXPECT_TRUE(host.Printed.empty()) << "the limit is not an error a script can catch";
    ASSERT_EQ(host.RuntimeErrors.size(), 1u);
    EXPECT_NE(host.RuntimeErrors[0].find("Script stopped"), std::string::npos);
    // A run that ends in time is not touched, and each run has the whole allowance again.
    host.Scripter.SetSourceText("for i := 1 to 1000 do x := i\nResult := x");
    EXPECT_EQ(host.Scripter.RunScript().ToInteger(), 1000);
    EXPECT_EQ(host.Scripter.RunScript().ToInteger(), 1000);
    host.Scripter.SetRunTimeLimit(0ms);
    EXPECT_EQ(host.Scripter.RunTimeLimit(), 0ms);
  }
}

TEST(Scripter, AWholeSecondLimitIsReportedInSeconds) {
  using namespace std::chrono_literals;
  TScriptTestHost host;
  host.Scripter.SetRunTimeLimit(1s);
  host.Scripter.SetSourceText("while True do x := 1");
  try {
    host.Scripter.RunScript();
    FAIL() << "ran";
  } catch (const EatScripterRuntime& e) {
    EXPECT_EQ(e.Message().rfind("Script stopped: it was still running after 1 second.", 0), 0u) << e.Message();
  }
}

// The "Stack content is" part of a run-time error shows a long text by its start and its length, so a
// 16 MB value does not become a 16 MB message and log record.
TEST(Scripter, ARunTimeErrorShowsLongTextsShortened) {
  TScriptTestHost host;
  host.Scripter.SetSourceText("s := 'abcdefghij'\nfor i := 1 to 20 do s := s + s\nx := s div 2");
  try {
    host.Scripter.RunScript();
    FAIL() << "ran";
  } catch (const EatScripterRuntime& e) {
    const std::string& message = e.Message();
    EXPECT_LT(message.size(), 1000u) << message.substr(0, 300);
    EXPECT_NE(message.find("String:abcdefghijabcdefghij"), std::string::npos) << message;
    EXPECT_NE(message.find("... (10485760 characters)"), std::string::npos) << message;
  }
}

// Loops run common sequences fused (see atScript_Instructions.cpp); at the edges of the Integer range,
// with other kinds and with every comparison they must give what the single instructions give.
TEST(Scripter, FusedLoopSequencesKeepTheInstructionsMeaning) {
  struct TCase {
    const char* source;
    const char* result;
  };
  const TCase cases[] = {
      {"s := 2147483600\nfor i := 1 to 100 do s := s + i\nResult := s", "2147488650"},  // Integer to Double
      {"s := 0\nfor i := 10 downto 1 do s := s + i\nResult := s", "55"},
      {"n := 0\nfor i := 2147483640 to 2147483647 do n := n + 1\nResult := n", "8"},  // the step overflows
      {"a := 1.5\nb := 2\nc := a + b\nResult := c", "3.5"},
      {"a := 'x'\nb := 2\nc := a + b\nResult := c", "<error>"},
      {"a := 'x'\nb := 'y'\nc := a + b\nResult := c", "xy"},
      {"i := 0\nn := 5\nwhile i < n do i := i + 1\nResult := i", "5"},
      {"i := 9\nn := 5\nwhile i > n do i := i - 1\nResult := i", "5"},
      {"i := 0\nn := 5\nr := 0\nwhile i <> n do begin i := i + 1; if i = n then r := r + 100 end\nResult := r + i",
       "105"},
      {"i := 0\nn := 2.5\nwhile i <= n do i := i + 1\nResult := i", "3"},
  };
  for (const TCase& c : cases) {
    TScriptTestHost host;
    host.Scripter.SetSourceText(c.source);
    std::string result;
    try {
      result = host.Scripter.RunScript().ToText();
    } catch (const EatScripterRuntime&) {
      result = "<error>";
    }
    EXPECT_EQ(result, c.result) << c.source;
  }
}

// The number of instructions a script runs: the smallest step limit under which it reaches its end.
std::uint64_t InstructionCount(const std::string& source) {
  std::uint64_t low = 1, high = 1u << 20;
  while (low < high) {
    const std::uint64_t limit = (low + high) / 2;
    TScriptTestHost host;
    host.Scripter.Machine().SetStepLimit(limit);
    host.Scripter.SetSourceText(source);
    try {
      host.Scripter.RunScript();
      high = limit;
    } catch (const EatScripterRuntime&) {
      low = limit + 1;
    }
  }
  return low;
}

// A fused sequence runs several instructions in one dispatch, and a for loop's step runs its test in the
// same dispatch too; the step limit must still count every instruction of every round.
TEST(Scripter, TheStepLimitCountsEveryInstructionOfAFusedLoop) {
  const auto loop = [](int rounds) {
    return "s := 0\nfor i := 1 to " + std::to_string(rounds) + " do s := s + i\nResult := s";
  };
  // A round: the store into i, the test (4), the body (4) and the step (4).
  EXPECT_EQ(InstructionCount(loop(101)) - InstructionCount(loop(100)), 13u);
  EXPECT_EQ(InstructionCount(loop(300)) - InstructionCount(loop(100)), 200u * 13u);
}

}  // namespace
}  // namespace varnholt::test
