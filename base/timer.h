// A periodic timer as a platform service: its ticks reach the event loop that owns it.
#pragma once

#include <cstdint>

namespace verdalin {

class Timer {
 public:
  virtual ~Timer() = default;
  // Starts ticking every `period_ms` (1000 to 2147483647), replacing the period of a timer that
  // runs. False when the platform refuses.
  virtual bool Start(int64_t period_ms) = 0;
  // Does nothing when the timer does not run.
  virtual void Stop() = 0;
};

}  // namespace verdalin
