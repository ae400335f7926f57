// atScript_Errors.h — the exception classes of the script engine and the failures of the value rules.
//
// Every class keeps the bare message apart from the text it shows (what()), so that a handler can
// re-raise or decorate the bare message without peeling prefixes off again.
#pragma once

#include <exception>
#include <string>
#include <utility>

namespace varnholt {

// A compile error: the bare message and the 1-based source position. The shown text carries the
// position as the scripter reports it to its caller.
class EatCompileError : public std::exception {
 public:
  EatCompileError(std::string message, int row, int column)
      : message_(std::move(message)),
        row_(row),
        column_(column),
        text_(message_ + ".\r\nSource position: " + std::to_string(row) + "," + std::to_string(column)) {}

  const char* what() const noexcept override { return text_.c_str(); }
  const std::string& Message() const noexcept { return message_; }
  int Row() const noexcept { return row_; }
  int Column() const noexcept { return column_; }
  int Col() const noexcept { return column_; }

 private:
  std::string message_;
  int row_;
  int column_;
  std::string text_;
};

// Base of the engine's other exception classes: a bare message and a prefix in front of it.
class EatException : public std::exception {
 public:
  const char* what() const noexcept override { return text_.c_str(); }
  const std::string& Message() const noexcept { return message_; }

 protected:
  EatException(std::string message, const char* prefix)
      : message_(std::move(message)), text_(prefix + message_) {}

 private:
  std::string message_;
  std::string text_;
};

// A run-time error of a script as the scripter raises it to its caller.
class EatScripterRuntime : public EatException {
 public:
  explicit EatScripterRuntime(std::string message) : EatException(std::move(message), "RUNTIME ERROR\r\n") {}
};

// A failure raised by the engine's own host routines (the refused external call, the script's Raise).
class EatRuntimeError : public EatException {
 public:
  explicit EatRuntimeError(std::string message) : EatException(std::move(message), "") {}
};

// A broken invariant of the engine itself.
class EatInternalError : public EatException {
 public:
  explicit EatInternalError(std::string message) : EatException(std::move(message), "INTERNAL ERROR\r\n") {}
};

// Reading a routine's local variable from the host while another routine runs.
class EatScriptInfoError : public EatException {
 public:
  explicit EatScriptInfoError(std::string message)
      : EatException(std::move(message), "ScriptInfo ERROR\r\n") {}
};

// A faulty registration by the host (a missing default instance and the like).
class EatDefinitionError : public EatException {
 public:
  explicit EatDefinitionError(std::string message)
      : EatException(std::move(message), "Definition ERROR\r\n") {}
};

// Misuse of the scripter while a script runs (compiling, clearing, changing the source or Compiled).
class EatScripterFatal : public EatException {
 public:
  explicit EatScripterFatal(std::string message) : EatException(std::move(message), "") {}
};

// The silent abort: ends a run without an error message; callers tell it apart by its class.
class EAbort : public std::exception {
 public:
  const char* what() const noexcept override { return "Operation aborted"; }
};

// A failure of the value rules (a text that is not a number, a division by zero, an operation the
// kinds do not support). The virtual machine wraps it into a run-time error with the instruction.
class EScriptValueError : public std::exception {
 public:
  explicit EScriptValueError(std::string message) : message_(std::move(message)) {}
  const char* what() const noexcept override { return message_.c_str(); }
  const std::string& Message() const noexcept { return message_; }

 private:
  std::string message_;
};

// An indexing error the machine reports with the bare message instead of wrapping it ("Variable is
// not an array", "String variable has only one dimension", too many dimensions).
class EScriptElementError : public EScriptValueError {
 public:
  using EScriptValueError::EScriptValueError;
};

}  // namespace varnholt
