// The status page fetch: one HTTP GET over the rule book, the body as text, empty on failure.
#pragma once

#include <memory>
#include <string>

#include "monitor/cancel_token.h"
#include "monitor/http.h"

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
using FetchLimits = HttpLimits;

// Whether `url` is one the fetchers take: "http://" or "https://" in any letter case.
bool IsWebAddress(const std::string& url);

// The fetch over HttpClient: the body whatever the status, empty on any failure (a time limit,
// the size limit, a body cut short, a cancel).
class HttpPageFetcher : public PageFetcher {
 public:
  HttpPageFetcher(std::unique_ptr<HttpTransport> transport, const FetchLimits& limits);
  using PageFetcher::FetchPage;
  std::string FetchPage(const FetchRequest& request, CancelToken& cancel) override;

 private:
  std::unique_ptr<HttpTransport> transport_;
  HttpClient client_;
};

// The fetcher over the platform's transport (libcurl on Linux, WinInet on Windows).
inline std::unique_ptr<PageFetcher> MakePlatformPageFetcher(const FetchLimits& limits = {}) {
  return std::make_unique<HttpPageFetcher>(MakePlatformHttpTransport(), limits);
}

}  // namespace verdalin
