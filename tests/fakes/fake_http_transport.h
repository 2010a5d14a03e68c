// A transport that gives the answers a test queues and keeps every exchange, on a clock of its own.
#pragma once

#include <chrono>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "monitor/http.h"

namespace verdalin {

class FakeHttpTransport : public HttpTransport {
 public:
  // An exchange as it was given, with the credentials it carried.
  struct Seen {
    Exchange exchange;
    std::optional<std::string> login;
    std::optional<std::string> password;
    // The value of a header sent, "" when it was not.
    std::string Header(std::string_view name) const {
      const std::string* value = FindHeader(exchange.headers, name);
      return value == nullptr ? std::string() : *value;
    }
  };

  Answer Send(const Exchange& exchange, CancelToken& cancel) override {
    Seen seen{exchange, std::nullopt, std::nullopt};
    if (exchange.login != nullptr) seen.login = *exchange.login;
    if (exchange.password != nullptr) seen.password = *exchange.password;
    seen.exchange.login = seen.exchange.password = nullptr;
    sent.push_back(std::move(seen));
    now += spent_per_exchange;
    if (during_send) during_send(cancel);
    if (answers.empty()) return {HttpError::kBroken};
    Answer answer = std::move(answers.front());
    answers.pop_front();
    return answer;
  }

  // The client's clock: it moves only by `spent_per_exchange` at each exchange.
  HttpClient::Now Clock() {
    return [this] { return now; };
  }

  std::deque<Answer> answers;
  std::vector<Seen> sent;
  std::chrono::steady_clock::time_point now{};
  std::chrono::milliseconds spent_per_exchange{0};
  std::function<void(CancelToken&)> during_send;
};

// An answer with that status, head and body.
inline HttpTransport::Answer AnswerOf(int status, std::vector<HttpHeader> headers = {},
                                      std::string body = {}) {
  return {HttpError::kNone, status, std::move(headers), std::move(body)};
}

inline HttpTransport::Answer RedirectTo(const std::string& location, int status = 302) {
  return AnswerOf(status, {{"Location", location}});
}

}  // namespace verdalin
