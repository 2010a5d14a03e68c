// What the window shows of a poll: the status line in field 0, the quality index in field 1 and
// the quality gauge.
#pragma once

#include <string>

#include "monitor/monitor_session.h"
#include "ui/control_ids.h"
#include "ui/window_controls.h"

namespace verdalin {

// Every text a poll puts into the status bar is raised and centred.
inline constexpr int kPollStatusAppearance = kRaised | kCentred;

inline constexpr std::string_view kConnectionError = "CONNECTION ERROR: check URL.";
inline constexpr std::string_view kOutputFileError = "ERROR WRITING OUTPUT FILE !";
inline constexpr std::string_view kBadValuesWarning =
    " | Warning : Bad/Empty values ! Please check password.";
inline constexpr std::string_view kNoModelWarning =
    " | No gateway model: choose one in the list of presets.";

// "Quality Index: 7.5%".
std::string QualityText(float quality);

// The end of a poll in the window. An unreachable gateway: the connection error, and the gauge
// and field 1 keep what they showed. Otherwise the status line of the poll's end time (after
// the output file's error when its row could not be written); a poll without values blames the
// missing gateway model when none was chosen, the password otherwise. When values were found
// also the gauge and field 1, the index made with the poll's subscribed rate. `note` follows the
// line of a connected line when the whole shows in the field, and is left out otherwise.
void ShowPollResult(WindowControls& window, const PollResult& result, const std::string& note);

}  // namespace verdalin
