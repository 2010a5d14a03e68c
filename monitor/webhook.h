// The optional webhook: each line event sent as a small JSON POST by a thread of its own, so that
// a slow or dead receiver never holds the window or the poll.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

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

// One POST; the platform's HTTP client (libcurl, WinInet) with the page fetch's time limits.
class HttpPoster {
 public:
  virtual ~HttpPoster() = default;
  // The answer's HTTP status, or 0 when no answer came (refused, unreachable, timed out,
  // cancelled). Only "http://" and "https://" addresses are tried.
  virtual int Post(const std::string& url, const std::string& json_body, CancelToken& cancel) = 0;
};

std::unique_ptr<HttpPoster> MakePlatformHttpPoster(const FetchLimits& limits);

// Why a send failed, for the event log's WEBHOOK_FAILED.
struct WebhookFailure {
  std::string reason;  // "not_http", "unreachable", "status_500", "queue_full", ...
  int64_t count = 0;   // failures of that reason since the last report
};

}  // namespace verdalin
