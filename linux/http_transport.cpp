// The HTTP transport on Linux with libcurl: one exchange, direct, no redirect, cancellable.
#include <curl/curl.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

#include "monitor/http.h"

namespace verdalin {

namespace {

using EasyHandle = std::unique_ptr<CURL, decltype(&curl_easy_cleanup)>;
using MultiHandle = std::unique_ptr<CURLM, decltype(&curl_multi_cleanup)>;
using HeaderList = std::unique_ptr<curl_slist, decltype(&curl_slist_free_all)>;
using Exchange = HttpTransport::Exchange;
using Answer = HttpTransport::Answer;

// A new easy handle, after libcurl's one-time set-up.
EasyHandle NewEasyHandle() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
  return EasyHandle(curl_easy_init(), curl_easy_cleanup);
}

// The exchange's header lines, and "Expect:" so that curl never waits for a "100 Continue" that a
// receiver may never send; empty when one could not be added.
HeaderList HeaderLines(const Exchange& exchange) {
  HeaderList list(curl_slist_append(nullptr, "Expect:"), curl_slist_free_all);
  for (const HttpHeader& header : exchange.headers) {
    if (!list) break;
    curl_slist* longer = curl_slist_append(list.get(), (header.name + ": " + header.value).c_str());
    if (longer == nullptr) list.reset();
  }
  return list;
}

// What the callbacks keep while the exchange runs.
struct Reception {
  const Exchange& exchange;
  Answer answer;
  bool stopped = false;  // the transfer was ended on purpose: head only, or the body's cap
};

// Whether the head that just ended is the final one and all that is wanted. A 401 that curl
// answers with the credentials is not: another head follows.
bool HeadIsAll(const Reception& in) {
  return !in.exchange.read_body && in.answer.status >= 200 &&
         !(in.answer.status == 401 && in.exchange.login != nullptr);
}

// Each line of each head curl receives (a challenge's or a "100 Continue"'s first): a status line
// starts a new head.
size_t OnHeader(char* data, size_t size, size_t count, void* user) {
  auto* in = static_cast<Reception*>(user);
  const std::string_view line(data, size * count);
  if (line.rfind("HTTP/", 0) == 0) {
    in->answer.headers.clear();
    const size_t space = line.find(' ');
    in->answer.status = space == std::string_view::npos ? 0 : std::atoi(line.data() + space + 1);
  } else if (line == "\r\n" || line == "\n") {
    if (HeadIsAll(*in)) in->stopped = true;
    return in->stopped ? 0 : size * count;
  } else {
    AddHeaderLine(in->answer.headers, line);
  }
  return size * count;
}

// The body up to one byte past the cap, where the transfer stops.
size_t OnBody(char* data, size_t size, size_t count, void* user) {
  auto* in = static_cast<Reception*>(user);
  const size_t bytes = size * count;
  const size_t room = in->exchange.max_body_bytes + 1 - in->answer.body.size();
  if (in->exchange.read_body) in->answer.body.append(data, std::min(bytes, room));
  in->stopped = !in->exchange.read_body || bytes >= room;
  return in->stopped ? 0 : bytes;
}

// Direct (no proxy), no signals, the program's agent, HTTP and HTTPS only, no redirect followed
// and an answer's body whatever its status.
void SetCommonOptions(CURL* curl, Reception* in, curl_slist* headers) {
  curl_easy_setopt(curl, CURLOPT_URL, in->exchange.url.c_str());
  curl_easy_setopt(curl, CURLOPT_PROXY, "");
  curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(curl, CURLOPT_USERAGENT, "QX@INET");
  curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 0L);
  curl_easy_setopt(curl, CURLOPT_FAILONERROR, 0L);
  curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
  curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, OnHeader);
  curl_easy_setopt(curl, CURLOPT_HEADERDATA, in);
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, OnBody);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, in);
}

// The method and body: a GET unless said otherwise, a body sent as it is.
void SetMethod(CURL* curl, const Exchange& exchange) {
  if (exchange.method == "HEAD") {
    curl_easy_setopt(curl, CURLOPT_NOBODY, 1L);
    return;
  }
  if (exchange.method != "GET" || !exchange.body.empty()) {
    curl_easy_setopt(curl, CURLOPT_POSTFIELDS, exchange.body.data());
    curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE,
                     static_cast<curl_off_t>(exchange.body.size()));
  }
  if (exchange.method != "GET" && exchange.method != "POST")
    curl_easy_setopt(curl, CURLOPT_CUSTOMREQUEST, exchange.method.c_str());
}

