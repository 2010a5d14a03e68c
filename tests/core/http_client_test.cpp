// The HTTP rule book over a fake transport: addresses, redirects, credentials, the 401 answer,
// size, length and time, and the page fetch and webhook POST that stand on it.
#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "export/webhook.h"
#include "fakes/fake_http_transport.h"
#include "monitor/http.h"
#include "monitor/page_fetcher.h"

namespace verdalin {
namespace {

using std::chrono::milliseconds;

std::string UrlOrNone(const std::optional<HttpAddress>& address) {
  return address ? address->Url() : "none";
}

TEST(HttpAddress, KeepsWhatARequestNeedsAndRefusesTheRest) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"http://127.0.0.1:8080/a?b=c#frag", "http://127.0.0.1:8080/a?b=c"},
      {"HTTPS://Gw.Home", "https://Gw.Home/"},
      {"http://admin:p@ss@gw/x", "http://gw/x"},  // the login and password are dropped
      {"http://gw:80/x", "http://gw/x"},
      {"https://gw:80/x", "https://gw:80/x"},
      {"http://gw?q", "http://gw/?q"},
      {"http://gw/a b\x01\xE9", "http://gw/a%20b%01%E9"},
      {"http://[::1]:9/", "http://[::1]:9/"},
      {"http://gw/mail=a@other:1/y", "http://gw/mail=a@other:1/y"},
      {"", "none"},
      {"http://", "none"},
      {"ftp://gw/", "none"},
      {"127.0.0.1:80/x", "none"},
      {"gw:80/x", "none"},
      {"http:/gw/", "none"},
      {"http://gw:0/", "none"},
      {"http://gw:65536/", "none"},
      {"http://gw:8x/", "none"},
      {"http://a b/", "none"},
      {"http://user@/x", "none"},
      {"http://::1/", "none"},
  };
  for (const auto& [url, expected] : cases)
    EXPECT_EQ(UrlOrNone(ParseHttpAddress(url)), expected) << url;
}

TEST(HttpAddress, ALocationResolvesAsInABrowser) {
  const HttpAddress base = *ParseHttpAddress("http://gw:8080/dir/page?x=1");
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"https://other/x", "https://other/x"},
      {"//other:81/y", "http://other:81/y"},
      {"/top?q", "http://gw:8080/top?q"},
      {"next", "http://gw:8080/dir/next"},
      {"../up/./here", "http://gw:8080/up/here"},
      {"?y=2", "http://gw:8080/dir/page?y=2"},
      {"", "http://gw:8080/dir/page?x=1"},
      {"#f", "http://gw:8080/dir/page?x=1"},
      {" a b", "http://gw:8080/dir/a%20b"},
      {"../../../x", "http://gw:8080/x"},
      {"sub/", "http://gw:8080/dir/sub/"},
      {"..", "http://gw:8080/"},
      {"ftp://gw/x", "none"},
      {"javascript:alert(1)", "none"},
  };
  for (const auto& [location, expected] : cases)
    EXPECT_EQ(UrlOrNone(ResolveLocation(base, location)), expected) << location;
}

class HttpClientTest : public ::testing::Test {
 protected:
  HttpResponse Send(const HttpRequest& request, const HttpLimits& limits = {}) {
    HttpClient client(transport_, limits, transport_.Clock());
    CancelToken never;
    return client.Send(request, never);
  }
  static HttpRequest Get(const std::string& url, const std::string& login = "",
                         const std::string& password = "") {
    HttpRequest request;
    request.url = url;
    request.send_credentials = true;
    request.login = login;
    request.password = password;
    return request;
  }
  FakeHttpTransport transport_;
};

TEST_F(HttpClientTest, FollowsRedirectsUpToTheLimit) {
  for (int limit : {0, 1, 3}) {
    for (int redirects : {limit, limit + 1}) {
      transport_ = {};
      for (int n = 0; n < redirects; ++n) transport_.answers.push_back(RedirectTo("next"));
      transport_.answers.push_back(AnswerOf(200, {}, "page"));
      HttpLimits limits;
      limits.max_redirects = limit;
      const HttpResponse response = Send(Get("http://gw/dir/first"), limits);
      const bool within = redirects <= limit;
      EXPECT_EQ(response.error, within ? HttpError::kNone : HttpError::kBroken) << limit;
      EXPECT_EQ(response.body, within ? "page" : "") << limit;
      EXPECT_EQ(transport_.sent.size(), std::min(redirects, limit) + 1u) << limit;
    }
  }
  EXPECT_EQ(transport_.sent.back().exchange.url, "http://gw/dir/next");
}

