// The status page fetch on Windows with WinInet: direct, reloaded, bounded in time and body size.
#include <windows.h>
#include <wininet.h>

#include <algorithm>
#include <chrono>

#include "monitor/fetch_address.h"
#include "monitor/page_fetcher.h"

namespace verdalin {

namespace {

using Clock = std::chrono::steady_clock;
constexpr DWORD kReadChunk = 2048;

// Closes a WinInet handle when it goes out of scope; declared in opening order, so the request
// is closed before the connection and the connection before the internet handle.
struct InternetHandle {
  explicit InternetHandle(HINTERNET opened) : handle(opened) {}
  ~InternetHandle() {
    if (handle != nullptr) InternetCloseHandle(handle);
  }
  InternetHandle(const InternetHandle&) = delete;
  InternetHandle& operator=(const InternetHandle&) = delete;
  HINTERNET handle;
};

struct UrlParts {
  std::string host;
  INTERNET_PORT port = 0;
  std::string path;  // path and query, without the fragment
  bool secure = false;
};

bool CrackUrl(const std::string& url, UrlParts* parts) {
  URL_COMPONENTSA components{};
  components.dwStructSize = sizeof components;
  components.dwHostNameLength = 1;  // non-zero: answer pointers into url
  components.dwUrlPathLength = 1;
  components.dwExtraInfoLength = 1;
  if (!InternetCrackUrlA(url.c_str(), 0, 0, &components)) return false;
  if (components.lpszHostName == nullptr || components.dwHostNameLength == 0) return false;
  parts->host.assign(components.lpszHostName, components.dwHostNameLength);
  parts->port = components.nPort;
  parts->secure = components.nScheme == INTERNET_SCHEME_HTTPS;
  std::string path;
  if (components.lpszUrlPath != nullptr) {
    path.assign(components.lpszUrlPath, components.dwUrlPathLength);
  }
  if (components.lpszExtraInfo != nullptr) {
    path.append(components.lpszExtraInfo, components.dwExtraInfoLength);
  }
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

// Reads the body in chunks of at most 2048 bytes, each after a pause of 10 ms, until a read
// gives nothing. WinInet's read waits until the whole chunk has come, so each read asks only
// for what is already there: a gateway that trickles bytes cannot hold the loop past the
// deadline. Past the deadline, on a time-out or over the size cap the fetch has failed (empty);
// another read error ends the body, keeping what came before.
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
    BOOL waited = InternetQueryDataAvailable(request, &ready, 0, 0);
    if (MillisecondsLeft(deadline) == 0 || (!waited && GetLastError() == ERROR_INTERNET_TIMEOUT)) {
      return {};
    }
    DWORD read = 0;
    if (!InternetReadFile(request, buffer, waited ? std::min(ready, kReadChunk) : kReadChunk,
                          &read)) {
      if (GetLastError() == ERROR_INTERNET_TIMEOUT) return {};
      break;
    }
    if (read == 0) break;
    if (read > limit - body.size()) return {};
    body.append(buffer, read);
  }
  return body;
}

const char* OrNull(const FetchTarget& target, const std::string& text) {
  return target.has_credentials ? text.c_str() : nullptr;
}

// WinInet leaves percent escapes in the address undecoded and cannot take "/", "#" or a second
// "@" in the credentials of an address. So the credentials are split off here and given to
// InternetConnectA, and the request is made with HttpOpenRequestA and HttpSendRequestA rather
// than InternetOpenUrlA (which would send it before the credentials could be set). WinInet
// still answers the gateway's challenge itself and still returns the body of a refused login.
class WinInetPageFetcher : public PageFetcher {
 public:
  explicit WinInetPageFetcher(const FetchLimits& limits) : limits_(limits) {}

  std::string FetchPage(const std::string& address) override {
    Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(limits_.total_timeout_ms);
    std::optional<FetchTarget> target = SplitFetchAddress(address);
    UrlParts parts;
    if (!target || !CrackUrl(target->url, &parts)) return {};
    InternetHandle internet(
        InternetOpenA("QX@INET", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0));
    if (internet.handle == nullptr) return {};
    SetTimeouts(internet.handle, limits_);
    InternetHandle connection(InternetConnectA(
        internet.handle, parts.host.c_str(), parts.port, OrNull(*target, target->user),
        OrNull(*target, target->password), INTERNET_SERVICE_HTTP, 0, 0));
    if (connection.handle == nullptr) return {};
    SetTimeouts(connection.handle, limits_);
    DWORD flags = INTERNET_FLAG_RELOAD | (parts.secure ? INTERNET_FLAG_SECURE : 0);
    if (!target->has_credentials) flags |= INTERNET_FLAG_NO_AUTH;
    InternetHandle request(HttpOpenRequestA(connection.handle, "GET", parts.path.c_str(), nullptr,
                                            nullptr, nullptr, flags, 0));
    if (request.handle == nullptr) return {};
    SetTimeouts(request.handle, limits_);
    static const char kNoCache[] = "Cache-Control: no-cache\r\nPragma: no-cache\r\n";
    if (!HttpSendRequestA(request.handle, kNoCache, sizeof kNoCache - 1, nullptr, 0)) return {};
    return ReadBody(request.handle, deadline, limits_.max_body_bytes);
  }

 private:
  FetchLimits limits_;
};

}  // namespace

std::unique_ptr<PageFetcher> MakePlatformPageFetcher() {
  return MakePlatformPageFetcher({});
}

std::unique_ptr<PageFetcher> MakePlatformPageFetcher(const FetchLimits& limits) {
  return std::make_unique<WinInetPageFetcher>(limits);
}

}  // namespace verdalin
