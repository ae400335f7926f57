// uHostErrors.h — the failure of a host routine that ends the action run with a script run-time error
// (a text file that cannot be read or written, a folder that cannot be created).
#pragma once

#include <stdexcept>

namespace varnholt {

// Thrown by a host routine; the routine's handler turns it into the script's run-time error with the
// same message.
class EHostError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace varnholt
