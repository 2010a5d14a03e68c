// The local wall clock on Windows, from GetLocalTime, and the time since 1970.
#include <windows.h>

#include <ctime>

#include "base/clock.h"

namespace verdalin {

namespace {
class LocalClock : public Clock {
 public:
  WallClockFields LocalTime() const override {
    SYSTEMTIME now;
    GetLocalTime(&now);
    return {now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond};
  }
  int64_t UnixTime() const override { return static_cast<int64_t>(std::time(nullptr)); }
};
}  // namespace

Clock& SystemClock() {
  static LocalClock clock;
  return clock;
}

}  // namespace verdalin
