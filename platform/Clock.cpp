// Clock.cpp — the local date and time from the C library.
#include "platform/Clock.h"

#include <chrono>
#include <ctime>

namespace varnholt::platform {

TLocalTime LocalNow() {
  const auto now = std::chrono::system_clock::now();
  const auto ms =
      std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
  TLocalTime t = LocalTimeOf(std::chrono::system_clock::to_time_t(now));
  t.millisecond = static_cast<int>(ms < 0 ? ms + 1000 : ms);
  return t;
}

TLocalTime LocalTimeOf(std::time_t seconds) {
  std::tm tm{};
  localtime_r(&seconds, &tm);
  TLocalTime t;
  t.year = tm.tm_year + 1900;
  t.month = tm.tm_mon + 1;
  t.day = tm.tm_mday;
  t.hour = tm.tm_hour;
  t.minute = tm.tm_min;
  t.second = tm.tm_sec;
  return t;
}

}  // namespace varnholt::platform
