// Runs the reading of the line on a thread of its own, so that the event loop never waits on it.
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "monitor/line_source.h"

namespace verdalin {

// One reading at a time. The loop starts a reading and learns of its end through `done`, which
// runs on the reading's thread (it posts an event to the loop); the loop then takes the reading.
class FetchWorker {
 public:
  using Job = std::function<LineReading(CancelToken& cancel)>;

  FetchWorker() = default;
  ~FetchWorker();
  FetchWorker(const FetchWorker&) = delete;
  FetchWorker& operator=(const FetchWorker&) = delete;

  // Starts `job`; a reading still running is cancelled and waited for first.
  void Start(Job job, std::function<void()> done);
  // Asks the running reading to stop (it then ends as unreachable).
  void Cancel();
  // Waits for the reading to end and gives it; unreachable when none was started or it was
  // cancelled.
  LineReading TakeReading();
  // Waits at most `wait` for a cancelled reading to end. When it has not, it is left behind: its
  // thread goes on alone and reports nothing, and the process must end soon (what the job uses
  // has to outlive it). False then.
  bool FinishOrLeave(std::chrono::milliseconds wait);

 private:
  // What the reading's thread shares with the loop; it outlives the worker when left behind.
  struct Fetch {
    std::mutex mutex;
    std::condition_variable ended_signal;
    bool ended = false;
    bool left_behind = false;
    LineReading reading;
    CancelToken cancel;
  };

  std::thread thread_;
  std::shared_ptr<Fetch> fetch_;
};

}  // namespace verdalin
