// The webhook's POST on Windows with WinInet: direct, uncached, bounded, without credentials.
#include <chrono>
#include <string>

#include "export/webhook.h"
#include "win32/wininet_parts.h"

namespace verdalin {

namespace {

using Clock = std::chrono::steady_clock;

// Wine ends a wait for the answer that passed the receive time-out as an aborted connection
// (12030), not as a time-out (12002).
PostError ErrorOf(DWORD error, Clock::duration spent, const FetchLimits& limits) {
  if (error == ERROR_INTERNET_CONNECTION_ABORTED &&
      spent >= std::chrono::milliseconds(limits.total_timeout_ms))
    return PostError::kTimedOut;
  switch (error) {
    case ERROR_INTERNET_INVALID_URL:
    case ERROR_INTERNET_UNRECOGNIZED_SCHEME:
      return PostError::kNotHttp;
    case ERROR_INTERNET_NAME_NOT_RESOLVED:
    case ERROR_INTERNET_CANNOT_CONNECT:
      return PostError::kUnreachable;
    case ERROR_INTERNET_TIMEOUT:
      return PostError::kTimedOut;
    default:
      return PostError::kBroken;
  }
}

// No credentials given, no authentication attempted, no dialogue, no cookies, no redirect
// followed, nothing read from or written to the cache. (Wine still gives a server the Basic
// credentials it took earlier in the process, but only to that same host and port.)
constexpr DWORD kPostFlags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE |
                             INTERNET_FLAG_PRAGMA_NOCACHE | INTERNET_FLAG_NO_AUTO_REDIRECT |
                             INTERNET_FLAG_NO_AUTH | INTERNET_FLAG_NO_COOKIES | INTERNET_FLAG_NO_UI;

// HttpSendRequestA sends the body and returns once the answer's head has come; its body is not
// read. Under Wine no close of the handles breaks a blocked send, so a receiver that never
// answers holds the POST until the receive time-out, which is the total time limit.
class WinInetHttpPoster : public HttpPoster {
 public:
  explicit WinInetHttpPoster(const FetchLimits& limits) : limits_(limits) {}

  PostResult Post(const std::string& url, const std::string& json_body,
                  CancelToken& cancel) override {
    UrlParts target;
    if (!IsWebAddress(url) || !CrackUrl(url, &target)) return {PostError::kNotHttp};
    Handles handles;
    cancel.OnCancel([&handles] { handles.CloseAll(); });
    const PostResult result = Send(handles, target, json_body);
    cancel.OnCancel({});
    return cancel.Cancelled() ? PostResult{PostError::kCancelled} : result;
  }

 private:
  PostResult Send(Handles& handles, const UrlParts& target, const std::string& json_body) {
    const HINTERNET session = OpenSession(handles, limits_);
    const HINTERNET connection =
        session == nullptr ? nullptr : OpenConnection(handles, session, target, limits_);
    const DWORD flags = kPostFlags | (target.secure ? INTERNET_FLAG_SECURE : 0);
    const HINTERNET http =
        connection == nullptr
            ? nullptr
            : handles.Keep(HttpOpenRequestA(connection, "POST", target.path.c_str(), nullptr,
                                            nullptr, nullptr, flags, 0));
    if (http == nullptr) return {PostError::kBroken};
    SetTimeouts(http, limits_);
    static const char kJson[] = "Content-Type: application/json\r\n";
    const Clock::time_point start = Clock::now();
    if (!HttpSendRequestA(http, kJson, sizeof kJson - 1, const_cast<char*>(json_body.data()),
                          static_cast<DWORD>(json_body.size())))
      return {ErrorOf(GetLastError(), Clock::now() - start, limits_)};
    bool found = false;
    const DWORD status = QueryNumber(http, HTTP_QUERY_STATUS_CODE, &found);
    if (!found) return {PostError::kBroken};
    return {PostError::kNone, static_cast<int>(status)};
  }

  FetchLimits limits_;
};

}  // namespace

std::unique_ptr<HttpPoster> MakePlatformHttpPoster(const FetchLimits& limits) {
  return std::make_unique<WinInetHttpPoster>(limits);
}

}  // namespace verdalin
