// The main window's interval timers over QTimer.
#pragma once

#include <QObject>
#include <QTimer>
#include <functional>
#include <map>
#include <memory>

#include "app/front_end.h"

namespace verdalin {

class QtIntervalTimer : public QObject, public IntervalTimer {
  Q_OBJECT
 public:
  static constexpr int kShortestPeriod = 1000;

  // The period QTimer gets for the period asked for.
  static int EffectivePeriod(int64_t period_ms);

  // Each tick of timer `identity`.
  std::function<void(int)> on_tick;

  bool StartTimer(int identity, int64_t period_ms) override;
  void StopTimer(int identity) override;
  // Whether the timer runs, and its period; for tests.
  bool Running(int identity) const;
  int Period(int identity) const;

 private:
  std::map<int, std::unique_ptr<QTimer>> timers_;
};

}  // namespace verdalin
