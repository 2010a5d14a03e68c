// The webhook's POST on Linux with libcurl: direct, bounded, cancellable, without credentials.
#include <memory>

#include "export/webhook.h"
#include "linux/curl_transfer.h"

namespace verdalin {

namespace {

using UrlHandle = std::unique_ptr<CURLU, decltype(&curl_url_cleanup)>;

// The address without the login and password it may carry: the webhook sends no credentials.
UrlHandle AddressWithoutCredentials(const std::string& url) {
  UrlHandle address(curl_url(), curl_url_cleanup);
  if (!address || curl_url_set(address.get(), CURLUPART_URL, url.c_str(), 0) != CURLUE_OK)
    return UrlHandle(nullptr, curl_url_cleanup);
  curl_url_set(address.get(), CURLUPART_USER, nullptr, 0);
  curl_url_set(address.get(), CURLUPART_PASSWORD, nullptr, 0);
  curl_url_set(address.get(), CURLUPART_OPTIONS, nullptr, 0);
  return address;
}

// The answer's body is of no use: the transfer stops where it begins, the status is known by then.
size_t StopAtBody(char*, size_t, size_t, void*) {
  return 0;
}

PostError ErrorOf(CURLcode code) {
  switch (code) {
    case CURLE_URL_MALFORMAT:
    case CURLE_UNSUPPORTED_PROTOCOL:
      return PostError::kNotHttp;
    case CURLE_COULDNT_RESOLVE_PROXY:
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_CONNECT:
      return PostError::kUnreachable;
    case CURLE_OPERATION_TIMEDOUT:
      return PostError::kTimedOut;
    default:
      return PostError::kBroken;
  }
}

class CurlHttpPoster : public HttpPoster {
 public:
  explicit CurlHttpPoster(const FetchLimits& limits) : limits_(limits) {}

  // Once the answer's head has come, its status is the outcome, whatever happens after it.
  PostResult Post(const std::string& url, const std::string& json_body,
                  CancelToken& cancel) override {
    if (!IsWebAddress(url)) return {PostError::kNotHttp};
    UrlHandle address = AddressWithoutCredentials(url);
    if (!address) return {PostError::kNotHttp};
    EasyHandle curl = NewEasyHandle();
    // "Expect:" keeps curl from waiting for a "100 Continue" that a receiver may never send.
    HeaderList headers = HeaderLines({"Content-Type: application/json", "Expect:"});
    if (!curl || !headers) return {PostError::kBroken};
    SetCommonOptions(curl.get(), headers.get());
    curl_easy_setopt(curl.get(), CURLOPT_CURLU, address.get());
    curl_easy_setopt(curl.get(), CURLOPT_POSTFIELDS, json_body.data());
    curl_easy_setopt(curl.get(), CURLOPT_POSTFIELDSIZE_LARGE,
                     static_cast<curl_off_t>(json_body.size()));
    curl_easy_setopt(curl.get(), CURLOPT_WRITEFUNCTION, StopAtBody);
    SetTimeLimits(curl.get(), limits_.connect_timeout_ms, limits_.total_timeout_ms);
    const CURLcode code = PerformCancellable(curl.get(), cancel);
    if (cancel.Cancelled()) return {PostError::kCancelled};
    long status = 0;
    curl_easy_getinfo(curl.get(), CURLINFO_RESPONSE_CODE, &status);
    if (status > 0) return {PostError::kNone, static_cast<int>(status)};
    return {code == CURLE_OK ? PostError::kBroken : ErrorOf(code)};
  }

 private:
  FetchLimits limits_;
};

}  // namespace

std::unique_ptr<HttpPoster> MakePlatformHttpPoster(const FetchLimits& limits) {
  return std::make_unique<CurlHttpPoster>(limits);
}

}  // namespace verdalin
