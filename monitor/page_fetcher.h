// The status page fetch as a platform service: one HTTP GET, the body as text, empty on failure.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

namespace verdalin {

class PageFetcher {
 public:
  virtual ~PageFetcher() = default;
  // The body of the answer whatever its status; empty when nothing could be read.
  virtual std::string FetchPage(const std::string& address) = 0;
};

// Bounds on one fetch, so that a gateway that never answers cannot hold the program: a LAN
// gateway connects within milliseconds and sends its page within a second or two.
struct FetchLimits {
  long connect_timeout_ms = 5000;                // to open the connection
  long total_timeout_ms = 20000;                 // for the whole fetch, connection included
  std::size_t max_body_bytes = 4 * 1024 * 1024;  // a longer body counts as a failed fetch
};

// The platform's fetcher (libcurl on Linux, WinInet on Windows), with the default limits.
std::unique_ptr<PageFetcher> MakePlatformPageFetcher();
std::unique_ptr<PageFetcher> MakePlatformPageFetcher(const FetchLimits& limits);

}  // namespace verdalin
