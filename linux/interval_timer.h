// The poll's timer over QTimer.
#pragma once

#include <QObject>
#include <QTimer>

#include "app/events.h"
#include "base/timer.h"

namespace verdalin {

class QtIntervalTimer : public QObject, public Timer {
  Q_OBJECT
 public:
  // Each tick goes to `events` as Event{kTimerTick}.
  explicit QtIntervalTimer(EventSink& events);

  bool Start(int64_t period_ms) override;
  void Stop() override;

 private:
  EventSink& events_;
  QTimer timer_;
};

}  // namespace verdalin
