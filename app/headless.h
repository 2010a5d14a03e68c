// The program without a window: the monitor service on a loop of its own, its settings from the
// settings folder, and one line on standard error for each line event and each problem.
#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "app/events.h"
#include "app/host.h"
#include "base/timer.h"

namespace verdalin {

// The event loop and the poll's timer: waits for the timer's next tick or a posted event, and
// wakes for nothing else.
class HeadlessLoop : public EventLoop, public Timer {
 public:
  HeadlessLoop(EventSink& events, const MonotonicClock& clock) : events_(events), clock_(clock) {}
  void Run() override;
  void End() override { ended_ = true; }
  void Post(const Event& event) override;
  bool Start(int64_t period_ms) override;
  void Stop() override;

 private:
  // The next event: a posted one, else the tick when it is due; waits until one comes.
  Event Next();

  EventSink& events_;
  const MonotonicClock& clock_;
  std::mutex mutex_;
  std::condition_variable posted_signal_;
  std::deque<Event> posted_;
  std::optional<std::chrono::milliseconds> period_;
  std::chrono::milliseconds due_{0};
  bool ended_ = false;
};

// Where the headless program says things: one line each (standard error, for journald).
using LineSink = std::function<void(const std::string& line)>;

// "--headless [--config DIR]": monitoring on from the start, events and problems said on
// standard error, the metrics endpoint on 127.0.0.1:9469 unless the settings name another place,
// the settings saved when a termination signal ends it. Returns the exit code.
int RunHeadless(ProgramHost& host, const std::vector<std::string>& arguments);

}  // namespace verdalin
