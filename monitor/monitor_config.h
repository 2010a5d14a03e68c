// What a poll is made with: the gateway, its credentials, the data log, the chosen model and the
// subscribed rate, as one snapshot taken when the poll starts.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace verdalin {

struct MonitorConfig {
  std::string address;
  std::string login;
  std::string password;
  int64_t period_ms = 300000;
  std::string output_file;
  std::string model;    // the chosen preset's type ("INVENTEL", "TR064", ...); empty: none chosen
  std::string command;  // a command-line kind's command when the preset names one; empty: its own
  float subscribed_kbps = 0;
};

// The timer period for a delay text: whole seconds times 1000, never under a second (0, a
// negative delay or a text that reads as 0 would poll without a pause) and never beyond the
// longest period the platform timers take (about 24.8 days).
inline constexpr int64_t kShortestPollPeriod = 1000;
inline constexpr int64_t kLongestPollPeriod = 2147483647;
int64_t PollPeriod(std::string_view delay_text);

// The subscribed downstream rate of a rate text, in kbit/s (0 when it is not a number).
float SubscribedRate(std::string_view rate_text);

}  // namespace verdalin
