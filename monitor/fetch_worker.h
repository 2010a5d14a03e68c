// Runs the page fetch of a poll on a thread of its own, so that the event loop never waits on it.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
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
  // Whether a fetch was started and its page not yet taken.
  bool Started() const { return thread_.joinable(); }
  // Asks the running fetch to stop (it then ends within a second with an empty page).
  void Cancel();
  // Waits for the fetch to end and gives its page; empty when none was started or it was
  // cancelled.
  std::string TakePage();

 private:
  PageFetcher& fetcher_;
  std::thread thread_;
  std::unique_ptr<CancelToken> cancel_;
  std::string page_;
};

}  // namespace verdalin
