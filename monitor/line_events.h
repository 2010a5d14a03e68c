// Line events: what changed on the line between two polls, found from each poll's outcome.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "monitor/line_sample.h"

namespace verdalin {

enum class LineEventKind {
  kGatewayUnreachable,
  kGatewayBack,
  kPageNotRecognised,
  kPageRecognised,
  kSyncLost,
  kSyncBack,
  kRetrain,
  kSnrLow,
  kSnrOk,
  kCrcBurst,
  kWebhookFailed,     // not found by the detector: the webhook sender reports it
  kOutputFileFailed,  // the session: a row could not be written to the data log
  kOutputFileBack,    // the session: rows are written to the data log again
  kRateChange,        // the rates changed while the line stayed up (seamless rate adaptation)
  kMqttFailed,        // not found by the detector: the MQTT publisher reports it
};
inline constexpr int kLineEventKinds = 15;

// "GATEWAY_UNREACHABLE", "SYNC_BACK", ...
std::string_view LineEventName(LineEventKind kind);
// The kind of a name as the event log writes it; nothing for an unknown name.
std::optional<LineEventKind> LineEventFromName(std::string_view name);

struct LineEvent {
  LineEventKind kind = LineEventKind::kGatewayUnreachable;
  int64_t time = 0;    // local wall-clock seconds, as the poll's date value
  std::string detail;  // "key=value" pairs separated by blanks, numbers with a "." decimal point
};

// How a poll ended.
enum class PollOutcome {
  kUnreachable,   // nothing fetched: "CONNECTION ERROR"
  kUnrecognised,  // a page came, but not the selected model's values
  kSample,        // values found
};

struct AlertThresholds {
  double snr_low_db = 6.0;     // a margin below this is low
  double snr_rearm_db = 7.0;   // and is fine again only above this
  double crc_per_minute = 10;  // CRC errors per minute that make a burst
};

// Keeps the previous poll's state and tells what changed. Polls are fed in order; times may
// step backwards (clock changes): durations then count 0 and the detail says clock_step=1.
class LineEventDetector {
 public:
  explicit LineEventDetector(const AlertThresholds& thresholds = {});
  // Thresholds for the polls fed from now on.
  void SetThresholds(const AlertThresholds& thresholds) { thresholds_ = thresholds; }

  // The events of one poll, in a fixed order; at most kMaxEventsPerPoll. `sample` is read only
  // for kSample.
  std::vector<LineEvent> Feed(int64_t time, PollOutcome outcome, const LineSample& sample);

  static constexpr std::size_t kMaxEventsPerPoll = 6;

  // Resyncs (SYNC_BACK or RETRAIN) since the detector was made, and since the local midnight of
  // the last poll fed.
  int64_t ResyncsTotal() const { return resyncs_total_; }
  int64_t ResyncsToday() const { return resyncs_today_; }
  // The time of the last SYNC_LOST, SYNC_BACK or RETRAIN; 0 before one.
  int64_t LastSyncChange() const { return last_sync_change_; }

 private:
  void Emit(LineEventKind kind, std::string detail);
  void FeedReachable(PollOutcome outcome);
  void FeedSample(const LineSample& sample);
  void FeedSync(const LineSample& sample);
  void FeedStayedInSync(const LineSample& sample);
  void FeedSnr(const LineSample& sample);
  void FeedCrc(const LineSample& sample);
  void CountResync();
  // Seconds since `since`, 0 (and a note in the detail) when the clock went backwards.
  std::string Duration(std::string_view key, int64_t since) const;

  AlertThresholds thresholds_;
  std::vector<LineEvent> out_;  // the events of the poll being fed
  int64_t now_ = 0;
  bool fed_ = false;
  bool unreachable_ = false;
  int64_t unreachable_since_ = 0;
  bool page_known_ = false;
  bool recognised_ = true;
  bool have_sample_ = false;
  LineSample last_sample_;  // the last sample with values
  int64_t last_sample_time_ = 0;
  bool in_sync_ = true;  // before the first sample the line counts as in sync
  int64_t out_of_sync_since_ = 0;
  std::array<bool, 2> snr_low_{};  // down, up
  int64_t resyncs_total_ = 0;
  int64_t resyncs_today_ = 0;
  int64_t today_ = 0;  // the local day of the last poll
  int64_t last_sync_change_ = 0;
};

}  // namespace verdalin
