// The local wall clock as a platform service: the six fields the system clock shows now.
#pragma once

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
  virtual WallClockFields LocalTime() const = 0;
};

// The platform's clock (localtime_r on Linux, GetLocalTime on Windows).
Clock& SystemClock();

}  // namespace verdalin
