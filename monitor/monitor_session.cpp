// The monitor session: schedule, reading, data log, line events, their log and notices.
#include "monitor/monitor_session.h"

#include "base/date_format.h"
#include "monitor/csv_log.h"
#include "monitor/event_log.h"

namespace verdalin {

MonitorSession::MonitorSession(const SessionServices& services, const AlertSettings& alerts)
    : services_(services),
      data_files_(services.files),
      detector_(alerts.thresholds),
      notifier_(alerts) {}

bool MonitorSession::Start(const MonitorConfig& config) {
  if (!services_.timer.Start(config.period_ms)) return false;
  Poll(config);
  return true;
}

void MonitorSession::StartRegardless(const MonitorConfig& config) {
  services_.timer.Start(config.period_ms);
  Poll(config);
}

void MonitorSession::Stop() {
  services_.timer.Stop();
}

void MonitorSession::Tick(const MonitorConfig& config) {
  Poll(config);
}

void MonitorSession::Poll(const MonitorConfig& config) {
  if (busy_) return;
  busy_ = true;
  config_ = config;
  time_ = CurrentDate(services_.clock);
  started_ = services_.monotonic.Now();
  LineSource& source = services_.sources.For(config_);
  worker_.Start([&source, config](CancelToken& cancel) { return source.Read(config, cancel); },
                services_.fetched);
}

std::optional<PollResult> MonitorSession::Finish() {
  if (!busy_) return std::nullopt;
  busy_ = false;
  LineReading reading = worker_.TakeReading();
  PollResult result;
  result.config = config_;
  result.time = time_;
  result.seconds = static_cast<double>((services_.monotonic.Now() - started_).count()) / 1000;
  result.outcome = reading.outcome;
  result.sample = std::move(reading.sample);
  result.problem = std::move(reading.problem);
  if (result.outcome != PollOutcome::kUnreachable) {
    const LocaleNumbers numbers{services_.numbers, services_.locale};
    result.row_written = AppendLogRow(data_files_, services_.files, config_.output_file,
                                      result.sample, TimestampText(time_), numbers);
  }
  LogEvents(result);
  result.end_time = CurrentDate(services_.clock);
  return result;
}

// Each event goes into the event log beside the data log; a log that cannot be written is tried
// again at the next event.
void MonitorSession::LogEvents(PollResult& result) {
  result.events = detector_.Feed(result.time, result.outcome, result.sample);
  // A data log that cannot be written is told once, and again when it can.
  if (result.outcome != PollOutcome::kUnreachable && result.row_written != rows_written_) {
    rows_written_ = result.row_written;
    result.events.push_back(
        {rows_written_ ? LineEventKind::kOutputFileBack : LineEventKind::kOutputFileFailed,
         result.time, ""});
  }
  for (const LineEvent& event : result.events)
    result.event_log_failed = !Record(event, config_.output_file) || result.event_log_failed;
  result.notices = notifier_.Poll(result.time, result.outcome, result.events);
}

bool MonitorSession::Record(const LineEvent& event, const std::string& data_log) {
  return AppendEventRow(data_files_, services_.files, EventLogPath(data_log), event);
}

bool MonitorSession::End(std::chrono::milliseconds wait) {
  worker_.Cancel();
  const bool ended = worker_.FinishOrLeave(wait);
  busy_ = false;
  return ended;
}

}  // namespace verdalin
