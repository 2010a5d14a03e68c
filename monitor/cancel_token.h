// A token another thread sets to stop a fetch, a POST or a reading of the line.
#pragma once

#include <atomic>
#include <functional>
#include <mutex>

namespace verdalin {

// Lets another thread stop a request. A client checks Cancelled() often enough, or registers a
// callback that breaks its blocking calls, so that a cancelled request ends within a second where
// its client allows (libcurl does; WinInet under Wine finishes a blocked call first, which the
// end of the program does not wait for).
class CancelToken {
 public:
  void Cancel() {
    std::lock_guard lock(mutex_);
    cancelled_ = true;
    if (on_cancel_) on_cancel_();
  }
  bool Cancelled() const { return cancelled_; }
  // Runs `callback` on Cancel (at once when already cancelled); an empty one clears it. The
  // callback runs on the cancelling thread under the token's lock, so once OnCancel({}) has
  // returned it no longer runs; it must not call the token itself.
  void OnCancel(std::function<void()> callback) {
    std::lock_guard lock(mutex_);
    on_cancel_ = std::move(callback);
    if (cancelled_ && on_cancel_) on_cancel_();
  }

 private:
  std::mutex mutex_;
  std::atomic<bool> cancelled_{false};
  std::function<void()> on_cancel_;
};

}  // namespace verdalin
