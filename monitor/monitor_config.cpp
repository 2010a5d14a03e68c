// The rules that turn the settings' texts into a poll's period and subscribed rate.
#include "monitor/monitor_config.h"

#include <algorithm>

#include "base/text_ops.h"

namespace verdalin {

int64_t PollPeriod(std::string_view delay_text) {
  const int64_t period = static_cast<int64_t>(ParseInteger(delay_text)) * 1000;
  return std::clamp(period, kShortestPollPeriod, kLongestPollPeriod);
}

float SubscribedRate(std::string_view rate_text) {
  return ParseFloat(rate_text);
}

}  // namespace verdalin
