// The status page fetch as a platform service: one HTTP GET, the body as text, empty on failure.
#pragma once

#include <memory>
#include <string>

namespace verdalin {

class PageFetcher {
 public:
  virtual ~PageFetcher() = default;
  // The body of the answer whatever its status; empty when nothing could be read.
  virtual std::string FetchPage(const std::string& address) = 0;
};

// The platform's fetcher (libcurl on Linux, WinInet on Windows).
std::unique_ptr<PageFetcher> MakePlatformPageFetcher();

}  // namespace verdalin
