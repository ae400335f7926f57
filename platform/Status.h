// Status.h — the outcome of a platform operation: success, or failure with a message a person can act on.
#pragma once

#include <string>
#include <utility>

namespace varnholt::platform {

class TStatus {
 public:
  static TStatus Ok() { return TStatus(); }
  static TStatus Fail(std::string message) { return TStatus(std::move(message)); }

  bool ok() const { return !failed_; }
  explicit operator bool() const { return ok(); }
  // The failure's text (empty on success), in the system code page like every text inside.
  const std::string& Message() const { return message_; }

 private:
  TStatus() = default;
  explicit TStatus(std::string message) : failed_(true), message_(std::move(message)) {}
  bool failed_ = false;
  std::string message_;
};

}  // namespace varnholt::platform
