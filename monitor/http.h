// HTTP for the line and the webhook: one exchange over the platform's transport, and the rules
// every request keeps (redirects, credentials, the 401 answer, size and length, errors).
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "monitor/cancel_token.h"

namespace verdalin {

struct HttpHeader {
  std::string name;
  std::string value;
};

// The value of the first header named `name` (in any letter case); null when there is none.
const std::string* FindHeader(const std::vector<HttpHeader>& headers, std::string_view name);

// Adds one line of an answer's head, not its status line: "Name: value" or, starting with a blank,
// more of the last value. Blanks around names and values and the line's end are dropped.
void AddHeaderLine(std::vector<HttpHeader>& headers, std::string_view line);

// How an exchange ended, whatever the status of an answer that came.
enum class HttpError {
  kNone,         // an answer came: its status and body tell the rest
  kNotHttp,      // not an "http://" or "https://" address that names a host: nothing was sent
  kUnreachable,  // no connection: refused, no route, unknown host
  kTimedOut,     // the connect or the total time limit passed
  kCancelled,    // stopped by its CancelToken
  kTooLarge,     // the body was longer than the limit
  kBroken,       // anything else: the connection broke off, a body shorter or longer than
                 // announced, too many redirects, a redirect to an address that is not HTTP, ...
};

// An "http://" or "https://" address cut into what a request needs. The login and password an
// address may carry are dropped: credentials only ever travel beside the address.
struct HttpAddress {
  bool secure = false;  // https
  std::string host;     // as written; an IPv6 address keeps its brackets
  uint16_t port = 0;    // the scheme's own when none is written
  std::string target;   // path and query: "/" at least, no fragment, no byte outside 33-126 raw
  // "http://host:port/target".
  std::string Url() const;
  // Same scheme, host (in any letter case) and port.
  bool SameServer(const HttpAddress& other) const;
};

// The address `url` names; none when it is not HTTP or HTTPS, names no host or a bad port.
std::optional<HttpAddress> ParseHttpAddress(std::string_view url);

// Where a Location header of an answer from `base` leads: an absolute address, a network path
// ("//host/..."), an absolute or relative path or a query, as a browser resolves them. None when
// it leads to another scheme than HTTP or HTTPS.
std::optional<HttpAddress> ResolveLocation(const HttpAddress& base, std::string_view location);

// What the program asks of a server.
struct HttpRequest {
  std::string method = "GET";
  std::string url;
  std::vector<HttpHeader> headers;
  std::string body;
  // The credentials go to the server the address names (same scheme, host and port) when it asks
  // for them, never to another one a redirect names. A server that refuses (401) without asking
  // gets one more request with Basic credentials sent up front, unless digest_only. An empty login
  // with an empty password is no credentials.
  bool send_credentials = false;
  std::string login;
  std::string password;
  bool digest_only = false;  // never Basic: the password must not cross the wire as it is
  bool follow_redirects = true;
  bool read_body = true;  // false: the status is all that is wanted
};

struct HttpResponse {
  HttpError error = HttpError::kNone;
  int status = 0;
  std::vector<HttpHeader> headers{};
  std::string body{};
  bool Answered() const { return error == HttpError::kNone; }
};

// Bounds on one request, redirects included.
struct HttpLimits {
  std::chrono::milliseconds connect_timeout{5000};
  std::chrono::milliseconds total_timeout{20000};
  std::size_t max_body_bytes = 4 * 1024 * 1024;
  int max_redirects = 5;
};

// One exchange as the platform's client makes it (libcurl, WinInet): direct, with the program's
// agent, no redirect followed, no cookies, no cache, no credentials but those given, and the body
// read only up to the limit. It decides nothing else: the rules live in HttpClient.
class HttpTransport {
 public:
  struct Exchange {
    std::string method;
    std::string url;  // absolute, as HttpAddress::Url() gives it
    std::vector<HttpHeader> headers;
    std::string body;
    // Given: the client answers the server's challenge (Basic or Digest) with them.
    const std::string* login = nullptr;
    const std::string* password = nullptr;
    bool digest_only = false;
    bool read_body = true;  // false: the exchange ends once the answer's head has come
    std::size_t max_body_bytes = 0;
    std::chrono::milliseconds connect_timeout{0};
    std::chrono::milliseconds total_timeout{0};
  };
  struct Answer {
    HttpError error = HttpError::kNone;
    int status = 0;
    std::vector<HttpHeader> headers{};  // the final answer's head, in order
    std::string body{};                 // as it came, cut after max_body_bytes + 1 bytes
  };
  virtual ~HttpTransport() = default;
  // May run on any thread, one call at a time per transport.
  virtual Answer Send(const Exchange& exchange, CancelToken& cancel) = 0;
};

// The rules every request keeps, over a transport: redirects followed (at most max_redirects,
// HTTP and HTTPS only, credentials to the named server only), the 401 answer, the size limit and
// the announced length checked, the total time limit across redirects, one error for each way a
// request fails. Every request asks for an uncached answer (Cache-Control and Pragma no-cache).
class HttpClient {
 public:
  // The clock the time limit is measured on; the steady clock when empty.
  using Now = std::function<std::chrono::steady_clock::time_point()>;
  explicit HttpClient(HttpTransport& transport, HttpLimits limits = {}, Now now = {});
  HttpResponse Send(const HttpRequest& request, CancelToken& cancel);

 private:
  class Journey;
  HttpTransport& transport_;
  HttpLimits limits_;
  Now now_;
};

// The platform's transport.
std::unique_ptr<HttpTransport> MakePlatformHttpTransport();

}  // namespace verdalin
