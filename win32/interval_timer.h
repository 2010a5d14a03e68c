// The main window's interval timers over SetTimer; their ticks reach the window as WM_TIMER.
#pragma once

#include <map>

#include "app/front_end.h"
#include "win32/main_window.h"

namespace verdalin {

class Win32IntervalTimer : public IntervalTimer {
 public:
  // The timers belong to `window`, which is built later; its events carry the ticks.
  explicit Win32IntervalTimer(const MainWindow& window) : window_(window) {}

  bool StartTimer(int identity, int64_t period_ms) override;
  void StopTimer(int identity) override;
  // The period a running timer was given; 0 when it does not run. Windows keeps no record.
  int64_t Period(int identity) const;

 private:
  const MainWindow& window_;
  std::map<int, int64_t> periods_;
};

}  // namespace verdalin
