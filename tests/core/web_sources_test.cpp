// The TR-064 and ubus sources over a scripted transport: which requests a session makes across
// readings, what it keeps, when it starts over, and what each reading gives.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fakes/answer_files.h"
#include "fakes/fake_http_transport.h"
#include "monitor/web_sources.h"

namespace verdalin {

namespace {

std::string_view Answer(std::string_view kind, std::string_view name, std::string_view file) {
  static const std::vector<AnswerCase> cases = AnswerCases();
  for (const AnswerCase& each : cases)
    if (each.kind == kind && each.name == name) return each.File(file);
  return {};
}

HttpTransport::Answer Ok(std::string_view body) {
  return AnswerOf(200, {}, std::string(body));
}

HttpTransport::Answer Tr064(std::string_view file, std::string_view name = "adsl2plus-up") {
  return Ok(Answer("tr064", name, file));
}

HttpTransport::Answer Ubus(std::string_view file, std::string_view name = "vdsl2-up") {
  return Ok(Answer("openwrt", name, file));
}

const HttpTransport::Answer kDown{HttpError::kUnreachable};
const HttpTransport::Answer kRefused = Ok(R"({"jsonrpc":"2.0","id":1,"result":[6]})");

// One reading: the answers the device gives it, and the outcome it must end with.
struct Step {
  std::vector<HttpTransport::Answer> answers;
  PollOutcome outcome;
};

struct Case {
  const char* name;
  const char* address;
  const char* login;
  std::vector<Step> steps;
  // Every request of all the readings: the path, and for a SOAP request its action; for ubus
  // the JSON-RPC call's object and method.
  std::vector<std::string> requests;
};

std::string Described(const FakeHttpTransport::Seen& seen) {
  const std::optional<HttpAddress> url = ParseHttpAddress(seen.exchange.url);
  std::string text = seen.exchange.method + " " + (url ? url->target : seen.exchange.url);
  const std::string action = seen.Header("SOAPAction");
  if (!action.empty())
    text += " " + action.substr(action.find('#') + 1, action.size() - 2 - action.find('#'));
  const std::string& body = seen.exchange.body;
  if (body.find("\"login\"") != std::string::npos) text += " login";
  if (body.find("\"metrics\"") != std::string::npos) text += " metrics";
  return text;
}

template <typename Source>
void Check(const Case& c) {
  SCOPED_TRACE(c.name);
  auto owned = std::make_unique<FakeHttpTransport>();
  FakeHttpTransport& transport = *owned;
  Source source(std::move(owned), HttpLimits{});
  MonitorConfig config;
  config.address = c.address;
  config.login = c.login;
  config.password = "secret";
  CancelToken cancel;
  for (const Step& step : c.steps) {
    transport.answers.assign(step.answers.begin(), step.answers.end());
    const LineReading reading = source.Read(config, cancel);
    EXPECT_EQ(reading.outcome, step.outcome);
    EXPECT_TRUE(transport.answers.empty()) << transport.answers.size() << " answers left";
    if (reading.outcome != PollOutcome::kSample) EXPECT_EQ(reading.sample.Downstream_kbps, 0);
  }
  std::vector<std::string> requests;
  for (const FakeHttpTransport::Seen& seen : transport.sent) {
    requests.push_back(Described(seen));
    EXPECT_EQ(seen.exchange.url.find("secret"), std::string::npos);
  }
  EXPECT_EQ(requests, c.requests);
}

const std::string kDesc = "GET /tr64desc.xml";
const std::string kInfo = "POST /upnp/control/wandslifconfig1 GetInfo";
const std::string kStats = "POST /upnp/control/wandslifconfig1 GetStatisticsTotal";
const std::string kDevice = "POST /upnp/control/deviceinfo GetInfo";

TEST(Tr064Source, KeepsItsSessionAndStartsOverAfterAFailure) {
  const auto desc = Tr064("tr64desc.xml");
  const auto info = Tr064("WANDSLInterfaceConfig-GetInfo.xml");
  const auto stats = Tr064("WANDSLInterfaceConfig-GetStatisticsTotal.xml");
  const auto device = Tr064("DeviceInfo-GetInfo.xml");
  const auto refused = AnswerOf(401, {}, "<html>401</html>");
  const Case cases[] = {
      {"the description and the device once, the line at each reading",
       "http://127.0.0.1:49000",
       "admin",
       {{{desc, info, stats, device}, PollOutcome::kSample}, {{info, stats}, PollOutcome::kSample}},
       {kDesc, kInfo, kStats, kDevice, kInfo, kStats}},
      {"a broken exchange: no row, and the description read again",
       "http://127.0.0.1:49000/any/path",
       "admin",
       {{{desc, info, kDown}, PollOutcome::kUnreachable},
        {{desc, info, stats, device}, PollOutcome::kSample}},
       {kDesc, kInfo, kStats, kDesc, kInfo, kStats, kDevice}},
      {"refused credentials: a row of zeros, and a new session next time",
       "http://127.0.0.1:49000",
       "admin",
       {{{desc, refused, refused, device}, PollOutcome::kUnrecognised},
        {{desc, info, stats, device}, PollOutcome::kSample}},
       {kDesc, kInfo, kStats, kDevice, kDesc, kInfo, kStats, kDevice}},
      {"a fault of the DSL interface",
       "http://127.0.0.1:49000",
       "admin",
       {{{desc, Tr064("WANDSLInterfaceConfig-GetInfo.xml", "fault"), stats, device},
         PollOutcome::kUnrecognised}},
       {kDesc, kInfo, kStats, kDevice}},
      {"not a device description: nothing to post to",
       "http://127.0.0.1:49000",
       "admin",
       {{{Ok("<html/>")}, PollOutcome::kUnrecognised}},
       {kDesc}},
      {"no device there",
       "http://127.0.0.1:49000",
       "admin",
       {{{kDown}, PollOutcome::kUnreachable}},
       {kDesc}},
      {"not an HTTP address", "telnet://127.0.0.1", "admin", {{{}, PollOutcome::kUnreachable}}, {}},
  };
  for (const Case& c : cases) Check<Tr064Source>(c);
}

TEST(Tr064Source, SendsCredentialsByDigestOnlyOverPlainHttp) {
  for (const bool secure : {false, true}) {
    auto owned = std::make_unique<FakeHttpTransport>();
    FakeHttpTransport& transport = *owned;
    Tr064Source source(std::move(owned), HttpLimits{});
    transport.answers = {Tr064("tr64desc.xml"), Tr064("WANDSLInterfaceConfig-GetInfo.xml")};
    MonitorConfig config;
    config.address = secure ? "https://127.0.0.1:49443" : "http://127.0.0.1:49000";
    config.login = "admin";
    config.password = "secret";
    CancelToken cancel;
    source.Read(config, cancel);
    ASSERT_GE(transport.sent.size(), 2u);
    const FakeHttpTransport::Seen& post = transport.sent[1];
    EXPECT_FALSE(transport.sent[0].login);  // the description is asked without them
    EXPECT_EQ(post.login, "admin");
    EXPECT_EQ(post.exchange.digest_only, !secure);
    EXPECT_EQ(post.Header("Content-Type"), "text/xml; charset=\"utf-8\"");
    EXPECT_EQ(post.Header("SOAPAction"),
              "\"urn:dslforum-org:service:WANDSLInterfaceConfig:1#GetInfo\"");
  }
}

TEST(UbusSource, LogsInOnceAndRenewsARefusedSessionOnce) {
  const auto login = Ubus("login.json");
  const auto metrics = Ubus("metrics.json");
  const auto denied = Ubus("login.json", "login-refused");
  const std::string kLogin = "POST /ubus login", kMetrics = "POST /ubus metrics";
  const Case cases[] = {
      {"one login for many readings",
       "http://127.0.0.1:8080",
       "root",
       {{{login, metrics}, PollOutcome::kSample}, {{metrics}, PollOutcome::kSample}},
       {kLogin, kMetrics, kMetrics}},
      {"an expired session is renewed once",
       "http://127.0.0.1/ubus",
       "root",
       {{{login, metrics}, PollOutcome::kSample},
        {{kRefused, login, metrics}, PollOutcome::kSample}},
       {kLogin, kMetrics, kMetrics, kLogin, kMetrics}},
      {"refused again after renewal: the poll fails, the next one logs in",
       "http://127.0.0.1",
       "root",
       {{{login, metrics}, PollOutcome::kSample},
        {{kRefused, login, kRefused}, PollOutcome::kUnrecognised},
        {{login, metrics}, PollOutcome::kSample}},
       {kLogin, kMetrics, kMetrics, kLogin, kMetrics, kLogin, kMetrics}},
      {"a fresh session refused at once is not renewed",
       "http://127.0.0.1",
       "root",
       {{{login, kRefused}, PollOutcome::kUnrecognised}},
       {kLogin, kMetrics}},
      {"refused credentials",
       "http://127.0.0.1",
       "root",
       {{{denied}, PollOutcome::kUnrecognised}},
       {kLogin}},
      {"no login: the null session, never a login",
       "http://127.0.0.1:81/cgi-bin/ubus",
       "",
       {{{metrics}, PollOutcome::kSample}, {{metrics}, PollOutcome::kSample}},
       {"POST /cgi-bin/ubus metrics", "POST /cgi-bin/ubus metrics"}},
      {"a broken exchange: no row, a new login next time",
       "http://127.0.0.1",
       "root",
       {{{login, kDown}, PollOutcome::kUnreachable}, {{login, metrics}, PollOutcome::kSample}},
       {kLogin, kMetrics, kLogin, kMetrics}},
  };
  for (const Case& c : cases) Check<UbusSource>(c);
}

}  // namespace

}  // namespace verdalin
