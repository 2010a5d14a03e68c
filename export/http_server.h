// The HTTP server the metrics endpoint runs on: what a request and an answer hold, its limits, and
// the server itself, declared here and realised in net/ over a third-party library.
#pragma once

#include <chrono>
#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace verdalin {

struct ListenAddress {
  std::string host;  // an IPv4 or IPv6 literal, or "localhost"
  int port = 0;      // 0: any free port
  bool loopback = true;
};

// One request as the server read it; the views live as long as the call that gets them.
struct ServedRequest {
  std::string_view method;
  std::string_view path;  // decoded, without the query
  std::string_view host;  // the Host header, "" when there is none
  std::string_view authorization;
};

struct HttpAnswer {
  int status = 404;
  std::string content_type = "text/plain; charset=utf-8";
  // Shared, so that a large page is held once however many clients are reading it.
  std::shared_ptr<const std::string> body = std::make_shared<const std::string>();
  std::vector<std::pair<std::string, std::string>> headers;
};

// Decides every request, on the server's threads.
class HttpHandler {
 public:
  virtual ~HttpHandler() = default;
  virtual HttpAnswer Answer(const ServedRequest& request) = 0;
};

// What any client may cost, whatever it sends: requests beyond the sizes are answered 414 or 431
// and closed; the server never reads a request's body.
struct ServerLimits {
  std::size_t target_bytes = 2048;       // the request's path and query
  std::size_t header_line_bytes = 4096;  // one header's name and value
  std::size_t header_count = 48;
  std::size_t header_bytes = 8192;        // all headers together
  std::size_t connection_memory = 32768;  // what the server keeps per connection, buffers included
  unsigned connections = 128;             // open at once; more are closed at once
  unsigned workers = 4;
  std::chrono::seconds idle{3};          // a connection with nothing happening is closed
  std::chrono::seconds request_time{5};  // from the connection, or its last answer, to the next
};

class HttpServer {
 public:
  virtual ~HttpServer() = default;
  // Binds and starts answering; the error line when it cannot. A port that another program
  // listens on is refused, never shared.
  virtual std::optional<std::string> Start(const ListenAddress& address) = 0;
  // The port bound (the one asked, or the free one found for port 0); 0 before Start.
  virtual int Port() const = 0;
  // Ends every connection and the server's threads; the handler is not called afterwards.
  virtual void Stop() = 0;
};

// net/http_server.cpp: the server, answering through `handler`, which must outlive it.
std::unique_ptr<HttpServer> MakeHttpServer(HttpHandler& handler, const ServerLimits& limits);
inline std::unique_ptr<HttpServer> MakeHttpServer(HttpHandler& handler) {
  return MakeHttpServer(handler, ServerLimits{});
}

}  // namespace verdalin
