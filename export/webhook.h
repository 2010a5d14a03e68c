// The optional webhook: each line event sent as a small JSON POST by a thread of its own, so that
// a slow or dead receiver never holds the window or the poll.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "monitor/http.h"
#include "monitor/page_fetcher.h"

namespace verdalin {

// What one event tells the receiver (ntfy, Gotify, Home Assistant, a chat hook).
struct WebhookMessage {
  std::string time;     // "yyyy/mm/dd hh:ii:ss", local
  std::string event;    // "SYNC_LOST", ...
  std::string detail;   // "key=value" pairs
  std::string device;   // "LiveBox Inventel", ...
  std::string message;  // one line for a person
};

// {"time":...,"event":...,"detail":...,"device":...,"message":...}, valid JSON whatever the texts
// hold (texts that are not UTF-8 are read as Windows-1252).
std::string WebhookBody(const WebhookMessage& message);

// How one POST ended.
enum class PostError {
  kNone,         // an answer came: its status tells the rest
  kNotHttp,      // not a usable "http://" or "https://" address: nothing was sent
  kUnreachable,  // no connection: refused, no route, unknown host
  kTimedOut,     // the connect or the total time limit passed
  kCancelled,    // stopped by its CancelToken
  kBroken,       // anything else: the connection broke off, TLS failed, ...
};

struct PostResult {
  PostError error = PostError::kNone;
  int status = 0;  // the answer's HTTP status when it came
};

// One POST of a JSON body.
class HttpPoster {
 public:
  virtual ~HttpPoster() = default;
  // May run on any thread, one call at a time.
  virtual PostResult Post(const std::string& url, const std::string& json_body,
                          CancelToken& cancel) = 0;
};

// The POST over HttpClient, with the page fetch's time limits. The body goes out as
// "Content-Type: application/json", without credentials (a login and password inside the address
// are dropped); a redirect is not followed (its status is the answer), and the answer's body is
// not read.
class HttpClientPoster : public HttpPoster {
 public:
  HttpClientPoster(std::unique_ptr<HttpTransport> transport, const FetchLimits& limits);
  PostResult Post(const std::string& url, const std::string& json_body,
                  CancelToken& cancel) override;

 private:
  std::unique_ptr<HttpTransport> transport_;
  HttpClient client_;
};

// The poster over the platform's transport (libcurl on Linux, WinInet on Windows).
inline std::unique_ptr<HttpPoster> MakePlatformHttpPoster(const FetchLimits& limits) {
  return std::make_unique<HttpClientPoster>(MakePlatformHttpTransport(), limits);
}

// Why a send failed, for the event log's WEBHOOK_FAILED.
struct WebhookFailure {
  std::string reason;  // "not_http", "unreachable", "status_500", "queue_full", ...
  int64_t count = 0;   // failures of that reason since the last report
};

// The reason a POST's end counts as, empty when it delivered the message (a 2xx answer) or was
// cancelled: "not_http", "unreachable", "timed_out", "transfer_failed" or "status_<code>".
std::string FailureReason(const PostResult& result);

// The detail of a WEBHOOK_FAILED event: the reasons in the order given and the number of failures
// of them all, "reason=unreachable,status_500 count=3".
std::string WebhookFailureDetail(const std::vector<WebhookFailure>& failures);

inline constexpr std::size_t kWebhookQueueCapacity = 32;
// How long the sender's end waits for a POST it has cancelled.
inline constexpr std::chrono::milliseconds kWebhookEndWait{1000};

// Sends messages one POST at a time from a thread of its own, started by the first Send, in the
// order given. A failed message is not sent again. Failures are counted by reason until the
// owner takes them; `wake` runs when a failure comes while none is waiting to be taken, on the
// worker's thread or, for a message refused or dropped at once, inside Send. It must only signal
// (post an event to the loop) and must not call the sender.
class WebhookSender {
 public:
  WebhookSender(std::shared_ptr<HttpPoster> poster, std::function<void()> wake,
                std::size_t capacity = kWebhookQueueCapacity);
  // Stop(kWebhookEndWait).
  ~WebhookSender();
  WebhookSender(const WebhookSender&) = delete;
  WebhookSender& operator=(const WebhookSender&) = delete;

  // Queues the message for `url` and returns at once. An address that is not "http://" or
  // "https://" fails as "not_http" without any traffic; a full queue drops its oldest message
  // ("queue_full"). Nothing is sent after Stop.
  void Send(const std::string& url, const WebhookMessage& message);
  // The failures since the last call, each reason once, in the order first seen.
  std::vector<WebhookFailure> TakeFailures();
  // Drops the queue, cancels the POST in flight and waits at most `wait` for the thread. A thread
  // that has not ended by then (a client that cannot break a blocked call) is left behind: it
  // ends alone at its time limit, keeps the poster alive until then and reports nothing. False
  // then.
  bool Stop(std::chrono::milliseconds wait = kWebhookEndWait);

 private:
  struct Pending {
    std::string url;
    std::string body;
  };
  // What the worker shares with the sender; it outlives the sender when left behind.
  struct Shared {
    std::mutex mutex;
    std::condition_variable work_signal;
    std::condition_variable ended_signal;
    std::deque<Pending> queue;
    std::vector<WebhookFailure> failures;
    bool stopping = false;
    bool ended = false;
    CancelToken cancel;
    std::shared_ptr<HttpPoster> poster;
    std::function<void()> wake;
    void Fail(const std::string& reason);  // with the mutex held
  };
  static void Work(const std::shared_ptr<Shared>& shared);

  std::shared_ptr<Shared> shared_;
  std::size_t capacity_;
  std::thread thread_;
};

}  // namespace verdalin
