// Clock.h — the local date and time, broken down to milliseconds.
#pragma once

#include <ctime>
#include <functional>

namespace varnholt::platform {

struct TLocalTime {
  int year = 0, month = 0, day = 0;  // month 1-12, day 1-31
  int hour = 0, minute = 0, second = 0, millisecond = 0;
};

TLocalTime LocalNow();
// A point in time as local time (milliseconds 0).
TLocalTime LocalTimeOf(std::time_t seconds);

// A source of the current local time; tests pass a fixed one.
using TClock = std::function<TLocalTime()>;

}  // namespace varnholt::platform
