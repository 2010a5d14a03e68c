// What the program knows of the line, published after each poll, and its two outside views: the
// Prometheus text exposition and the status JSON.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <string_view>

#include "monitor/line_events.h"
#include "monitor/line_sample.h"
#include "monitor/monitor_session.h"

namespace verdalin {

// An event with the moment it happened as the world counts it (seconds since 1970 UTC), for
// outside tools, beside the local time of the logs.
struct StampedEvent {
  LineEvent event;
  int64_t unix_time = 0;
};

struct LineSnapshot {
  bool polled = false;  // a poll has ended
  PollOutcome last_outcome = PollOutcome::kUnreachable;
  int64_t last_poll_unix_time = 0;
  double last_poll_seconds = 0;
  bool have_sample = false;  // a poll found values
  LineSample sample;         // the last values found
  double subscribed_kbps = 0;
  double quality_percent = 0;
  std::array<int64_t, 3> polls{};  // by outcome: ok, unreachable, unrecognised
  int64_t resyncs_total = 0;
  int64_t resyncs_today = 0;
  int64_t last_sync_change_unix_time = 0;  // 0: none yet
  std::array<int64_t, kLineEventKinds> events_by_kind{};
  std::deque<StampedEvent> recent_events;  // the latest kRecentEvents, oldest first
  // What the history report is made of: never served as such.
  std::string data_log;
  AlertThresholds thresholds;

  static constexpr std::size_t kRecentEvents = 50;
  void Count(const LineEvent& event, int64_t unix_time);
};

// What a poll changes in the snapshot: its outcome, time and duration, the sample and its quality
// index, the data log and subscribed rate it was made with, and the resync counts. Its events are
// counted one by one with LineSnapshot::Count.
void RecordPoll(LineSnapshot& snapshot, const PollResult& result, int64_t unix_time,
                const LineEventDetector& detector);

// Hands snapshots from the loop to the threads that serve them.
class MetricsBoard {
 public:
  void Publish(const LineSnapshot& snapshot) {
    std::lock_guard lock(mutex_);
    snapshot_ = snapshot;
  }
  LineSnapshot Read() const {
    std::lock_guard lock(mutex_);
    return snapshot_;
  }

 private:
  mutable std::mutex mutex_;
  LineSnapshot snapshot_;
};

// The Prometheus text exposition: the names of OpenWrt's DSL collector for the line (none before
// a poll found values), and the program's own series.
std::string PrometheusText(const LineSnapshot& snapshot, std::string_view version);
// The last sample, the last poll's result and time, the resync counts and the latest events.
std::string StatusJson(const LineSnapshot& snapshot);

// A label value as the exposition format writes it: UTF-8, with \, " and line feeds escaped.
std::string PrometheusLabel(std::string_view text);

}  // namespace verdalin
