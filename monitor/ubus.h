// The OPENWRT kind's exchanges: ubus calls over JSON-RPC 2.0 (session login, dsl metrics) and
// their answers read into a sample.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "monitor/line_fields.h"
#include "monitor/line_sample.h"

namespace verdalin {

// The session every caller has before a login, and the path the ubus endpoint has by default.
inline constexpr std::string_view kUbusNullSession = "00000000000000000000000000000000";
inline constexpr std::string_view kUbusDefaultPath = "/ubus";

// The body of `call session login {"username": ..., "password": ...}` on the null session.
// Texts that are not UTF-8 are read as Windows-1252.
std::string UbusLoginRequest(int64_t id, std::string_view login, std::string_view password);

// The body of `call OBJECT METHOD {}` on a session.
std::string UbusCallRequest(int64_t id, std::string_view session, std::string_view object,
                            std::string_view method);

// A login's answer: kValues with the session and its timeout, kRefused for [6] (or an error
// that denies access), kFault for another error, kNoValues for an answer that is not JSON-RPC.
struct UbusLogin {
  AnswerOutcome outcome = AnswerOutcome::kNoValues;
  std::string session;
  int64_t timeout_s = 0;
};
UbusLogin ReadUbusLogin(std::string_view answer);

// Reads the answer of `call dsl metrics` into the sample: kValues when it holds the metrics,
// kRefused when the session was refused ([6]: log in again), kFault for another ubus error.
// sample.Device is "OpenWrt".
AnswerOutcome ReadUbusMetrics(std::string_view answer, LineSample& sample);

}  // namespace verdalin
