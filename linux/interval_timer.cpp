// The main window's interval timers over QTimer.
#include "linux/interval_timer.h"

#include <limits>

namespace verdalin {

// The core passes the delay field's seconds times 1000 unchecked. A 0 ms QTimer would poll the
// gateway without a pause and starve the event loop, so periods under a second run every second;
// negative periods (which Windows reads as huge unsigned ones) and periods beyond QTimer's int
// range run at the longest period QTimer takes.
int QtIntervalTimer::EffectivePeriod(int64_t period_ms) {
  constexpr int64_t kLongest = std::numeric_limits<int>::max();
  if (period_ms < 0 || period_ms > kLongest) return static_cast<int>(kLongest);
  return static_cast<int>(std::max<int64_t>(period_ms, kShortestPeriod));
}

bool QtIntervalTimer::StartTimer(int identity, int64_t period_ms) {
  std::unique_ptr<QTimer>& timer = timers_[identity];
  if (!timer) {
    timer = std::make_unique<QTimer>();
    timer->setTimerType(Qt::CoarseTimer);
    connect(timer.get(), &QTimer::timeout, this, [this, identity] {
      if (on_tick) on_tick(identity);
    });
  }
  timer->start(EffectivePeriod(period_ms));  // restarting replaces the period
  return timer->isActive();
}

void QtIntervalTimer::StopTimer(int identity) {
  const auto found = timers_.find(identity);
  if (found != timers_.end()) found->second->stop();
}

bool QtIntervalTimer::Running(int identity) const {
  const auto found = timers_.find(identity);
  return found != timers_.end() && found->second->isActive();
}

int QtIntervalTimer::Period(int identity) const {
  const auto found = timers_.find(identity);
  return found == timers_.end() ? 0 : found->second->interval();
}

}  // namespace verdalin