TEST_F(HttpClientTest, AnswersThatAreNotFollowed) {
  struct Case {
    HttpTransport::Answer answer;
    bool follow;
    HttpError error;
  };
  const std::vector<Case> cases = {
      {AnswerOf(302), true, HttpError::kNone},  // no Location
      {RedirectTo("/x", 300), true, HttpError::kNone},
      {RedirectTo("/x", 304), true, HttpError::kNone},
      {RedirectTo("/x", 302), false, HttpError::kNone},
      {RedirectTo("ftp://gw/x", 302), true, HttpError::kBroken},
  };
  for (const Case& c : cases) {
    transport_ = {};
    transport_.answers = {c.answer, AnswerOf(200)};
    HttpRequest request = Get("http://gw/");
    request.follow_redirects = c.follow;
    const HttpResponse response = Send(request);
    EXPECT_EQ(response.error, c.error) << c.answer.status;
    EXPECT_EQ(response.status, c.error == HttpError::kNone ? c.answer.status : 0);
    EXPECT_EQ(transport_.sent.size(), 1u);
  }
}

// The credentials go to the named scheme, host (any letter case) and port, never elsewhere.
TEST_F(HttpClientTest, CredentialsGoToTheNamedServerOnly) {
  const std::vector<std::pair<std::string, bool>> cases = {
      {"/other", true},
      {"http://GW:8080/x", true},
      {"//gw:8080/x", true},
      {"http://gw:8081/x", false},
      {"https://gw:8080/x", false},
      {"http://gw/x", false},
      {"http://127.0.0.1:8080/x", false},
  };
  for (const auto& [location, given] : cases) {
    transport_ = {};
    transport_.answers = {RedirectTo(location), AnswerOf(200)};
    Send(Get("http://gw:8080/status", "admin", "secret"));
    ASSERT_EQ(transport_.sent.size(), 2u);
    EXPECT_EQ(transport_.sent[0].login.value_or("-"), "admin");
    EXPECT_EQ(transport_.sent[1].login.value_or("-"), given ? "admin" : "-") << location;
    EXPECT_EQ(transport_.sent[1].password.value_or("-"), given ? "secret" : "-") << location;
  }
  // A login and password inside the address are neither sent nor used.
  transport_ = {};
  transport_.answers = {AnswerOf(401)};
  HttpRequest inside = Get("http://admin:secret@gw/");
  inside.send_credentials = false;
  Send(inside);
  EXPECT_EQ(transport_.sent[0].exchange.url, "http://gw/");
  EXPECT_FALSE(transport_.sent[0].login.has_value());
  EXPECT_EQ(transport_.sent.size(), 1u);
}

// A 401 without a challenge gets exactly one more request with Basic credentials up front, from
// the named server only, never with digest_only or without credentials.
TEST_F(HttpClientTest, RefusalWithoutChallengeGetsBasicOnce) {
  struct Case {
    std::string login, password;
    bool send, digest_only, challenge;
    std::string basic;  // the Authorization of the second request; empty: no second request
  };
  const std::vector<Case> cases = {
      {"admin", "admin", true, false, false, "Basic YWRtaW46YWRtaW4="},
      {"", "x", true, false, false, "Basic Ong="},
      {"admin", "admin", true, false, true, ""},
      {"admin", "admin", true, true, false, ""},
      {"", "", true, false, false, ""},
      {"admin", "admin", false, false, false, ""},
  };
  for (const Case& c : cases) {
    transport_ = {};
    const std::vector<HttpHeader> challenge = {{"WWW-Authenticate", "Basic realm=\"x\""}};
    for (int n = 0; n < 3; ++n)
      transport_.answers.push_back(AnswerOf(
          401, c.challenge ? challenge : std::vector<HttpHeader>{}, "no" + std::to_string(n)));
    HttpRequest request = Get("http://gw/", c.login, c.password);
    request.send_credentials = c.send;
    request.digest_only = c.digest_only;
    const HttpResponse response = Send(request);
    EXPECT_EQ(response.status, 401);
    ASSERT_EQ(transport_.sent.size(), c.basic.empty() ? 1u : 2u) << c.login << c.challenge;
    EXPECT_EQ(transport_.sent[0].Header("Authorization"), "");
    if (c.basic.empty()) continue;
    EXPECT_EQ(transport_.sent[1].Header("Authorization"), c.basic);
    EXPECT_FALSE(transport_.sent[1].login.has_value());  // sent up front, not on a challenge
    EXPECT_EQ(response.body, "no1");
  }
  // Not to another server a redirect names, and once only along a chain of redirects.
  for (const std::string& location : {"http://other/", "/again"}) {
    transport_ = {};
    transport_.answers = {AnswerOf(401), RedirectTo(location), AnswerOf(401), AnswerOf(200)};
    EXPECT_EQ(Send(Get("http://gw/", "admin", "admin")).status, 401) << location;
    EXPECT_EQ(transport_.sent.size(), 3u) << location;
  }
}

