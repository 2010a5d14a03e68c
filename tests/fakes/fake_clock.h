// A clock that shows whatever wall-clock fields the test sets.
#pragma once

#include "base/clock.h"

namespace verdalin {

class FakeClock : public Clock {
 public:
  WallClockFields LocalTime() const override { return now; }
  WallClockFields now{2006, 12, 30, 21, 5, 9};
};

}  // namespace verdalin
