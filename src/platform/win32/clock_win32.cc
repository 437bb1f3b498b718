#include "platform/win32/windows_api.h"

#include "platform/clock.h"

namespace tarvik::platform {
namespace {

class Win32Clock final : public Clock {
 public:
  std::chrono::steady_clock::time_point SteadyNow() override {
    return std::chrono::steady_clock::now();
  }
  LocalTime LocalNow() override {
    SYSTEMTIME parts{};
    ::GetLocalTime(&parts);
    LocalTime t;
    t.year = parts.wYear;
    t.month = parts.wMonth;
    t.day = parts.wDay;
    t.hour = parts.wHour;
    t.minute = parts.wMinute;
    t.second = parts.wSecond;
    t.dayOfWeek = parts.wDayOfWeek;  // 0 = Sunday there too
    return t;
  }
  void Sleep(std::chrono::milliseconds duration) override {
    // INFINITE is a DWORD value of its own: long sleeps go in bounded steps.
    constexpr long long kStep = 24LL * 60 * 60 * 1000;
    long long left = duration.count();
    while (left > 0) {
      long long step = left < kStep ? left : kStep;
      ::Sleep(static_cast<DWORD>(step));
      left -= step;
    }
  }
};

}  // namespace

Clock& SystemClock() {
  static Win32Clock clock;
  return clock;
}

}  // namespace tarvik::platform
