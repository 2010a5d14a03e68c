// The local wall clock on Linux, from localtime_r, and the time since 1970.
#include <ctime>

#include "base/clock.h"

namespace verdalin {

namespace {
class LocalClock : public Clock {
 public:
  WallClockFields LocalTime() const override {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
            local.tm_hour,        local.tm_min,     local.tm_sec};
  }
  int64_t UnixTime() const override { return static_cast<int64_t>(std::time(nullptr)); }
};
}  // namespace

Clock& SystemClock() {
  static LocalClock clock;
  return clock;
}

}  // namespace verdalin
