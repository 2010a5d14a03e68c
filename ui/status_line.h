// The end of a poll: the status line, the quality index in status field 1 and the quality gauge.
#pragma once

#include <string>

#include "base/clock.h"
#include "monitor/line_sample.h"
#include "ui/control_ids.h"
#include "ui/window_controls.h"

namespace verdalin {

// Every text a poll puts into the status bar is raised and centred.
inline constexpr int kPollStatusAppearance = kRaised | kCentred;

// Downstream rate times SNR margin over (maximum rate times 20), times 100, in double and kept
// as a float. A maximum rate that is not a positive number (0, empty or not a number, or
// negative) leaves nothing to compare with: the index is then 0, as for a line out of sync,
// rather than an infinite or undefined value; so is an index beyond the float range.
float QualityIndex(float downstream_kbps, float snr_local, float maximum_kbps);

// "Quality Index: 7.5%".
std::string QualityText(float quality);

// The status line of a poll in field 0; when values were found also the gauge (control 21) and
// field 1. Reads the maximum downstream rate (control 13) when the line is connected. `note`
// follows the line of a connected line when the whole shows in the field, and is left out
// otherwise.
void ShowPollResult(WindowControls& window, const Clock& clock, const LineSample& sample,
                    bool values_found, const std::string& note = "");

}  // namespace verdalin
