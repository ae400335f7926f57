// ScriptTestSupport.h — a registry for compiler tests: the host routine table, the system library and a
// small test class, all as signatures; and a helper that compiles a text and lists its code.
#pragma once

#include <string>
#include <string_view>

#include "hostlib/uHostRoutineTable.h"
#include "script/compiler/atPascal.h"

namespace varnholt::test {

// Registers TTestObject: properties Name (text) and Count (integer), Items[i] (indexed, any value),
// Caption (read-only text), Parent (object of class TTestObject), methods Add(x) and Clone: object.
inline TatClass& RegisterTestClass(TatHostRegistry& registry) {
  TatClass& cls = registry.RegisterHostClass("TTestObject");
  cls.RegisterProperty("Name", dtText, {}, {}, nullptr, false, 0, true, true);
  cls.RegisterProperty("Count", dtInteger, {}, {}, nullptr, false, 0, true, true);
  cls.RegisterProperty("Items", dtAny, {}, {}, nullptr, false, 1, true, true);
  cls.RegisterProperty("Caption", dtText, {}, {}, nullptr, false, 0, true, false);
  cls.RegisterProperty("Parent", dtObject, {}, {}, &cls, false, 0, true, false);
  cls.RegisterRoutine("Add", 1, dtNone);
  cls.RegisterRoutine("Clone", 0, dtObject, &cls);
  return cls;
}

struct TTestRegistry {
  TatHostRegistry registry;
  TTestRegistry() {
    registry.SignaturesOnly = true;
    RegisterHostRoutineSignatures(registry);
    RegisterTestClass(registry);
  }
};

// Compiles the script; the listing, or "error: <message> @row,col".
inline std::string CompileListing(std::string_view source, bool shortBooleanEval = false) {
  TTestRegistry r;
  TatPascalScript script(r.registry);
  script.Options.ShortBooleanEval = shortBooleanEval;
  script.SetSourceText(source);
  try {
    script.CompileScript();
  } catch (const EatCompileError& e) {
    return "error: " + e.Message() + " @" + std::to_string(e.Row()) + "," + std::to_string(e.Col());
  }
  return Disassemble(script.Code());
}

}  // namespace varnholt::test
