// The clocks as services: the local wall clock (what the logs stamp) and a monotonic clock (what
// durations and time limits are measured with).
#pragma once

#include <chrono>
#include <cstdint>

namespace verdalin {

struct WallClockFields {
  int year = 1970;
  int month = 1;  // 1 to 12
  int day = 1;    // 1 to 31
  int hour = 0;   // 0 to 23
  int minute = 0;
  int second = 0;
};

class Clock {
 public:
  virtual ~Clock() = default;
  // The six fields the system clock shows now, in local time.
  virtual WallClockFields LocalTime() const = 0;
  // Seconds since 1970-01-01 00:00:00 UTC, as the world counts them (for outside tools).
  virtual int64_t UnixTime() const = 0;
};

// The platform's clock (localtime_r on Linux, GetLocalTime on Windows).
Clock& SystemClock();

// A clock that only goes forward, whatever the wall clock does.
class MonotonicClock {
 public:
  virtual ~MonotonicClock() = default;
  virtual std::chrono::milliseconds Now() const = 0;
};

// std::chrono::steady_clock.
MonotonicClock& SteadyClock();

}  // namespace verdalin
