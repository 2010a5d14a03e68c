// The status page fetch on Windows with WinInet: direct, reloaded, bounded, cancellable.
#include <windows.h>
#include <wininet.h>

#include <algorithm>
#include <chrono>
#include <mutex>
#include <string>
#include <vector>

#include "monitor/page_fetcher.h"

namespace verdalin {

namespace {

using Clock = std::chrono::steady_clock;
constexpr DWORD kReadChunk = 2048;
constexpr int kMaxRedirects = 5;

struct UrlParts {
  std::string host;
  INTERNET_PORT port = 0;
  std::string path;  // path and query, without the fragment
  bool secure = false;
  bool SameServer(const UrlParts& other) const {
    return secure == other.secure && port == other.port &&
           CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, host.c_str(), -1,
                          other.host.c_str(), -1) == CSTR_EQUAL;
  }
};

bool CrackUrl(const std::string& url, UrlParts* parts) {
  URL_COMPONENTSA components{};
  components.dwStructSize = sizeof components;
  components.dwHostNameLength = 1;  // non-zero: answer pointers into url
  components.dwUrlPathLength = 1;
  components.dwExtraInfoLength = 1;
  components.dwUserNameLength = 1;
  if (!InternetCrackUrlA(url.c_str(), 0, 0, &components)) return false;
  if (components.lpszHostName == nullptr || components.dwHostNameLength == 0) return false;
  if (components.nScheme != INTERNET_SCHEME_HTTP && components.nScheme != INTERNET_SCHEME_HTTPS)
    return false;
  parts->host.assign(components.lpszHostName, components.dwHostNameLength);
  parts->port = components.nPort;
  parts->secure = components.nScheme == INTERNET_SCHEME_HTTPS;
  std::string path;
  if (components.lpszUrlPath != nullptr) path.assign(components.lpszUrlPath, components.dwUrlPathLength);
  if (components.lpszExtraInfo != nullptr)
    path.append(components.lpszExtraInfo, components.dwExtraInfoLength);
  path.resize(std::min(path.size(), path.find('#')));
  parts->path = path.empty() ? std::string(1, '/') : path;
  return true;
}

// Set on every handle: Wine takes the receive and send time-outs only from the connection and
// request handles.
void SetTimeouts(HINTERNET internet, const FetchLimits& limits) {
  DWORD connect = static_cast<DWORD>(limits.connect_timeout_ms);
  DWORD transfer = static_cast<DWORD>(limits.total_timeout_ms);
  InternetSetOptionA(internet, INTERNET_OPTION_CONNECT_TIMEOUT, &connect, sizeof connect);
  InternetSetOptionA(internet, INTERNET_OPTION_RECEIVE_TIMEOUT, &transfer, sizeof transfer);
  InternetSetOptionA(internet, INTERNET_OPTION_SEND_TIMEOUT, &transfer, sizeof transfer);
}

// Milliseconds left before the deadline, 0 once it has passed.
DWORD MillisecondsLeft(Clock::time_point deadline) {
  auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
  return left.count() > 0 ? static_cast<DWORD>(left.count()) : 0;
}

DWORD QueryNumber(HINTERNET request, DWORD what, bool* found) {
  DWORD value = 0;
  DWORD size = sizeof value;
  *found = HttpQueryInfoA(request, what | HTTP_QUERY_FLAG_NUMBER, &value, &size, nullptr) != FALSE;
  return value;
}

std::string QueryText(HINTERNET request, DWORD what) {
  char text[2048] = {};
  DWORD size = sizeof text - 1;
  if (!HttpQueryInfoA(request, what, text, &size, nullptr)) return {};
  return std::string(text, size);
}

// The WinInet handles of one fetch. Another thread may close them all to cancel the fetch:
// WinInet's blocking calls on a closed handle return at once.
class Handles {
 public:
  ~Handles() { CloseAll(); }
  HINTERNET Keep(HINTERNET handle) {
    std::lock_guard lock(mutex_);
    if (closed_) {
      if (handle != nullptr) InternetCloseHandle(handle);
      return nullptr;
    }
    if (handle != nullptr) open_.push_back(handle);
    return handle;
  }
  // Closes a request or connection that is done with, and forgets it.
  void Close(HINTERNET handle) {
    std::lock_guard lock(mutex_);
    const auto found = std::find(open_.begin(), open_.end(), handle);
    if (found == open_.end()) return;
    InternetCloseHandle(handle);
    open_.erase(found);
  }
  void CloseAll() {
    std::lock_guard lock(mutex_);
    closed_ = true;
    for (auto handle = open_.rbegin(); handle != open_.rend(); ++handle) InternetCloseHandle(*handle);
    open_.clear();
  }

 private:
  std::mutex mutex_;
  std::vector<HINTERNET> open_;
  bool closed_ = false;
};

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
    const HINTERNET internet =
        handles.Keep(InternetOpenA("QX@INET", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0));
    std::string page;
    if (internet != nullptr) {
      SetTimeouts(internet, limits_);
      page = Follow(internet, handles, request, named, deadline);
    }
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
    const HINTERNET connection = handles.Keep(InternetConnectA(
        internet, target.host.c_str(), target.port, credentials ? request.login.c_str() : nullptr,
        credentials ? request.password.c_str() : nullptr, INTERNET_SERVICE_HTTP, 0, 0));
    if (connection == nullptr) return {};
    SetTimeouts(connection, limits_);
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
