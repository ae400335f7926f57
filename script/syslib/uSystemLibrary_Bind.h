// uSystemLibrary_Bind.h — helpers the system library's handlers share: reading arguments the way the
// run-time routines want them and handing results back.
#pragma once

#include <cstdint>
#include <string>

#include "rtl/uRtlErrors.h"
#include "script/vm/atCallContext.h"
#include "script/syslib/uSystemLibrary.h"

namespace varnholt::syslib {

// Argument i as a 64-bit integer: floating kinds rounded half to even while they fit, everything else by
// the host rule (ArgInteger). IntToStr(3e10) must not print the saturated 32-bit value.
std::int64_t ArgInt64(const TatCallContext& vm, int i);

// A 64-bit result as an Integer when it fits 32 bits, else as a Double holding the same whole number.
ScriptValue IntegerResult(std::int64_t value);

}  // namespace varnholt::syslib
