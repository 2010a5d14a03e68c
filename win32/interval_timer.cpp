// The poll's timer over SetTimer and KillTimer.
#include "win32/interval_timer.h"

#include <algorithm>

namespace verdalin {

// SetTimer takes every period the core asks for (USER_TIMER_MAXIMUM is the core's longest); the
// clamp only guards against a caller outside that contract. Starting it again replaces the period.
bool Win32IntervalTimer::Start(int64_t period_ms) {
  const HWND window = window_.Handle();
  if (window == nullptr) return false;
  const auto period = static_cast<UINT>(std::clamp<int64_t>(
      period_ms, USER_TIMER_MINIMUM, std::min<int64_t>(INT32_MAX, USER_TIMER_MAXIMUM)));
  return SetTimer(window, kPollTimerId, period, nullptr) != 0;
}

void Win32IntervalTimer::Stop() {
  if (const HWND window = window_.Handle()) KillTimer(window, kPollTimerId);
}

}  // namespace verdalin
