// The fetch thread of the poll: start, cancel, the page handed back to the loop, and a fetch
// that does not stop when asked left behind.
#include "monitor/fetch_worker.h"

namespace verdalin {

FetchWorker::~FetchWorker() {
  Cancel();
  TakePage();
}

void FetchWorker::Start(FetchRequest request, std::function<void()> done) {
  Cancel();
  TakePage();
  auto fetch = std::make_shared<Fetch>();
  fetch_ = fetch;
  PageFetcher& fetcher = fetcher_;
  thread_ = std::thread([fetch, &fetcher, request = std::move(request), done = std::move(done)] {
    std::string page = fetcher.FetchPage(request, fetch->cancel);
    std::lock_guard lock(fetch->mutex);
    fetch->page = fetch->cancel.Cancelled() ? std::string() : std::move(page);
    fetch->ended = true;
    fetch->ended_signal.notify_all();
    if (!fetch->left_behind && done) done();
  });
}

void FetchWorker::Cancel() {
  if (fetch_) fetch_->cancel.Cancel();
}

std::string FetchWorker::TakePage() {
  if (!thread_.joinable()) return {};
  thread_.join();
  std::string page = std::move(fetch_->page);
  fetch_.reset();
  return page;
}

bool FetchWorker::FinishOrLeave(std::chrono::milliseconds wait) {
  if (!thread_.joinable()) return true;
  {
    std::unique_lock lock(fetch_->mutex);
    if (!fetch_->ended_signal.wait_for(lock, wait, [this] { return fetch_->ended; })) {
      fetch_->left_behind = true;
      thread_.detach();
      fetch_.reset();
      return false;
    }
  }
  TakePage();
  return true;
}

}  // namespace verdalin
