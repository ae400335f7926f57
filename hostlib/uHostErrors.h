// uHostErrors.h — the failure of a host routine that ends the action run as a script run-time error.
#pragma once

#include <stdexcept>

namespace varnholt {

// Thrown by a host routine when the script cannot go on (a text file that cannot be written, a date that
// cannot be worked out); the script engine turns it into the run's run-time error.
class EHostError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace varnholt
