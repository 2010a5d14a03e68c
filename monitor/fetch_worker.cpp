// The reading's thread: start, cancel, the reading handed back to the loop, and a reading that
// does not stop when asked left behind.
#include "monitor/fetch_worker.h"

namespace verdalin {

FetchWorker::~FetchWorker() {
  Cancel();
  TakeReading();
}

void FetchWorker::Start(Job job, std::function<void()> done) {
  Cancel();
  TakeReading();
  auto fetch = std::make_shared<Fetch>();
  fetch_ = fetch;
  thread_ = std::thread([fetch, job = std::move(job), done = std::move(done)] {
    LineReading reading = job(fetch->cancel);
    std::lock_guard lock(fetch->mutex);
    fetch->reading = fetch->cancel.Cancelled() ? LineReading{} : std::move(reading);
    fetch->ended = true;
    fetch->ended_signal.notify_all();
    if (!fetch->left_behind && done) done();
  });
}

void FetchWorker::Cancel() {
  if (fetch_) fetch_->cancel.Cancel();
}

LineReading FetchWorker::TakeReading() {
  if (!thread_.joinable()) return {};
  thread_.join();
  LineReading reading = std::move(fetch_->reading);
  fetch_.reset();
  return reading;
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
  TakeReading();
  return true;
}

}  // namespace verdalin
