// FuzzScriptRun.cpp — random scripts are compiled and, when they compile, run under a step limit: every input
// ends in a compile error, a run-time error, the silent abort or a result, never in a crash or a hang.
#include <cstddef>
#include <cstdint>
#include <string>

#include "script/vm/atScript.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace varnholt;
  TatPascalScripter scripter;
  scripter.RegisterRoutine("Print", 1, dtNone, nullptr, [](TatVirtualMachine& vm) { (void)vm.ArgValue(0); });
  scripter.Machine().SetStepLimit(20000);
  scripter.SetSourceText(std::string(reinterpret_cast<const char*>(data), size));
  try {
    scripter.CompileScript();
    scripter.RunScript();
  } catch (const EatCompileError&) {
  } catch (const EatException&) {
  } catch (const EAbort&) {
  }
  return 0;
}
