// The Broadcom modems' line statistics: the answer of "xdslctl info --stats" read into a sample.
#pragma once

#include <string_view>

#include "monitor/line_fields.h"
#include "monitor/line_sample.h"

namespace verdalin {

// The command the BROADCOM kind gives when the preset names none.
inline constexpr std::string_view kBroadcomCommand = "xdslctl info --stats";

// Reads the status, rates, mode, the table of margins, attenuation and power and the counters
// since the line came up; kValues when the answer has its "Status:" line. Sets sample.Device to
// "Broadcom" at the end.
AnswerOutcome ReadBroadcomStats(std::string_view answer, LineSample& sample);

}  // namespace verdalin
