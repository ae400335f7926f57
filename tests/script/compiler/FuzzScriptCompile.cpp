// FuzzScriptCompile.cpp — any bytes as a script: the compile ends in code or in a compile error,
// never in a crash, a hang or another exception.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "tests/script/compiler/ScriptTestSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace varnholt;
  static test::TTestRegistry registry;
  TatPascalScript script(registry.registry);
  script.SetSourceText(std::string_view(reinterpret_cast<const char*>(data), size));
  try {
    script.CompileScript();
    // A compiled script's jumps land inside the code.
    const auto& code = script.Code();
    for (const auto& c : code) {
      if ((c.Op == inJump || c.Op == inJumpIfFalse || c.Op == inCall) &&
          (c.Int1 < 0 || c.Int1 > static_cast<int>(code.size()))) {
        std::abort();
      }
    }
  } catch (const EatCompileError&) {
  }
  return 0;
}
