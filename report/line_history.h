// The line's history from the logs: rows of a period, their events and the counts of the summary.
#pragma once

#include <cstdint>
#include <functional>
#include <limits>
#include <memory>
#include <optional>
#include <vector>

#include "monitor/line_events.h"
#include "report/log_reader.h"

namespace verdalin {

inline constexpr int32_t kDaySeconds = 86400;

// The midnight of the day of `time`, rounding down before 1970 too.
int64_t DayStart(int64_t time);

// Dates from `from` to `to`, both included.
struct HistoryPeriod {
  int64_t from = std::numeric_limits<int64_t>::min();
  int64_t to = std::numeric_limits<int64_t>::max();
  bool Holds(int64_t time) const { return time >= from && time <= to; }
};

void KeepRowsInPeriod(DataLog& log, const HistoryPeriod& period);

// Takes out the rows whose dates lie far outside the log's main run, and gives their count: a row
// more than a year away from each row beside it in the file, and, when the log has rows with
// likely dates, the rows dated before 2000 or more than a day after `now` (0: no such bound).
// Dates are read as they say, before 1970 too: a log whose rows all lie there keeps them.
int64_t TakeOutOddDates(std::vector<LogRow>& rows, int64_t now);

// A date before 2000 or more than a day after `now` (0: no such bound).
bool UnlikelyDate(int64_t time, int64_t now);

// Tells, one row late, whether each row given in file order lies more than a year away from both
// rows beside it (the first and last rows have a single neighbour). `judge` false: none does (a
// log of fewer than three rows).
class IsolatedRows {
 public:
  using Sink = std::function<void(const LogRow& row, bool isolated)>;
  explicit IsolatedRows(bool judge) : judge_(judge) {}
  void Push(const LogRow& row, const Sink& sink);
  void Finish(const Sink& sink);

 private:
  bool judge_;
  std::optional<int64_t> before_;
  std::optional<LogRow> current_;
};
void KeepEventsInPeriod(std::vector<LineEvent>& events, const HistoryPeriod& period);

// A row with no value at all is a page the parser did not recognise: not in sync, no mode, no
// firmware, zero rates, decibels and errors (the device name does not count: the parser writes its
// own whatever the page held). Any other row is a sample, in sync or not.
PollOutcome OutcomeOf(const LogRow& row, const DataLog& log);
// The row's values as the poll had them (texts left empty); an empty decibel column is NaN.
LineSample SampleOf(const LogRow& row);

// The usual time between polls: the median of the steps forward between rows; 60 s with fewer
// than two rows.
int32_t UsualInterval(const std::vector<LogRow>& rows);

// The median of steps given one by one, exact; past kExactSteps steps they are counted by value,
// steps longer than kLongestCountedStep counting as that (which moves the median only when it is
// that long itself). 60 s without a step.
class StepMedian {
 public:
  static constexpr std::size_t kExactSteps = 1 << 18;
  static constexpr int32_t kLongestCountedStep = 1 << 18;
  void Add(int64_t step);
  int32_t Median();

 private:
  std::vector<int32_t> steps_;
  std::vector<int64_t> counts_;  // by step, once the steps are too many to keep
  int64_t counted_ = 0;
};

// A silence longer than this is taken for the program not running (computer off or asleep),
// shorter ones for polls that did not reach the gateway.
inline constexpr int32_t kLongestOutageGap = 2 * 3600;

// The events the detector finds in the rows, fed in the order of the polls. A silence longer
// than twice the interval and at most kLongestOutageGap is fed as one unreachable poll, an
// interval after the row before it, so that it gives GATEWAY_UNREACHABLE and GATEWAY_BACK.
std::vector<LineEvent> DeriveEvents(const DataLog& log, int32_t interval,
                                    const AlertThresholds& thresholds);

// The same, row by row in file order.
class EventDeriver {
 public:
  EventDeriver(int32_t interval, const AlertThresholds& thresholds)
      : interval_(interval), detector_(thresholds) {}
  void Feed(const LogRow& row, const DataLog& log, std::vector<LineEvent>& events);

 private:
  int32_t interval_;
  LineEventDetector detector_;
  std::optional<int64_t> before_;
};

struct HistoryCounts {
  int64_t polls = 0;          // data rows
  int64_t polls_in_sync = 0;  // rows with Connected 1
  int64_t missed_polls = 0;   // polls that did not reach the gateway (and wrote no row)
  int64_t resyncs = 0;        // SYNC_BACK and RETRAIN
  int64_t seconds_below_snr_low = 0;
  int64_t crc_errors = 0;
  std::array<int32_t, 2> lowest_snr{kNoValue, kNoValue};  // down, up, in hundredths of dB

  double SyncPercent() const;
  double GatewayPercent() const;
};

struct DayHistory {
  int64_t start = 0;  // date value of the day's midnight
  HistoryCounts counts;
};

struct LineHistory {
  HistoryCounts total;
  std::vector<DayHistory> days;  // the days with a row or an event, in order
  int64_t first = 0;             // the earliest and latest row
  int64_t last = 0;
  int32_t interval = 60;
  uint32_t device = 0;  // texts of the latest row that has them
  uint32_t firmware = 0;
  uint32_t mode_type = 0;
  // Per row, in file order: CRC errors per minute in hundredths, from the counter's growth since
  // the row before when both are in sync and no more than twice the interval apart; kNoValue
  // otherwise and after a counter that went down (a restart).
  std::vector<int32_t> crc_per_minute;
  std::vector<int64_t> resync_times;
};

// Counts the rows and events (both already limited to one period). Availability rules:
// - in sync: the share of rows with Connected 1;
// - gateway reached: rows / (rows + missed polls), the missed polls being those of each outage
//   from GATEWAY_UNREACHABLE to GATEWAY_BACK, one per interval, in `events`, which come from the
//   event log or, without one, from DeriveEvents (which makes outages of the short gaps). An
//   outage with no GATEWAY_BACK ends at the next row, and counts at most kLongestOutageGap.
// Time below the SNR low threshold: each row in sync with a margin (either way) under the
// threshold counts the time to the next row, or one interval when the next row is further than
// two intervals away.
LineHistory SummariseHistory(const DataLog& log, const std::vector<LineEvent>& events,
                             const AlertThresholds& thresholds);

// For each time asked, the earliest row after it, whatever order the rows come in.
class NextRowTimes {
 public:
  explicit NextRowTimes(std::vector<int64_t> asked);
  void Note(int64_t row_time);
  // After the last row: the earliest row after `time` (one of those asked), if any.
  std::optional<int64_t> After(int64_t time);

 private:
  std::vector<int64_t> asked_;  // ascending
  std::vector<int64_t> earliest_;
  bool settled_ = false;
};

// The counts of SummariseHistory taken row by row in file order, for a log too long to hold:
// `events` are those known before the rows (the event log's; none when derived as they come).
class HistoryTally {
 public:
  HistoryTally(const DataLog& log, const AlertThresholds& thresholds, int32_t interval,
               const std::vector<LineEvent>& events);
  ~HistoryTally();
  // Counts `row`, given the rows beside it in the file (nullptr at either end); gives its CRC
  // errors per minute in hundredths, or kNoValue.
  int32_t CountRow(const LogRow* before, const LogRow& row, const LogRow* after);
  // Counts the events and gives the history, crc_per_minute left empty.
  LineHistory Finish(const std::vector<LineEvent>& events);

 private:
  class Counter;
  std::unique_ptr<Counter> counter_;
};

}  // namespace verdalin
