// The monitor session: the poll's schedule, the reading on its own thread, the data log, the line
// events with their log and notices; what a window or a server then shows of it is not its affair.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "base/clock.h"
#include "base/file_layer.h"
#include "base/file_system.h"
#include "base/locale_number.h"
#include "base/timer.h"
#include "monitor/alerts.h"
#include "monitor/fetch_worker.h"
#include "monitor/line_events.h"
#include "monitor/line_sources.h"
#include "monitor/monitor_config.h"

namespace verdalin {

// What one poll found and did.
struct PollResult {
  MonitorConfig config;  // the snapshot it was made with
  int64_t time = 0;      // its date value, taken before the reading
  int64_t end_time = 0;  // the date value when it ended
  double seconds = 0;    // how long it took
  PollOutcome outcome = PollOutcome::kUnreachable;
  LineSample sample;    // the values (zeros unless kSample)
  std::string problem;  // the source's own status text, if any
  bool row_written = false;
  std::vector<LineEvent> events;
  bool event_log_failed = false;  // an event row could not be written
  std::vector<Notice> notices;
};

// The services a session works with; they outlive it.
struct SessionServices {
  const Clock& clock;
  const MonotonicClock& monotonic;
  FileSystem& files;
  NumberFormatService& numbers;
  LocaleSnapshot locale;
  Timer& timer;
  LineSources& sources;
  // Runs on the reading's thread when a reading has ended: it tells the loop to call Finish.
  std::function<void()> fetched;
};

class MonitorSession {
 public:
  MonitorSession(const SessionServices& services, const AlertSettings& alerts);
  MonitorSession(const MonitorSession&) = delete;
  MonitorSession& operator=(const MonitorSession&) = delete;

  // Monitoring on: the timer at the config's period, then a first poll. False, and no poll, when
  // the platform refuses the timer.
  bool Start(const MonitorConfig& config);
  // The same, the first poll running whether or not the timer was taken.
  void StartRegardless(const MonitorConfig& config);
  // Monitoring off. A poll that is reading goes on to its end.
  void Stop();
  // A tick of the timer: a poll with this snapshot, unless one is reading (the tick is dropped).
  void Tick(const MonitorConfig& config);
  // The reading has ended: the row, the events, their rows and notices. Nothing when no poll was
  // reading.
  std::optional<PollResult> Finish();
  bool Busy() const { return busy_; }

  // An event found outside a poll, into the event log beside `data_log`; false when its row could
  // not be written.
  bool Record(const LineEvent& event, const std::string& data_log);

  // Quitting: a reading still running ends without a row.
  void Cancel() { worker_.Cancel(); }
  // The end: a reading still running is cancelled and waited for at most `wait`; false when it
  // had to be left behind (the process must then end soon).
  bool End(std::chrono::milliseconds wait);

  const LineEventDetector& Detector() const { return detector_; }
  // New alert settings for the polls that end from now on.
  void SetAlerts(const AlertSettings& alerts) {
    detector_.SetThresholds(alerts.thresholds);
    notifier_.SetSettings(alerts);
  }

 private:
  void Poll(const MonitorConfig& config);
  void LogEvents(PollResult& result);

  SessionServices services_;
  DataFiles data_files_;
  FetchWorker worker_;
  LineEventDetector detector_;
  Notifier notifier_;
  bool busy_ = false;
  bool rows_written_ = true;  // the last row went into the data log
  MonitorConfig config_;      // of the poll that is reading
  int64_t time_ = 0;
  std::chrono::milliseconds started_{0};
};

}  // namespace verdalin
