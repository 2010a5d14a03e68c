// The alert settings and the notifications of line events, with their texts and cooldown.
#include "monitor/alerts.h"

#include <charconv>
#include <cmath>

#include "base/text_ops.h"

namespace verdalin {

namespace {

enum Key { kSnrLow, kSnrRearm, kCrc, kNotify, kCooldown, kWebhook };
constexpr std::array<std::string_view, 6> kKeys = {
    "snr_low_db", "snr_rearm_db", "crc_per_minute", "notify", "cooldown_minutes", "webhook"};
constexpr std::array<std::string_view, 6> kDefaults = {"6.0", "7.0", "10", "1", "15", ""};

// A number of the whole text (a decimal point or comma), not negative and below a sane bound;
// nothing otherwise.
std::optional<double> Number(const std::string& written, double most) {
  const std::string text = ReplaceText(written, ",", ".");
  double value = 0;
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, value);
  if (text.empty() || error != std::errc() || stop != end || !(value >= 0) || value > most)
    return std::nullopt;
  return value;
}

// Groups of events that share one cooldown.
enum Group { kLost, kResync, kLow, kUnreachable, kRecovery, kGroups };

std::string DetailValue(const std::string& detail, std::string_view key) {
  const std::string mark = std::string(key) + "=";
  for (std::size_t at = detail.find(mark); at != std::string::npos; at = detail.find(mark, at + 1))
    if (at == 0 || detail[at - 1] == ' ')
      return detail.substr(at + mark.size(), detail.find(' ', at) - at - mark.size());
  return "";
}

std::string Duration(const std::string& seconds_text) {
  const int64_t seconds = ParseInteger(seconds_text);
  if (seconds < 60) return IntegerToText(static_cast<int32_t>(seconds)) + " s";
  if (seconds < 3600) {
    return IntegerToText(static_cast<int32_t>(seconds / 60)) + " min " +
           IntegerToText(static_cast<int32_t>(seconds % 60)) + " s";
  }
  return IntegerToText(static_cast<int32_t>(seconds / 3600)) + " h " +
         IntegerToText(static_cast<int32_t>(seconds % 3600 / 60)) + " min";
}

std::string Rates(const std::string& detail, std::string_view prefix) {
  return DetailValue(detail, std::string(prefix) + "down_kbps") + "/" +
         DetailValue(detail, std::string(prefix) + "up_kbps") + " kbps";
}

std::string Margin(const std::string& detail) {
  const std::string direction =
      DetailValue(detail, "direction") == "up" ? "upstream" : "downstream";
  return direction + " SNR margin " + DetailValue(detail, "snr_db") + " dB";
}

// One line for a reason of MQTT_FAILED.
std::string MqttFailureText(const std::string& reason) {
  if (reason == "not_authorised") return "MQTT: the broker refused the user name or password";
  if (reason == "certificate")
    return "MQTT: the broker's certificate is not trusted (or TLS failed)";
  if (reason == "no_tls") return "MQTT: mqtts:// is not available in this program; use mqtt://";
  return "MQTT: the broker refused the connection";
}

}  // namespace

AlertsLoaded LoadAlerts(FileSystem& fs, std::string_view settings_file) {
  return ReadAlerts(IniFile(fs, settings_file));
}

std::string AlertValueProblem(std::string_view key, const std::string& text) {
  if (key == kKeys[kSnrLow] || key == kKeys[kSnrRearm])
    return Number(text, 100) ? "" : "a number of dB from 0 to 100";
  if (key == kKeys[kCrc]) return Number(text, 1e9) ? "" : "a number not below 0";
  if (key == kKeys[kNotify]) return text == "0" || text == "1" ? "" : "0 (off) or 1 (on)";
  if (key == kKeys[kCooldown] &&
      (!Number(text, 525600) || text.find_first_not_of("0123456789") != std::string::npos))
    return "a whole number of minutes from 0 to 525600";
  return "";
}

bool AlertMarginsAgree(const std::string& low_text, const std::string& rearm_text) {
  const double low = Number(low_text, 100).value_or(*Number(std::string(kDefaults[kSnrLow]), 100));
  const double rearm =
      Number(rearm_text, 100).value_or(*Number(std::string(kDefaults[kSnrRearm]), 100));
  return rearm >= low;
}

AlertsLoaded ReadAlerts(const IniFile& settings_file) {
  AlertsLoaded loaded;
  std::array<std::string, 6> text;
  for (std::size_t i = 0; i < kKeys.size(); ++i)
    text[i] = settings_file.Read(kAlertsGroup, kKeys[i], kDefaults[i]);
  // Each threshold falls back alone first; a pair that then disagrees (a re-arm below the low
  // one, which would give an event at every poll) falls back to both defaults.
  const bool margins_agree = AlertMarginsAgree(text[kSnrLow], text[kSnrRearm]);
  if (!margins_agree)
    loaded.problem = "ALERTS: snr_rearm_db below snr_low_db: using " +
                     std::string(kDefaults[kSnrLow]) + " and " + std::string(kDefaults[kSnrRearm]);
  std::array<bool, 6> valid{};
  for (std::size_t i = 0; i < kKeys.size(); ++i)
    valid[i] = AlertValueProblem(kKeys[i], text[i]).empty() && (i > kSnrRearm || margins_agree);
  for (std::size_t i = 0; i < kKeys.size(); ++i)
    loaded.stored[i] = {kKeys[i], valid[i] ? text[i] : std::string(kDefaults[i])};
  AlertSettings& settings = loaded.settings;
  const auto value = [&loaded](Key key) { return *Number(loaded.stored[key].second, 1e9); };
  settings.thresholds = {value(kSnrLow), value(kSnrRearm), value(kCrc)};
  settings.notify = loaded.stored[kNotify].second == "1";
  settings.cooldown_minutes = static_cast<int32_t>(value(kCooldown));
  settings.webhook = loaded.stored[kWebhook].second;
  return loaded;
}