TEST_F(HttpClientTest, TheBodyMustBeAsLongAsAnnouncedAndWithinTheLimit) {
  struct Case {
    int status;
    std::vector<HttpHeader> headers;
    std::string body;
    HttpError error;
  };
  const std::vector<Case> cases = {
      {200, {{"Content-Length", "5"}}, "hello", HttpError::kNone},
      {200, {{"content-length", " 6 "}}, "hello", HttpError::kBroken},
      {200, {{"Content-Length", "4"}}, "hello", HttpError::kBroken},
      {401, {{"Content-Length", "9"}}, "hello", HttpError::kBroken},
      {200, {{"Content-Length", "x"}}, "hello", HttpError::kBroken},
      {200, {{"Content-Length", "5"}, {"Content-Length", "6"}}, "hello", HttpError::kBroken},
      {200, {{"Content-Length", "0"}}, "", HttpError::kNone},
      {200, {}, "hello", HttpError::kNone},
      {200, {{"Content-Length", "9"}, {"Transfer-Encoding", "chunked"}}, "hello", HttpError::kNone},
      {204, {{"Content-Length", "9"}}, "", HttpError::kNone},
      {304, {{"Content-Length", "9"}}, "", HttpError::kNone},
      {200, {}, "12345678", HttpError::kNone},
      {200, {}, "123456789", HttpError::kTooLarge},
  };
  HttpLimits limits;
  limits.max_body_bytes = 8;
  for (const Case& c : cases) {
    transport_ = {};
    transport_.answers = {AnswerOf(c.status, c.headers, c.body)};
    const HttpResponse response = Send(Get("http://gw/"), limits);
    EXPECT_EQ(response.error, c.error) << c.status << " " << c.body;
    EXPECT_EQ(response.body, c.error == HttpError::kNone ? c.body : "");
    EXPECT_EQ(transport_.sent[0].exchange.max_body_bytes, 8u);
  }
}

// One deadline covers every request of a redirect chain; the connect limit never exceeds it.
TEST_F(HttpClientTest, TheTimeLimitCoversTheWholeChain) {
  transport_.spent_per_exchange = milliseconds(400);
  transport_.answers = {RedirectTo("/a"), RedirectTo("/b"), RedirectTo("/c"), AnswerOf(200)};
  HttpLimits limits;
  limits.total_timeout = milliseconds(1000);
  limits.connect_timeout = milliseconds(300);
  EXPECT_EQ(Send(Get("http://gw/"), limits).error, HttpError::kTimedOut);
  ASSERT_EQ(transport_.sent.size(), 3u);
  const std::vector<std::pair<long, long>> given = {{1000, 300}, {600, 300}, {200, 200}};
  for (size_t n = 0; n < given.size(); ++n) {
    EXPECT_EQ(transport_.sent[n].exchange.total_timeout.count(), given[n].first) << n;
    EXPECT_EQ(transport_.sent[n].exchange.connect_timeout.count(), given[n].second) << n;
  }
}

// A POST turns into a GET on 303, and on 301 and 302 as browsers do; 307 and 308 keep it.
TEST_F(HttpClientTest, ARedirectKeepsOrDropsTheMethod) {
  const std::vector<std::pair<int, std::string>> cases = {
      {301, "GET"}, {302, "GET"}, {303, "GET"}, {307, "POST"}, {308, "POST"}};
  for (const auto& [status, method] : cases) {
    transport_ = {};
    transport_.answers = {RedirectTo("/next", status), AnswerOf(200)};
    HttpRequest post = Get("http://gw/");
    post.method = "POST";
    post.body = "{}";
    Send(post);
    EXPECT_EQ(transport_.sent[1].exchange.method, method) << status;
    EXPECT_EQ(transport_.sent[1].exchange.body, method == "POST" ? "{}" : "") << status;
  }
}

