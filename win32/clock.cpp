// The local wall clock on Windows, from GetLocalTime.
#include <windows.h>

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
};
}  // namespace

Clock& SystemClock() {
  static LocalClock clock;
  return clock;
}

}  // namespace verdalin
