// The endpoint's HTTP server on loopback: what reaches the handler, what goes back, and what a
// hostile client gets (oversized heads, bodies, ranges, slow and silent clients, a second server).
#include "export/http_server.h"

#include <gtest/gtest.h>

#include <mutex>
#include <stdexcept>
#include <thread>

#include "fakes/loopback_client.h"

namespace verdalin {
namespace {

using std::chrono::milliseconds;
using std::chrono::seconds;

struct SeenRequest {
  std::string method, path, host, authorization;
};

// Answers every request with a page of `body_bytes` and remembers what it was asked.
class RecordingHandler : public HttpHandler {
 public:
  explicit RecordingHandler(std::size_t body_bytes = 12) : body_(body_bytes, 'x') {}

  HttpAnswer Answer(const ServedRequest& request) override {
    std::lock_guard lock(mutex_);
    seen_.push_back({std::string(request.method), std::string(request.path),
                     std::string(request.host), std::string(request.authorization)});
    if (request.path == "/throw") throw std::runtime_error("handler fault");
    HttpAnswer answer;
    answer.status = request.path == "/missing" ? 404 : 200;
    answer.content_type = "text/plain; version=0.0.4";
    answer.body = std::make_shared<const std::string>(body_);
    answer.headers.push_back({"WWW-Authenticate", "Basic realm=\"Verdalin\""});
    return answer;
  }
  std::vector<SeenRequest> Seen() {
    std::lock_guard lock(mutex_);
    return seen_;
  }

 private:
  std::mutex mutex_;
  std::vector<SeenRequest> seen_;
  std::string body_;
};

// Short time limits, so that the cases that wait for them stay quick.
ServerLimits QuickLimits() {
  ServerLimits limits;
  limits.idle = seconds(1);
  limits.request_time = seconds(1);
  return limits;
}

struct RunningServer {
  explicit RunningServer(ServerLimits limits = QuickLimits(), std::size_t body_bytes = 12)
      : handler(body_bytes), server(MakeHttpServer(handler, limits)) {
    error = server->Start(ListenAddress{"127.0.0.1", 0, true});
  }
  int Port() const { return server->Port(); }

  RecordingHandler handler;
  std::unique_ptr<HttpServer> server;
  std::optional<std::string> error;
};

std::string Get(std::string_view path, std::string_view more_headers = "") {
  return "GET " + std::string(path) + " HTTP/1.1\r\nHost: 127.0.0.1\r\n" +
         std::string(more_headers) + "\r\n";
}

TEST(HttpServer, HandsTheHeadToTheHandlerAndSendsItsAnswer) {
  RunningServer running;
  ASSERT_FALSE(running.error) << *running.error;
  ASSERT_GT(running.Port(), 0);
  const std::string answer =
      Exchange(running.Port(), Get("/m%65trics?x=1", "Authorization: basic AbC=\r\n"));
  EXPECT_EQ(StatusOf(answer), 200) << answer;
  EXPECT_NE(answer.find("\r\nContent-Type: text/plain; version=0.0.4\r\n"), std::string::npos);
  EXPECT_NE(answer.find("\r\nWWW-Authenticate: Basic realm=\"Verdalin\"\r\n"), std::string::npos);
  EXPECT_TRUE(answer.ends_with("\r\n\r\nxxxxxxxxxxxx")) << answer;
  const std::vector<SeenRequest> seen = running.handler.Seen();
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].method, "GET");
  EXPECT_EQ(seen[0].path, "/metrics");
  EXPECT_EQ(seen[0].host, "127.0.0.1");
  EXPECT_EQ(seen[0].authorization, "basic AbC=");

  // HEAD: the same head, no body; a kept connection answers the next request too.
  LoopbackConnection kept(running.Port());
  ASSERT_TRUE(kept.Send("HEAD / HTTP/1.1\r\nHost: localhost\r\n\r\n"));
  const std::string head = kept.ReadAnswer(seconds(5), true);
  EXPECT_EQ(StatusOf(head), 200);
  EXPECT_NE(head.find("\r\nContent-Length: 12\r\n"), std::string::npos) << head;
  ASSERT_TRUE(kept.Send(Get("/missing")));
  EXPECT_EQ(StatusOf(kept.ReadAnswer(seconds(5))), 404);
}

// Heads beyond the limits get 414 or 431 and the connection's end; the handler never sees them.
TEST(HttpServer, RefusesHeadsBeyondItsLimitsAndCloses) {
  RunningServer running;
  const ServerLimits limits = QuickLimits();
  std::string many_headers;
  for (std::size_t i = 0; i <= limits.header_count; ++i)
    many_headers += "X-" + std::to_string(i) + ": 1\r\n";
  std::string big_headers;
  for (int i = 0; i < 4; ++i)
    big_headers += "X-" + std::to_string(i) + ": " + std::string(2500, 'b') + "\r\n";
  const struct {
    const char* what;
    std::string request;
    int status;
  } cases[] = {
      {"a long target", Get("/" + std::string(limits.target_bytes, 'a')), 414},
      {"a long query", Get("/metrics?q=" + std::string(limits.target_bytes, 'a')), 414},
      {"a long header line",
       Get("/", "X-Big: " + std::string(limits.header_line_bytes, 'b') + "\r\n"), 431},
      {"too many headers", Get("/", many_headers), 431},
      {"too many header bytes", Get("/", big_headers), 431},
      {"a header line that never ends",
       "GET / HTTP/1.1\r\nHost: x\r\nX-A: " + std::string(100000, 'c'), 431},
  };
  for (const auto& c : cases) {
    LoopbackConnection connection(running.Port());
    connection.Send(c.request);  // the server may close before it has all of it
    const std::string answer = connection.ReadAnswer(seconds(5));
    EXPECT_EQ(StatusOf(answer), c.status) << c.what << ": " << answer.substr(0, 80);
    EXPECT_TRUE(connection.ClosedWithin(seconds(3))) << c.what;
  }
  EXPECT_TRUE(running.handler.Seen().empty());
  EXPECT_EQ(StatusOf(Exchange(running.Port(), Get("/"))), 200);  // still answering
}