// The credentials, set beside the address so that every byte of them arrives as typed; curl
// gives them when the server challenges (two requests). CURLAUTH_ANY would bring in NTLM and
// Negotiate.
void SetCredentials(CURL* curl, const Exchange& exchange) {
  if (exchange.login == nullptr) return;
  curl_easy_setopt(curl, CURLOPT_USERNAME, exchange.login->c_str());
  curl_easy_setopt(curl, CURLOPT_PASSWORD, exchange.password->c_str());
  const unsigned long schemes =
      exchange.digest_only ? CURLAUTH_DIGEST : CURLAUTH_BASIC | CURLAUTH_DIGEST;
  curl_easy_setopt(curl, CURLOPT_HTTPAUTH, schemes);
}

// The limits in milliseconds, at least one: curl reads 0 as no limit.
void SetTimeLimits(CURL* curl, const Exchange& exchange) {
  const long total = std::max<long>(1, static_cast<long>(exchange.total_timeout.count()));
  const long connect = std::max<long>(1, static_cast<long>(exchange.connect_timeout.count()));
  curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, total);
  curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, std::min(connect, total));
}

// Runs one transfer through a multi handle, so that a cancel wakes the wait at once. A cancelled
// transfer gives CURLE_ABORTED_BY_CALLBACK.
CURLcode PerformCancellable(CURL* curl, CancelToken& cancel) {
  MultiHandle multi(curl_multi_init(), curl_multi_cleanup);
  if (!multi || curl_multi_add_handle(multi.get(), curl) != CURLM_OK) return CURLE_OUT_OF_MEMORY;
  CURLM* waker = multi.get();
  cancel.OnCancel([waker] { curl_multi_wakeup(waker); });
  CURLcode result = CURLE_ABORTED_BY_CALLBACK;
  for (int running = 1; running > 0 && !cancel.Cancelled();) {
    if (curl_multi_perform(multi.get(), &running) != CURLM_OK) break;
    if (running > 0) curl_multi_poll(multi.get(), nullptr, 0, 1000, nullptr);
  }
  int left = 0;
  while (CURLMsg* message = curl_multi_info_read(multi.get(), &left))
    if (message->msg == CURLMSG_DONE && !cancel.Cancelled()) result = message->data.result;
  cancel.OnCancel({});
  curl_multi_remove_handle(multi.get(), curl);
  return result;
}

HttpError ErrorOf(CURLcode code, bool stopped) {
  if (code == CURLE_OK || (code == CURLE_WRITE_ERROR && stopped)) return HttpError::kNone;
  switch (code) {
    case CURLE_URL_MALFORMAT:
    case CURLE_UNSUPPORTED_PROTOCOL:
      return HttpError::kNotHttp;
    case CURLE_COULDNT_RESOLVE_PROXY:
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_CONNECT:
      return HttpError::kUnreachable;
    case CURLE_OPERATION_TIMEDOUT:
      return HttpError::kTimedOut;
    case CURLE_ABORTED_BY_CALLBACK:
      return HttpError::kCancelled;
    default:
      return HttpError::kBroken;
  }
}

class CurlTransport : public HttpTransport {
 public:
  Answer Send(const Exchange& exchange, CancelToken& cancel) override {
    EasyHandle curl = NewEasyHandle();
    HeaderList headers = HeaderLines(exchange);
    if (!curl || !headers) return {HttpError::kBroken};
    Reception in{exchange, {}};
    SetCommonOptions(curl.get(), &in, headers.get());
    SetMethod(curl.get(), exchange);
    SetCredentials(curl.get(), exchange);
    SetTimeLimits(curl.get(), exchange);
    const CURLcode code = PerformCancellable(curl.get(), cancel);
    in.answer.error = ErrorOf(code, in.stopped);
    if (in.answer.error != HttpError::kNone) return {in.answer.error};
    return std::move(in.answer);
  }
};

}  // namespace

std::unique_ptr<HttpTransport> MakePlatformHttpTransport() {
  return std::make_unique<CurlTransport>();
}

}  // namespace verdalin
