// The alert settings (group [Alerts] of the settings file) and the notifications of line events:
// which events notify, their texts, and the cooldown that keeps them from spamming.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/file_system.h"
#include "base/ini_store.h"
#include "monitor/line_events.h"

namespace verdalin {

inline constexpr std::string_view kAlertsGroup = "Alerts";

struct AlertSettings {
  AlertThresholds thresholds;
  bool notify = true;
  int32_t cooldown_minutes = 15;
  std::string webhook;  // empty: off
};

// Reads [Alerts]; a value that is text or negative falls back to its default, and a re-arm
// threshold below the low one (after those fallbacks) takes both thresholds back to theirs. The
// texts to store back: valid values as they were written, the rest as their defaults.
struct AlertsLoaded {
  AlertSettings settings;
  std::array<std::pair<std::string_view, std::string>, 6> stored;  // key, text
  std::string problem;  // a fallback to say once; empty when there is none
};
AlertsLoaded ReadAlerts(const IniFile& settings_file);
AlertsLoaded LoadAlerts(FileSystem& fs, std::string_view settings_file);
// Writes the six keys of [Alerts] into the save (the other groups stay as they are).
void StoreAlerts(IniFile& settings_file, const AlertsLoaded& alerts);
// Why the text of the [Alerts] key would fall back to its default, in a few words; empty when it
// holds. The two margins must besides agree: a re-arm threshold not below the low one.
std::string AlertValueProblem(std::string_view key, const std::string& text);
bool AlertMarginsAgree(const std::string& low_text, const std::string& rearm_text);

// One notification for a person: a title and a line.
struct Notice {
  std::string title;
  std::string text;
};

// Decides which events notify: a sync loss, a resync, a low margin, an unreachable gateway (only
// at the second failed poll in a row), and the recoveries of what was notified. The same kind of
// event notifies at most once per cooldown; the others are only logged.
class Notifier {
 public:
  explicit Notifier(const AlertSettings& settings) : settings_(settings) {}
  // New settings from now on; the cooldowns under way go on.
  void SetSettings(const AlertSettings& settings) { settings_ = settings; }
  // Fed with every poll's outcome and its events; the notices to show now.
  std::vector<Notice> Poll(int64_t time, PollOutcome outcome, const std::vector<LineEvent>& events);
  // The line for a person that an event stands for (also the webhook's message).
  static std::string Message(const LineEvent& event);

 private:
  // Whether a group of events may notify at `time`; when it may, its cooldown starts.
  bool Allow(int group, int64_t time);
  std::optional<Notice> NoticeFor(const LineEvent& event, int64_t time);

  AlertSettings settings_;
  int failures_in_a_row_ = 0;
  bool unreachable_pending_ = false;
  bool unreachable_told_ = false;
  std::array<bool, 2> snr_low_told_{};
  std::array<std::optional<int64_t>, 8> last_told_{};
};

}  // namespace verdalin
