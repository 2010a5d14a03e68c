// The status page fetch on Windows with WinInet: direct, reloaded, bounded, cancellable.
#include <algorithm>
#include <chrono>
#include <string>

#include "monitor/page_fetcher.h"
#include "win32/wininet_parts.h"

namespace verdalin {

namespace {

using Clock = std::chrono::steady_clock;
constexpr DWORD kReadChunk = 2048;
constexpr int kMaxRedirects = 5;

// Milliseconds left before the deadline, 0 once it has passed.
DWORD MillisecondsLeft(Clock::time_point deadline) {
  auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
  return left.count() > 0 ? static_cast<DWORD>(left.count()) : 0;
}

std::string QueryText(HINTERNET request, DWORD what) {
  char text[2048] = {};
  DWORD size = sizeof text - 1;
  if (!HttpQueryInfoA(request, what, text, &size, nullptr)) return {};
  return std::string(text, size);
}

// Reads the body in chunks of at most 2048 bytes, each after a pause of 10 ms, until a read
// gives nothing. WinInet's read waits until the whole chunk has come, so each read asks only
// for what is already there: a gateway that trickles bytes cannot hold the loop past the
// deadline. A time-out, a read error, the size cap, or a body shorter than its announced length
// makes the fetch a failure (empty): a cut page is never a measurement.
std::string ReadBody(HINTERNET request, Clock::time_point deadline, std::size_t limit) {
  std::string body;
  char buffer[kReadChunk];
  for (;;) {
    Sleep(10);
    DWORD left = MillisecondsLeft(deadline);
    if (left == 0) return {};
    // A gateway that stops sending part-way waits no longer than the deadline.
    InternetSetOptionA(request, INTERNET_OPTION_RECEIVE_TIMEOUT, &left, sizeof left);
    DWORD ready = 0;
    if (!InternetQueryDataAvailable(request, &ready, 0, 0) || MillisecondsLeft(deadline) == 0)
      return {};
    DWORD read = 0;
    if (!InternetReadFile(request, buffer, std::min(std::max<DWORD>(ready, 1), kReadChunk), &read))
      return {};
    if (read == 0) break;
    if (read > limit - body.size()) return {};
    body.append(buffer, read);
  }
  bool announced = false;
  const DWORD length = QueryNumber(request, HTTP_QUERY_CONTENT_LENGTH, &announced);
  if (announced && body.size() != length) return {};
  return body;
}

// WinInet leaves percent escapes in an address undecoded and cannot take "/", "#" or "@" in
// credentials inside one, so the credentials are given to InternetConnectA, beside the address,
// and the request is made with HttpOpenRequestA and HttpSendRequestA. WinInet still answers the
// gateway's challenge itself and still returns the body of a refused login. Redirects are
// followed here, at most five, so that the credentials go to the server the user named and to
// no other host or port.
class WinInetPageFetcher : public PageFetcher {
 public:
  explicit WinInetPageFetcher(const FetchLimits& limits) : limits_(limits) {}

  std::string FetchPage(const FetchRequest& request, CancelToken& cancel) override {
    const Clock::time_point deadline =
        Clock::now() + std::chrono::milliseconds(limits_.total_timeout_ms);
    UrlParts named;
    if (!IsWebAddress(request.url) || !CrackUrl(request.url, &named)) return {};
    Handles handles;
    cancel.OnCancel([&handles] { handles.CloseAll(); });
    const HINTERNET internet = OpenSession(handles, limits_);
    std::string page;
    if (internet != nullptr) page = Follow(internet, handles, request, named, deadline);
    cancel.OnCancel({});
    return cancel.Cancelled() ? std::string() : page;
  }

 private:
  std::string Follow(HINTERNET internet, Handles& handles, const FetchRequest& request,
                     const UrlParts& named, Clock::time_point deadline) {
    UrlParts target = named;
    for (int redirects = 0; redirects <= kMaxRedirects; ++redirects) {
      const bool credentials = GivesCredentials(request) && target.SameServer(named);
      std::string location;
      std::string page = Get(internet, handles, request, target, credentials, deadline, &location);
      if (location.empty()) return page;
      if (!CrackUrl(Resolve(target, location), &target)) return {};
    }
    return {};
  }

  std::string Get(HINTERNET internet, Handles& handles, const FetchRequest& request,
                  const UrlParts& target, bool credentials, Clock::time_point deadline,
                  std::string* location) {
    const HINTERNET connection = OpenConnection(handles, internet, target, limits_,
                                                credentials ? request.login.c_str() : nullptr,
                                                credentials ? request.password.c_str() : nullptr);
    if (connection == nullptr) return {};
    DWORD flags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_AUTO_REDIRECT |
                  (target.secure ? INTERNET_FLAG_SECURE : 0);
    if (!credentials) flags |= INTERNET_FLAG_NO_AUTH;
    const HINTERNET http = handles.Keep(HttpOpenRequestA(connection, "GET", target.path.c_str(),
                                                         nullptr, nullptr, nullptr, flags, 0));
    std::string page;
    if (http != nullptr && Send(http)) page = Answer(http, deadline, location);
    handles.Close(http);
    handles.Close(connection);
    return page;
  }

  bool Send(HINTERNET http) const {
    SetTimeouts(http, limits_);
    static const char kNoCache[] = "Cache-Control: no-cache\r\nPragma: no-cache\r\n";
    return HttpSendRequestA(http, kNoCache, sizeof kNoCache - 1, nullptr, 0) != FALSE;
  }

  std::string Answer(HINTERNET http, Clock::time_point deadline, std::string* location) {
    bool found = false;
    const DWORD status = QueryNumber(http, HTTP_QUERY_STATUS_CODE, &found);
    if (found && status >= 300 && status < 400) {
      *location = QueryText(http, HTTP_QUERY_LOCATION);
      if (!location->empty()) return {};
    }
    return ReadBody(http, deadline, limits_.max_body_bytes);
  }

  // An absolute address as it is; a path on the same server otherwise.
  static std::string Resolve(const UrlParts& base, const std::string& location) {
    if (IsWebAddress(location)) return location;
    std::string url = base.secure ? "https://" : "http://";
    url += base.host + ":" + std::to_string(base.port);
    return url + (location.front() == '/' ? location : "/" + location);
  }

  FetchLimits limits_;
};

}  // namespace

std::unique_ptr<PageFetcher> MakePlatformPageFetcher(const FetchLimits& limits) {
  return std::make_unique<WinInetPageFetcher>(limits);
}

}  // namespace verdalin