// A request's body is never read: the answer comes at once and the connection ends with it.
TEST(HttpServer, ReadsNoBody) {
  RunningServer running;
  LoopbackConnection connection(running.Port());
  connection.Send("POST /metrics HTTP/1.1\r\nHost: localhost\r\nContent-Length: 100000000\r\n\r\n" +
                  std::string(1000, 'p'));
  EXPECT_EQ(StatusOf(connection.ReadAnswer(seconds(5))), 200);
  EXPECT_TRUE(connection.ClosedWithin(seconds(3)));
  ASSERT_EQ(running.handler.Seen().size(), 1u);
  EXPECT_EQ(running.handler.Seen()[0].method, "POST");
}

// A client that sends a byte at a time is cut off at the request time limit, one that sends
// nothing at the idle limit; a client beside them is answered at once all along.
TEST(HttpServer, EndsSlowAndSilentClients) {
  RunningServer running;
  LoopbackConnection slow(running.Port()), silent(running.Port());
  const auto started = std::chrono::steady_clock::now();
  bool slow_cut = false;
  for (char c : std::string("GET / HTTP/1.1\r\nX-Slow: ") + std::string(100, 's')) {
    if (!slow.Send(std::string(1, c)) || slow.ClosedWithin(milliseconds(100))) {
      slow_cut = true;
      break;
    }
    const auto asked = std::chrono::steady_clock::now();
    EXPECT_EQ(StatusOf(Exchange(running.Port(), Get("/"))), 200);
    EXPECT_LT(std::chrono::steady_clock::now() - asked, milliseconds(500));
  }
  const auto lasted = std::chrono::steady_clock::now() - started;
  EXPECT_TRUE(slow_cut);
  EXPECT_GE(lasted, milliseconds(900));
  EXPECT_LT(lasted, milliseconds(3000));
  EXPECT_TRUE(silent.ClosedWithin(seconds(2)));
}

// Beyond the connection limit a client waits in the system's queue, costing the program
// nothing, until a connection ends.
TEST(HttpServer, BoundsItsConnections) {
  ServerLimits limits = QuickLimits();
  limits.connections = 8;
  limits.workers = 2;
  limits.idle = seconds(3);
  limits.request_time = seconds(3);
  RunningServer running(limits);
  std::vector<std::unique_ptr<LoopbackConnection>> held;
  for (unsigned i = 0; i < limits.connections; ++i) {
    held.push_back(std::make_unique<LoopbackConnection>(running.Port()));
    held.back()->Send("G");
  }
  std::this_thread::sleep_for(milliseconds(200));
  LoopbackConnection extra(running.Port());
  extra.Send(Get("/"));
  EXPECT_EQ(extra.ReadAnswer(milliseconds(500)), "");
  held.clear();
  EXPECT_EQ(StatusOf(extra.ReadAnswer(seconds(2))), 200);
}

// One port, one program: a second server on a port in use says so, and the first one keeps it.
TEST(HttpServer, RefusesAPortInUse) {
  RunningServer first;
  RecordingHandler handler;
  const std::unique_ptr<HttpServer> second = MakeHttpServer(handler, QuickLimits());
  EXPECT_EQ(second->Start(ListenAddress{"127.0.0.1", first.Port(), true}),
            "cannot listen on 127.0.0.1:" + std::to_string(first.Port()));
  for (int i = 0; i < 4; ++i) EXPECT_EQ(StatusOf(Exchange(first.Port(), Get("/"))), 200);
  EXPECT_EQ(first.handler.Seen().size(), 4u);
  EXPECT_TRUE(handler.Seen().empty());
  EXPECT_EQ(second->Start(ListenAddress{"evil.example", 0, false}),
            "cannot listen on evil.example:0");
}

TEST(HttpServer, AHandlerFaultEndsOnlyItsConnection) {
  RunningServer running;
  LoopbackConnection connection(running.Port());
  connection.Send(Get("/throw"));
  EXPECT_TRUE(connection.ClosedWithin(seconds(3)));
  EXPECT_EQ(StatusOf(Exchange(running.Port(), Get("/"))), 200);
}

TEST(HttpServer, StopEndsEveryConnection) {
  RunningServer running;
  LoopbackConnection open(running.Port());
  open.Send("GET / HTTP/1.1\r\n");
  const int port = running.Port();
  running.server->Stop();
  EXPECT_TRUE(open.ClosedWithin(seconds(2)));
  LoopbackConnection late(port);
  EXPECT_TRUE(!late.Connected() || late.ClosedWithin(seconds(2)));
  EXPECT_TRUE(running.handler.Seen().empty());
}

}  // namespace
}  // namespace verdalin
