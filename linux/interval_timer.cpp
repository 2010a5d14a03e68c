// The main window's interval timers over QTimer.
#include "linux/interval_timer.h"

#include <algorithm>

namespace verdalin {

// QTimer takes any period up to the int range, which is the longest period the core asks for;
// the clamp only guards against a caller outside that contract.
bool QtIntervalTimer::StartTimer(int identity, int64_t period_ms) {
  std::unique_ptr<QTimer>& timer = timers_[identity];
  if (!timer) {
    timer = std::make_unique<QTimer>();
    timer->setTimerType(Qt::CoarseTimer);
    connect(timer.get(), &QTimer::timeout, this,
            [this, identity] { events_.Dispatch({EventKind::kTimerTick, identity}); });
  }
  timer->start(static_cast<int>(std::clamp(period_ms, kShortestTimerPeriod, kLongestTimerPeriod)));
  return timer->isActive();  // restarting replaced the period
}

void QtIntervalTimer::StopTimer(int identity) {
  const auto found = timers_.find(identity);
  if (found != timers_.end()) found->second->stop();
}

bool QtIntervalTimer::Running(int identity) const {
  const auto found = timers_.find(identity);
  return found != timers_.end() && found->second->isActive();
}

int64_t QtIntervalTimer::Period(int identity) const {
  const auto found = timers_.find(identity);
  return found == timers_.end() ? 0 : found->second->interval();
}

}  // namespace verdalin
