// ScriptTestHost.h — a scripter with a few host routines for tests: Print collects output lines,
// KindOf names a value's kind, and others exercise by-reference arguments and nested runs.
#pragma once

#include <string>
#include <vector>

#include "script/vm/atScript.h"

namespace varnholt::test {

class TScriptTestHost {
 public:
  TScriptTestHost();

  TatPascalScripter Scripter;
  std::vector<std::string> Printed;
  std::vector<std::string> RuntimeErrors;  // messages seen by OnRuntimeError
};

}  // namespace varnholt::test
