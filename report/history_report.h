// The history report: one self-contained HTML page of the line's history, with its charts, the
// day-by-day table, the events and a machine-readable summary.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "monitor/line_events.h"
#include "report/line_history.h"
#include "report/log_reader.h"

namespace verdalin {

// The events listed at most on the page (the latest ones); the counts take them all.
inline constexpr std::size_t kMostListedEvents = 5000;

struct ReportRequest {
  DataLog log;
  // The event log's events; nothing when there is no event log (they are then derived from the
  // rows by the line-event detector).
  std::optional<std::vector<LineEvent>> events;
  int64_t events_skipped = 0;  // lines of the event log that were not events
  HistoryPeriod period;        // the rows and events outside are left out
  int32_t subscribed_kbps = 0;
  std::array<std::optional<double>, 2> attainable_kbps{};  // the last poll's, down and up
  AlertThresholds thresholds;
  std::string version;  // the program's version text
  int64_t made_at = 0;  // date value the report was made
  // Rows with odd dates already taken out of `log` (TakeOutOddDates); -1: not looked for yet.
  int64_t odd_dates = -1;
};

// The subscribed rate the window shows and the settings file holds until the user types one (the
// settings' default downstream rate). The program writes it back at each exit, so it says nothing
// of the line.
inline constexpr int32_t kUntouchedSubscribedKbps = 8192;

// Whether the subscribed rate is one the user set: neither none (0 or less) nor the untouched
// default, which the program stores whether or not the user typed it. Only such a rate is drawn.
bool SubscribedRateSet(int32_t kbps);

// The page, UTF-8. It fetches nothing: the library, styles, script and data are all inside.
std::string BuildHistoryReport(ReportRequest request);

// A data log too long to hold, read from its start each time asked.
class RowSource {
 public:
  using Sink = std::function<void(const LogRow& row, const DataLog& texts)>;
  virtual ~RowSource() = default;
  // Gives each row in file order with the texts read so far; after the last, the texts and the
  // count of lines that were not rows (no row), or nothing when the log cannot be read.
  virtual std::optional<DataLog> Read(const Sink& sink) = 0;
};

// The same page from `source` (request.log unused), read twice and counted as it goes: the
// first reading finds the log's main run and usual interval, the second counts the rows and
// draws bounded series (ChartStream). Nothing when the log cannot be read or holds no row in the
// period.
std::optional<std::string> BuildStreamedReport(ReportRequest request, RowSource& source);

}  // namespace verdalin
