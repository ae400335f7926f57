// ScopeExit.h — runs a step on every way out of a scope: a flag cleared, registers restored, a count
// refreshed, whether the scope ends normally or by an exception.
#pragma once

#include <utility>

namespace varnholt::platform {

template <typename TStep>
class TScopeExit {
 public:
  explicit TScopeExit(TStep step) : step_(std::move(step)) {}
  ~TScopeExit() { step_(); }
  TScopeExit(const TScopeExit&) = delete;
  TScopeExit& operator=(const TScopeExit&) = delete;

 private:
  TStep step_;
};

}  // namespace varnholt::platform
