// Runs the page fetch of a poll on a thread of its own, so that the event loop never waits on it.
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "monitor/page_fetcher.h"

namespace verdalin {

// One fetch at a time. The loop starts a fetch and learns of its end through `done`, which runs
// on the fetch thread (it posts an event to the loop); the loop then takes the page.
class FetchWorker {
 public:
  explicit FetchWorker(PageFetcher& fetcher) : fetcher_(fetcher) {}
  ~FetchWorker();
  FetchWorker(const FetchWorker&) = delete;
  FetchWorker& operator=(const FetchWorker&) = delete;

  // Starts fetching `request`; a fetch still running is cancelled and waited for first.
  void Start(FetchRequest request, std::function<void()> done);
  // Asks the running fetch to stop (it then ends with an empty page).
  void Cancel();
  // Waits for the fetch to end and gives its page; empty when none was started or it was
  // cancelled.
  std::string TakePage();
  // Waits at most `wait` for a cancelled fetch to end. When it has not, it is left behind: its
  // thread goes on alone and reports nothing, and the process must end soon (the fetcher has to
  // outlive it). False then.
  bool FinishOrLeave(std::chrono::milliseconds wait);

 private:
  // What the fetch thread shares with the loop; it outlives the worker when left behind.
  struct Fetch {
    std::mutex mutex;
    std::condition_variable ended_signal;
    bool ended = false;
    bool left_behind = false;
    std::string page;
    CancelToken cancel;
  };

  PageFetcher& fetcher_;
  std::thread thread_;
  std::shared_ptr<Fetch> fetch_;
};

}  // namespace verdalin
