// The status page fetch on Linux with libcurl: direct, uncached, bounded, cancellable.
#include <chrono>

#include "linux/curl_transfer.h"
#include "monitor/page_fetcher.h"

namespace verdalin {

namespace {

using Clock = std::chrono::steady_clock;

struct Body {
  std::string text;
  std::size_t limit = 0;
  bool too_big = false;
};

size_t AppendBody(char* data, size_t size, size_t count, void* user) {
  auto* body = static_cast<Body*>(user);
  size_t bytes = size * count;
  if (bytes > body->limit - body->text.size()) {
    body->too_big = true;
    return 0;  // curl ends the transfer with a write error
  }
  body->text.append(data, bytes);
  return bytes;
}

// The options every attempt shares. Redirects are followed (as WinInet does by default), at
// most five, and only to HTTP or HTTPS; curl gives the credentials to the host and port of the
// address only, never to another one a redirect names. They are set as credentials, never put
// into the address, so every byte of them reaches the gateway as typed.
void ConfigureHandle(CURL* curl, const FetchRequest& request, curl_slist* headers, Body* body) {
  SetCommonOptions(curl, headers);
  curl_easy_setopt(curl, CURLOPT_URL, request.url.c_str());
  curl_easy_setopt(curl, CURLOPT_FAILONERROR, 0L);
  curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(curl, CURLOPT_MAXREDIRS, 5L);
  curl_easy_setopt(curl, CURLOPT_UNRESTRICTED_AUTH, 0L);
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, AppendBody);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, body);
  if (GivesCredentials(request)) {
    curl_easy_setopt(curl, CURLOPT_USERNAME, request.login.c_str());
    curl_easy_setopt(curl, CURLOPT_PASSWORD, request.password.c_str());
  }
}

class CurlPageFetcher : public PageFetcher {
 public:
  explicit CurlPageFetcher(const FetchLimits& limits) : limits_(limits) {}

  // Any transfer error (a reset or a body shorter than announced, broken chunks), a time limit,
  // the size cap or a cancel makes the fetch a failure: a cut page is never a measurement.
  std::string FetchPage(const FetchRequest& request, CancelToken& cancel) override {
    if (!IsWebAddress(request.url)) return {};
    EasyHandle curl = NewEasyHandle();
    HeaderList headers = HeaderLines({"Cache-Control: no-cache", "Pragma: no-cache"});
    if (!curl || !headers) return {};
    Body body;
    body.limit = limits_.max_body_bytes;
    ConfigureHandle(curl.get(), request, headers.get(), &body);
    const Clock::time_point deadline =
        Clock::now() + std::chrono::milliseconds(limits_.total_timeout_ms);
    // Credentials go out when the gateway challenges (Basic or Digest). A gateway that refuses
    // without a challenge gets one more request with Basic credentials sent up front.
    CURLcode code = Attempt(curl.get(), CURLAUTH_BASIC | CURLAUTH_DIGEST, deadline, &body, cancel);
    if (code == CURLE_OK && GivesCredentials(request) && RefusedWithoutChallenge(curl.get()))
      code = Attempt(curl.get(), CURLAUTH_BASIC, deadline, &body, cancel);
    if (code != CURLE_OK || body.too_big) return {};
    return std::move(body.text);
  }

 private:
  CURLcode Attempt(CURL* curl, unsigned long auth, Clock::time_point deadline, Body* body,
                   CancelToken& cancel) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    if (left.count() <= 0) return CURLE_OPERATION_TIMEDOUT;
    curl_easy_setopt(curl, CURLOPT_HTTPAUTH, auth);
    SetTimeLimits(curl, limits_.connect_timeout_ms, static_cast<long>(left.count()));
    body->text.clear();
    return PerformCancellable(curl, cancel);
  }

  static bool RefusedWithoutChallenge(CURL* curl) {
    long status = 0;
    long offered = 0;
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
    curl_easy_getinfo(curl, CURLINFO_HTTPAUTH_AVAIL, &offered);
    return status == 401 && offered == 0;
  }

  FetchLimits limits_;
};

}  // namespace

std::unique_ptr<PageFetcher> MakePlatformPageFetcher(const FetchLimits& limits) {
  return std::make_unique<CurlPageFetcher>(limits);
}

}  // namespace verdalin