TEST_F(HttpClientTest, FailuresAndCancelsEndTheRequest) {
  EXPECT_EQ(Send(Get("ftp://gw/")).error, HttpError::kNotHttp);
  EXPECT_TRUE(transport_.sent.empty());
  transport_.answers = {{HttpError::kUnreachable}};
  EXPECT_EQ(Send(Get("http://gw/")).error, HttpError::kUnreachable);
  transport_.answers = {AnswerOf(200, {}, "page")};
  transport_.during_send = [](CancelToken& cancel) { cancel.Cancel(); };
  const HttpResponse cancelled = Send(Get("http://gw/"));
  EXPECT_EQ(cancelled.error, HttpError::kCancelled);
  EXPECT_EQ(cancelled.body, "");
}

// The page fetch: the body whatever the status, nothing on a failure, no empty credentials.
TEST(HttpPageFetcher, GivesTheBodyOfAnyAnswerAndNothingOnFailure) {
  auto owned = std::make_unique<FakeHttpTransport>();
  FakeHttpTransport& transport = *owned;
  HttpPageFetcher fetcher(std::move(owned), {});
  transport.answers = {AnswerOf(404, {}, "not here"),
                       AnswerOf(200, {{"Content-Length", "9"}}, "cut"),
                       AnswerOf(401, {{"WWW-Authenticate", "Basic"}}, "refused")};
  EXPECT_EQ(fetcher.FetchPage({"http://gw/a", false, "", ""}), "not here");
  EXPECT_EQ(fetcher.FetchPage({"http://gw/b", true, "", ""}), "");
  EXPECT_EQ(fetcher.FetchPage({"http://gw/c", true, "admin", "pw"}), "refused");
  EXPECT_FALSE(transport.sent[1].login.has_value());
  EXPECT_EQ(transport.sent[2].login.value_or("-"), "admin");
  EXPECT_EQ(transport.sent[2].Header("Cache-Control"), "no-cache");
  EXPECT_EQ(transport.sent[2].Header("Pragma"), "no-cache");
}

// The webhook POST: JSON, no credentials, no redirect followed, no body read, each way to fail.
TEST(HttpClientPoster, PostsJsonAndTellsHowItEnded) {
  auto owned = std::make_unique<FakeHttpTransport>();
  FakeHttpTransport& transport = *owned;
  HttpClientPoster poster(std::move(owned), {});
  const std::vector<std::pair<HttpTransport::Answer, PostResult>> cases = {
      {AnswerOf(204), {PostError::kNone, 204}},
      {RedirectTo("/elsewhere"), {PostError::kNone, 302}},
      {AnswerOf(401), {PostError::kNone, 401}},
      {{HttpError::kUnreachable}, {PostError::kUnreachable, 0}},
      {{HttpError::kTimedOut}, {PostError::kTimedOut, 0}},
      {{HttpError::kTooLarge}, {PostError::kBroken, 0}},
      {{HttpError::kBroken}, {PostError::kBroken, 0}},
  };
  for (const auto& [answer, expected] : cases) {
    transport.answers = {answer};
    CancelToken never;
    const PostResult result = poster.Post("http://user:pw@hook:81/in", "{\"a\":1}", never);
    EXPECT_EQ(result.error, expected.error);
    EXPECT_EQ(result.status, expected.status);
  }
  ASSERT_EQ(transport.sent.size(), cases.size());  // never a second request
  const FakeHttpTransport::Seen& post = transport.sent[0];
  EXPECT_EQ(post.exchange.method, "POST");
  EXPECT_EQ(post.exchange.url, "http://hook:81/in");
  EXPECT_EQ(post.exchange.body, "{\"a\":1}");
  EXPECT_EQ(post.Header("Content-Type"), "application/json");
  EXPECT_EQ(post.Header("Authorization"), "");
  EXPECT_FALSE(post.login.has_value());
  EXPECT_FALSE(post.exchange.read_body);
  CancelToken never;
  EXPECT_EQ(poster.Post("hook:81/in", "{}", never).error, PostError::kNotHttp);
}

}  // namespace
}  // namespace verdalin
