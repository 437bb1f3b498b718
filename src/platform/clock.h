// Time as the program sees it: a steady clock for time-outs, the local wall
// clock for logs, journals and the register clock, and sleeping. Tests pass a
// fake that advances only when told (or when something sleeps on it).
#pragma once

#include <chrono>

namespace tarvik::platform {

struct LocalTime {
  int year = 0;       // four digits
  int month = 0;      // 1..12
  int day = 0;        // 1..31
  int hour = 0;       // 0..23
  int minute = 0;     // 0..59
  int second = 0;     // 0..59
  int dayOfWeek = 0;  // 0 = Sunday
};

class Clock {
 public:
  virtual ~Clock() = default;
  virtual std::chrono::steady_clock::time_point SteadyNow() = 0;
  virtual LocalTime LocalNow() = 0;
  virtual void Sleep(std::chrono::milliseconds duration) = 0;
};

Clock& SystemClock();

}  // namespace tarvik::platform
