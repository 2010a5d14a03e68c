// The status page fetch as a platform service: one HTTP GET, the body as text, empty on failure.
#pragma once

#include <atomic>
#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

namespace verdalin {

// What to fetch. The credentials travel beside the address, never inside it: the client gives
// them to the gateway named by `url` when it asks, byte for byte, and to no other host.
struct FetchRequest {
  std::string url;
  bool send_credentials = false;
  std::string login;
  std::string password;
};

// Whether the fetch gives credentials: an empty login with an empty password is none.
inline bool GivesCredentials(const FetchRequest& request) {
  return request.send_credentials && (!request.login.empty() || !request.password.empty());
}

// Lets another thread stop a fetch. A fetcher checks Cancelled() often enough, or registers a
// callback that breaks its blocking calls, so that a cancelled fetch ends within a second where
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

class PageFetcher {
 public:
  virtual ~PageFetcher() = default;
  // The body of the answer whatever its status; empty when nothing could be read, when the
  // transfer broke off, or when it was cancelled. May run on any thread, one call at a time.
  virtual std::string FetchPage(const FetchRequest& request, CancelToken& cancel) = 0;
  // For callers that never cancel.
  std::string FetchPage(const FetchRequest& request) {
    CancelToken never;
    return FetchPage(request, never);
  }
};

// Bounds on one fetch, so that a gateway that never answers cannot hold the program: a LAN
// gateway connects within milliseconds and sends its page within a second or two.
struct FetchLimits {
  long connect_timeout_ms = 5000;                // to open the connection
  long total_timeout_ms = 20000;                 // for the whole fetch, connection included
  std::size_t max_body_bytes = 4 * 1024 * 1024;  // a longer body counts as a failed fetch
};

// Whether `url` is one the fetchers take: "http://" or "https://" in any letter case.
bool IsWebAddress(const std::string& url);

// The platform's fetcher (libcurl on Linux, WinInet on Windows).
std::unique_ptr<PageFetcher> MakePlatformPageFetcher(const FetchLimits& limits);
inline std::unique_ptr<PageFetcher> MakePlatformPageFetcher() {
  return MakePlatformPageFetcher(FetchLimits{});
}

}  // namespace verdalin
