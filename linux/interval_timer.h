// The main window's interval timers over QTimer.
#pragma once

#include <QObject>
#include <QTimer>
#include <map>
#include <memory>

#include "app/front_end.h"

namespace verdalin {

class QtIntervalTimer : public QObject, public IntervalTimer {
  Q_OBJECT
 public:
  // Each tick of timer `identity` goes to `events` as Event{kTimerTick, identity}.
  explicit QtIntervalTimer(EventSink& events) : events_(events) {}

  bool StartTimer(int identity, int64_t period_ms) override;
  void StopTimer(int identity) override;
  // Whether the timer runs, and its period; for tests.
  bool Running(int identity) const;
  int64_t Period(int identity) const;

 private:
  EventSink& events_;
  std::map<int, std::unique_ptr<QTimer>> timers_;
};

}  // namespace verdalin
