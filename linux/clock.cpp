// The local wall clock on Linux, from localtime_r.
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
};
}  // namespace

Clock& SystemClock() {
  static LocalClock clock;
  return clock;
}

}  // namespace verdalin
