// ScriptTestHost.cpp — the host routines golden scripts call.
#include "tests/script/vm/ScriptTestHost.h"

#include "script/syslib/uSystemLibrary.h"

namespace varnholt::test {

TScriptTestHost::TScriptTestHost() {
  // Golden scripts see one fixed locale and one fixed moment, whatever the machine's.
  if (TatSystemLibrary* library = SystemLibraryOf(Scripter)) {
    library->SetFormatSettings(platform::TFormatSettings::English());
    library->SetClock([] { return platform::TLocalTime{2026, 3, 15, 10, 20, 30, 250}; });
  }
  Scripter.RegisterRoutine("Print", 1, dtNone, nullptr, [this](TatVirtualMachine& vm) {
    const ScriptValue& v = vm.ArgValue(0);
    Printed.push_back(v.IsArray() ? std::string("<array>") : v.ToText());
  });
  Scripter.RegisterRoutine("KindOf", 1, dtText, nullptr, [](TatVirtualMachine& vm) {
    vm.SetResult(ScriptValue(ScriptValue::KindName(vm.ArgValue(0).Kind())));
  });
  Scripter.RegisterRoutine("HostInteger", 1, dtInteger, nullptr,
                           [](TatVirtualMachine& vm) { vm.SetResult(ScriptValue(vm.ArgInteger(0))); });
  // Booleans go back to scripts as the integers 1 and 0.
  Scripter.RegisterRoutine("HostTrue", 0, dtInteger, nullptr, [](TatVirtualMachine& vm) { vm.SetResult(ScriptValue(1)); });
  Scripter.RegisterRoutine("SetTo42", 1, dtNone, nullptr, [](TatVirtualMachine& vm) { vm.SetArgRef(0, ScriptValue(42)); })
      .SetVarArgs({0});
  Scripter.RegisterRoutine("TrySet", 1, dtNone, nullptr, [](TatVirtualMachine& vm) { vm.TrySetArgRef(0, ScriptValue(7)); });
  Scripter.RegisterRoutine("ArgCountOf", 3, dtInteger, nullptr,
                           [](TatVirtualMachine& vm) { vm.SetResult(ScriptValue(vm.ArgCount())); }, false, 2);
  // Runs a routine of the same script from inside a host call, then reads its own argument again.
  Scripter.RegisterRoutine("CallBack", 2, dtText, nullptr, [this](TatVirtualMachine& vm) {
    const std::string name = vm.ArgString(0);
    const ScriptValue inner = Scripter.RunRoutine(name, vm.ArgValue(1));
    vm.SetResult(ScriptValue(inner.ToText() + "/" + vm.ArgString(1)));
  });
  Scripter.RegisterRoutine("Fail", 1, dtNone, nullptr,
                           [](TatVirtualMachine& vm) { throw EatRuntimeError(vm.ArgString(0)); });
  Scripter.RegisterRoutine("NoResult", 0, dtInteger, nullptr, [](TatVirtualMachine&) {});
  Scripter.RegisterValue("NewLine", ScriptValue("\n"));
  Scripter.RegisterValue("Answer", ScriptValue(42));
  Scripter.OnRuntimeError = [this](TatCustomScripter&, std::string& message, int, int, bool&) {
    RuntimeErrors.push_back(message);
  };
}

}  // namespace varnholt::test
