// Clocks that show whatever the test sets.
#pragma once

#include "base/clock.h"
#include "base/date_format.h"

namespace verdalin {

// The local time as set; the time since 1970 as if the local time were UTC.
class FakeClock : public Clock {
 public:
  WallClockFields LocalTime() const override { return now; }
  int64_t UnixTime() const override { return DateFromFields(now); }
  WallClockFields now{2006, 12, 30, 21, 5, 9};
};

class FakeMonotonicClock : public MonotonicClock {
 public:
  std::chrono::milliseconds Now() const override { return now; }
  std::chrono::milliseconds now{1000000};
};

}  // namespace verdalin
