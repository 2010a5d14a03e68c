// The DrayTek routers' line status: the answer of "vdsl status" (or "adsl status") read into a
// sample.
#pragma once

#include <string_view>

#include "monitor/line_fields.h"
#include "monitor/line_sample.h"

namespace verdalin {

// The command the DRAYTEK kind gives when the preset names none.
inline constexpr std::string_view kDraytekCommand = "vdsl status";

// Reads the "Key : value" pairs (often two on a line); kValues when the answer has its "State"
// pair. Sets sample.Device to "DrayTek" at the end.
AnswerOutcome ReadDraytekStatus(std::string_view answer, LineSample& sample);

}  // namespace verdalin
