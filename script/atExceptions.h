// atExceptions.h — the exception classes the script engine's compile side raises.
#pragma once

#include <stdexcept>
#include <string>

namespace varnholt {

// A compile error: the message as the compiler words it, and its source row and column (both 0 when
// the error has no source position, as for an integer literal out of range).
class EatCompileError : public std::runtime_error {
 public:
  EatCompileError(std::string message, int row, int col)
      : std::runtime_error(message + ".\r\nSource position: " + std::to_string(row) + "," +
                           std::to_string(col)),
        message_(std::move(message)),
        row_(row),
        col_(col) {}
  const std::string& Message() const { return message_; }
  int Row() const { return row_; }
  int Col() const { return col_; }

 private:
  std::string message_;
  int row_;
  int col_;
};

// Misuse while a script runs (compiling, clearing or changing the source).
class EatScripterFatal : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A broken invariant of the engine itself.
class EatInternalError : public std::runtime_error {
 public:
  explicit EatInternalError(const std::string& message)
      : std::runtime_error("INTERNAL ERROR\r\n" + message) {}
};

// A failure inside a routine of the engine itself (such as a refused external call).
class EatRuntimeError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A faulty host definition (registry misuse).
class EatDefinitionError : public std::runtime_error {
 public:
  explicit EatDefinitionError(const std::string& message)
      : std::runtime_error("Definition ERROR\r\n" + message) {}
};

}  // namespace varnholt
