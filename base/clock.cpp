// The monotonic clock over std::chrono::steady_clock.
#include "base/clock.h"

namespace verdalin {

namespace {

class Steady : public MonotonicClock {
 public:
  std::chrono::milliseconds Now() const override {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now().time_since_epoch());
  }
};

}  // namespace

MonotonicClock& SteadyClock() {
  static Steady clock;
  return clock;
}

}  // namespace verdalin
