// uRtlErrors.h — the error of the run-time routines: a message the script sees as its run-time
// error.
#pragma once

#include <stdexcept>
#include <string>

namespace varnholt::rtl {

// Raised by the run-time routines with the exact text the script's exception handler reads; the virtual
// machine turns it into its run-time error.
class ERtlError : public std::runtime_error {
 public:
  explicit ERtlError(const std::string& message) : std::runtime_error(message) {}
};

}  // namespace varnholt::rtl
