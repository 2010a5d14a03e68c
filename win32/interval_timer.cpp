// The main window's interval timers over SetTimer and KillTimer.
#include "win32/interval_timer.h"

#include <algorithm>

namespace verdalin {

// SetTimer takes every period the core asks for (USER_TIMER_MAXIMUM is the core's longest); the
// clamp only guards against a caller outside that contract.
bool Win32IntervalTimer::StartTimer(int identity, int64_t period_ms) {
  const HWND window = window_.Handle();
  if (window == nullptr) return false;
  const auto period = static_cast<UINT>(std::clamp<int64_t>(
      period_ms, std::max<int64_t>(kShortestTimerPeriod, USER_TIMER_MINIMUM),
      std::min<int64_t>(kLongestTimerPeriod, USER_TIMER_MAXIMUM)));
  if (SetTimer(window, static_cast<UINT_PTR>(identity), period, nullptr) == 0) return false;
  periods_[identity] = period;
  return true;
}

void Win32IntervalTimer::StopTimer(int identity) {
  if (const HWND window = window_.Handle()) KillTimer(window, static_cast<UINT_PTR>(identity));
  periods_.erase(identity);
}

int64_t Win32IntervalTimer::Period(int identity) const {
  const auto found = periods_.find(identity);
  return found == periods_.end() ? 0 : found->second;
}

}  // namespace verdalin
