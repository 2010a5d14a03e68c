// Talks to the fake gateway that tools/with-fake-gateway.sh starts on loopback, for HTTP tests.
#pragma once

#include <gtest/gtest.h>

#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <thread>

#include "monitor/page_fetcher.h"

namespace verdalin {

// Every byte but letters and digits as %XX, for the gateway's query values.
inline std::string PercentEncode(std::string_view text) {
  std::string out;
  for (unsigned char c : text) {
    char escaped[4];
    std::snprintf(escaped, sizeof escaped, "%%%02X", c);
    out += std::isalnum(c) ? std::string(1, static_cast<char>(c)) : std::string(escaped);
  }
  return out;
}

// The body of the gateway's /big page: numbered 16-byte records "%015d\n", cut at size bytes.
inline std::string NumberedRecords(std::size_t size) {
  std::string out;
  char record[17];
  for (int n = 0; out.size() < size; ++n) {
    std::snprintf(record, sizeof record, "%015d\n", n);
    out += record;
  }
  return out.substr(0, size);
}

// One second for the connection and one for the whole request.
inline FetchLimits ShortLimits() {
  FetchLimits limits;
  limits.connect_timeout = std::chrono::milliseconds(1000);
  limits.total_timeout = std::chrono::milliseconds(1000);
  return limits;
}

class FakeGatewayTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* port = std::getenv("VERDALIN_GATEWAY_PORT");
    ASSERT_TRUE(port != nullptr && *port != '\0')
        << "VERDALIN_GATEWAY_PORT is not set: run the tests through tools/with-fake-gateway.sh "
           "(as `make test` does), which starts the fake gateway on loopback.";
    port_ = port;
  }

  // "http://127.0.0.1:<port>" + path.
  std::string Url(const std::string& path) const { return "http://127.0.0.1:" + port_ + path; }

  static std::string Fetch(const std::string& url, const FetchLimits& limits = {}) {
    return MakePlatformPageFetcher(limits)->FetchPage(FetchRequest{url, false, "", ""});
  }
  // With a login and password beside the address, as the poll gives them.
  static std::string FetchAs(const std::string& url, const std::string& login,
                             const std::string& password, const FetchLimits& limits = {}) {
    return MakePlatformPageFetcher(limits)->FetchPage(FetchRequest{url, true, login, password});
  }

  // One value the gateway remembers of the last request tagged `tag`.
  std::string LastRequest(const std::string& tag, const std::string& field) const {
    return Fetch(Url("/_control/last-auth?tag=" + tag + "&field=" + field));
  }

  // Registers credentials with the gateway; its pages take the answer as ?cred=.
  std::string RegisterCredentials(std::string_view user, std::string_view password) const {
    return Fetch(Url("/_control/credentials?user=" + PercentEncode(user) +
                     "&password=" + PercentEncode(password)));
  }

  std::string port_;
};

// Milliseconds a call takes.
template <typename Call>
long long MillisecondsOf(Call call) {
  auto start = std::chrono::steady_clock::now();
  call();
  auto spent = std::chrono::steady_clock::now() - start;
  return std::chrono::duration_cast<std::chrono::milliseconds>(spent).count();
}

// Polls `done` every 10 ms for up to 5 s; its last answer.
template <typename Done>
bool WaitUntil(Done done) {
  for (int i = 0; i < 500 && !done(); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  return done();
}

}  // namespace verdalin
