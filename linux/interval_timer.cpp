// The poll's timer over QTimer.
#include "linux/interval_timer.h"

#include <algorithm>
#include <climits>

namespace verdalin {

QtIntervalTimer::QtIntervalTimer(EventSink& events) : events_(events) {
  timer_.setTimerType(Qt::CoarseTimer);
  connect(&timer_, &QTimer::timeout, this, [this] { events_.Dispatch({EventKind::kTimerTick}); });
}

// QTimer takes any period up to the int range, which is the longest period the core asks for;
// the clamp only guards against a caller outside that contract.
bool QtIntervalTimer::Start(int64_t period_ms) {
  timer_.start(static_cast<int>(std::clamp<int64_t>(period_ms, 1, INT_MAX)));
  return timer_.isActive();  // restarting replaced the period
}

void QtIntervalTimer::Stop() {
  timer_.stop();
}

}  // namespace verdalin
