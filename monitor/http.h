// HTTP for the line and the webhook: one exchange over the platform's transport, and the rules
// every request keeps (redirects, credentials, the 401 answer, size and length, errors).
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "monitor/page_fetcher.h"

namespace verdalin {

struct HttpHeader {
  std::string name;
  std::string value;
};

// How an exchange ended, whatever the status of an answer that came.
enum class HttpError {
  kNone,         // an answer came: its status and body tell the rest
  kNotHttp,      // not an "http://" or "https://" address that names a host: nothing was sent
  kUnreachable,  // no connection: refused, no route, unknown host
  kTimedOut,     // the connect or the total time limit passed
  kCancelled,    // stopped by its CancelToken
  kTooLarge,     // the body was longer than the limit
  kBroken,       // anything else: the connection broke off, a body shorter than announced, ...
};

// What the program asks of a server.
struct HttpRequest {
  std::string method = "GET";
  std::string url;
  std::vector<HttpHeader> headers;
  std::string body;
  // The credentials go to the server the address names (same scheme, host and port) when it asks
  // for them, never to another one a redirect names. A server that refuses (401) without asking
  // gets one more request with Basic credentials sent up front, unless digest_only.
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
  std::vector<HttpHeader> headers;
  std::string body;
  bool Answered() const { return error == HttpError::kNone; }
};

// Bounds on one request, redirects included.
struct HttpLimits {
  std::chrono::milliseconds connect_timeout{5000};
  std::chrono::milliseconds total_timeout{20000};
  std::size_t max_body_bytes = 4 * 1024 * 1024;
  int max_redirects = 5;
};

// One exchange as the platform's client makes it (libcurl, WinInet): direct, uncached, with the
// program's agent, no redirect followed, no credentials but those given, and the body read only
// up to the limit. The rules above it live in HttpClient.
class HttpTransport {
 public:
  struct Exchange {
    std::string method;
    std::string url;
    std::vector<HttpHeader> headers;
    std::string body;
    // Given: the client answers the server's challenge (Basic or Digest) with them.
    const std::string* login = nullptr;
    const std::string* password = nullptr;
    bool digest_only = false;
    bool read_body = true;
    std::size_t max_body_bytes = 0;
    std::chrono::milliseconds connect_timeout{0};
    std::chrono::milliseconds total_timeout{0};
  };
  struct Answer {
    HttpError error = HttpError::kNone;
    int status = 0;
    std::vector<HttpHeader> headers;  // the answer's head, in order
    std::string body;                 // at most max_body_bytes + 1 bytes
    int64_t content_length = -1;      // as announced; -1 when the answer announced none
  };
  virtual ~HttpTransport() = default;
  // May run on any thread, one call at a time per transport.
  virtual Answer Send(const Exchange& exchange, CancelToken& cancel) = 0;
};

// The rules every request keeps, over a transport: redirects followed (at most max_redirects,
// HTTP and HTTPS only, credentials to the named server only), the 401 answer, the size limit and
// the announced length checked, one error for each way a request fails.
class HttpClient {
 public:
  explicit HttpClient(HttpTransport& transport, HttpLimits limits = {});
  HttpResponse Send(const HttpRequest& request, CancelToken& cancel);

 private:
  HttpTransport& transport_;
  HttpLimits limits_;
};

// The platform's transport.
std::unique_ptr<HttpTransport> MakePlatformHttpTransport();

}  // namespace verdalin