void StoreAlerts(IniFile& settings_file, const AlertsLoaded& alerts) {
  for (const auto& [key, text] : alerts.stored) settings_file.Write(kAlertsGroup, key, text);
}

std::string Notifier::Message(const LineEvent& event) {
  const std::string& detail = event.detail;
  switch (event.kind) {
    case LineEventKind::kGatewayUnreachable:
      return "Gateway unreachable";
    case LineEventKind::kGatewayBack:
      return "Gateway reachable again after " + Duration(DetailValue(detail, "outage_s"));
    case LineEventKind::kPageNotRecognised:
      return "Status page not recognised: check the preset and the password";
    case LineEventKind::kPageRecognised:
      return "Status page recognised again";
    case LineEventKind::kSyncLost:
      return "ADSL line lost sync";
    case LineEventKind::kSyncBack:
      return "ADSL line back in sync at " + Rates(detail, "") + " after " +
             Duration(DetailValue(detail, "outage_s"));
    case LineEventKind::kRetrain:
      return "ADSL line retrained at " + Rates(detail, "") + " (was " + Rates(detail, "old_") + ")";
    case LineEventKind::kSnrLow:
      return "Low " + Margin(detail) + " (below " + DetailValue(detail, "threshold_db") + " dB)";
    case LineEventKind::kSnrOk:
      return "The " + Margin(detail) + " is fine again";
    case LineEventKind::kCrcBurst:
      return "CRC errors: " + DetailValue(detail, "crc_per_minute") + " per minute";
    case LineEventKind::kWebhookFailed:
      return "Webhook failed: " + DetailValue(detail, "reason");
    case LineEventKind::kOutputFileFailed:
      return "Cannot write the data log";
    case LineEventKind::kOutputFileBack:
      return "The data log is written again";
    case LineEventKind::kRateChange:
      return "ADSL line rate changed to " + Rates(detail, "") + " (was " + Rates(detail, "old_") +
             ")";
    case LineEventKind::kMqttFailed:
      return MqttFailureText(DetailValue(detail, "reason"));
  }
  return std::string(LineEventName(event.kind));
}

bool Notifier::Allow(int group, int64_t time) {
  std::optional<int64_t>& last = last_told_[static_cast<std::size_t>(group)];
  const int64_t cooldown = static_cast<int64_t>(settings_.cooldown_minutes) * 60;
  // A clock that went back starts the cooldown again rather than holding every notice.
  if (last && time >= *last && time < *last + cooldown) return false;
  last = time;
  return true;
}

std::optional<Notice> Notifier::NoticeFor(const LineEvent& event, int64_t time) {
  const std::size_t direction = DetailValue(event.detail, "direction") == "up" ? 1 : 0;
  int group = kGroups;
  switch (event.kind) {
    case LineEventKind::kSyncLost:
      group = kLost;
      break;
    case LineEventKind::kSyncBack:
    case LineEventKind::kRetrain:
      group = kResync;
      break;
    case LineEventKind::kSnrLow:
      group = kLow;
      break;
    case LineEventKind::kSnrOk:
      group = std::exchange(snr_low_told_[direction], false) ? kRecovery : kGroups;
      break;
    case LineEventKind::kGatewayBack:
      unreachable_pending_ = false;
      group = std::exchange(unreachable_told_, false) ? kRecovery : kGroups;
      break;
    case LineEventKind::kGatewayUnreachable:
      unreachable_pending_ = true;
      break;
    default:
      break;
  }
  if (group == kGroups || !Allow(group, time)) return std::nullopt;
  if (event.kind == LineEventKind::kSnrLow) snr_low_told_[direction] = true;
  return Notice{"Verdalin", Message(event)};
}

std::vector<Notice> Notifier::Poll(int64_t time, PollOutcome outcome,
                                   const std::vector<LineEvent>& events) {
  failures_in_a_row_ = outcome == PollOutcome::kUnreachable ? failures_in_a_row_ + 1 : 0;
  std::vector<Notice> notices;
  for (const LineEvent& event : events)
    if (auto notice = NoticeFor(event, time)) notices.push_back(*notice);
  // An unreachable gateway is told at the second failed poll in a row: one lost page is noise.
  if (unreachable_pending_ && failures_in_a_row_ >= 2) {
    unreachable_pending_ = false;
    unreachable_told_ = Allow(kUnreachable, time);
    if (unreachable_told_) notices.push_back({"Verdalin", "Gateway unreachable"});
  }
  if (!settings_.notify) notices.clear();
  return notices;
}

}  // namespace verdalin
