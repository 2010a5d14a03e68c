// The poll's timer over SetTimer; its ticks reach the window as WM_TIMER.
#pragma once

#include "base/timer.h"
#include "win32/main_window.h"

namespace verdalin {

// The timer's identity on the window.
inline constexpr UINT_PTR kPollTimerId = 1;

class Win32IntervalTimer : public Timer {
 public:
  // The timer belongs to `window`, which is built later; its events carry the ticks.
  explicit Win32IntervalTimer(const MainWindow& window) : window_(window) {}

  bool Start(int64_t period_ms) override;
  void Stop() override;

 private:
  const MainWindow& window_;
};

}  // namespace verdalin
