// The line's history: rows and events of a period, the events the detector derives, the counts.
#include "report/line_history.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <map>

namespace verdalin {

int64_t DayStart(int64_t time) {
  const int64_t day = time / kDaySeconds - (time % kDaySeconds < 0 ? 1 : 0);
  return day * kDaySeconds;
}

namespace {

bool IsZero(int32_t value) {
  return value == 0 || value == kNoValue;
}

// The counter's growth from `before` to `after`: counters are 32-bit and wrap, so a step forward
// of less than 2^31 modulo 2^32 is growth; a larger one is a counter that started again.
std::optional<uint32_t> CounterGrowth(int32_t before, int32_t after) {
  const uint32_t step = static_cast<uint32_t>(after) - static_cast<uint32_t>(before);
  if (step >= 0x80000000u) return std::nullopt;
  return step;
}

void KeepLowest(int32_t& lowest, int32_t value) {
  if (value != kNoValue && (lowest == kNoValue || value < lowest)) lowest = value;
}

}  // namespace

class HistoryTally::Counter {
 public:
  Counter(const DataLog& log, const AlertThresholds& thresholds, int32_t interval,
          const std::vector<LineEvent>& events)
      : log_(log), thresholds_(thresholds), next_rows_(UnreachableTimes(events)) {
    history_.interval = interval;
  }

  int32_t CountRow(const LogRow* before, const LogRow& row, const LogRow* after) {
    NoteTexts(row);
    NoteTime(row.time);
    const bool in_sync = InSync(row);
    const int64_t below = in_sync && BelowSnrLow(row) ? SpanOf(row, after) : 0;
    int32_t per_minute = kNoValue;
    const int64_t growth = in_sync && before != nullptr ? CountCrc(*before, row, per_minute) : 0;
    Add(row.time, [&](HistoryCounts& counts) {
      ++counts.polls;
      counts.polls_in_sync += row.connected ? 1 : 0;
      counts.seconds_below_snr_low += below;
      counts.crc_errors += growth;
      if (!in_sync) return;
      KeepLowest(counts.lowest_snr[0], row.centi_db[kSnrLocal]);
      KeepLowest(counts.lowest_snr[1], row.centi_db[kSnrDistant]);
    });
    return per_minute;
  }

  LineHistory Finish(const std::vector<LineEvent>& events) {
    CountEvents(events);
    for (const auto& [start, counts] : days_) history_.days.push_back({start, counts});
    return std::move(history_);
  }

 private:
  static std::vector<int64_t> UnreachableTimes(const std::vector<LineEvent>& events) {
    std::vector<int64_t> times;
    for (const LineEvent& event : events)
      if (event.kind == LineEventKind::kGatewayUnreachable) times.push_back(event.time);
    return times;
  }

  // Applies `change` to the total and to the counts of the day of `time`.
  template <typename Change>
  void Add(int64_t time, Change change) {
    const int64_t day = DayStart(time);
    if (day_counts_ == nullptr || day != day_) {
      day_ = day;
      day_counts_ = &days_[day];
    }
    change(history_.total);
    change(*day_counts_);
  }

  void NoteTime(int64_t time) {
    next_rows_.Note(time);
    history_.first = any_row_ ? std::min(history_.first, time) : time;
    history_.last = any_row_ ? std::max(history_.last, time) : time;
    any_row_ = true;
  }

  bool InSync(const LogRow& row) const {
    return row.connected && OutcomeOf(row, log_) == PollOutcome::kSample;
  }

  int32_t SpanOf(const LogRow& row, const LogRow* after) const {
    if (after == nullptr) return history_.interval;
    const int64_t step = after->time - row.time;
    return step > 0 && step <= 2 * int64_t{history_.interval} ? static_cast<int32_t>(step)
                                                              : history_.interval;
  }

  bool BelowSnrLow(const LogRow& row) const {
    const double low = thresholds_.snr_low_db * 100.0;
    auto below = [low](int32_t value) { return value != kNoValue && value < low; };
    return below(row.centi_db[kSnrLocal]) || below(row.centi_db[kSnrDistant]);
  }

  // The growth of the error counter since the row before, when that row was in sync too; sets
  // the row's rate when the two rows are close enough to make one.
  int64_t CountCrc(const LogRow& before, const LogRow& row, int32_t& per_minute) const {
    if (!InSync(before)) return 0;
    const auto growth = CounterGrowth(before.crc_errors, row.crc_errors);
    if (!growth) return 0;
    const int64_t seconds = row.time - before.time;
    if (seconds > 0 && seconds <= 2 * int64_t{history_.interval}) {
      const double rate = std::round(*growth * 6000.0 / static_cast<double>(seconds));
      per_minute = static_cast<int32_t>(std::min(rate, 2.0e9));
    }
    return *growth;
  }

  void NoteTexts(const LogRow& row) {
    if (row.device != 0) history_.device = row.device;
    if (row.firmware != 0) history_.firmware = row.firmware;
    if (row.connected) history_.mode_type = row.mode_type;
  }

  void CountEvents(const std::vector<LineEvent>& events) {
    bool unreachable = false;
    int64_t since = 0;  // the first poll that failed
    for (const LineEvent& event : events) {
      if (event.kind == LineEventKind::kSyncBack || event.kind == LineEventKind::kRetrain) {
        Add(event.time, [](HistoryCounts& counts) { ++counts.resyncs; });
        history_.resync_times.push_back(event.time);
      } else if (event.kind == LineEventKind::kGatewayUnreachable) {
        if (unreachable) CountOutage(since, NextRowAfter(since));
        unreachable = true;
        since = event.time;
      } else if (event.kind == LineEventKind::kGatewayBack && unreachable) {
        CountOutage(since, event.time);
        unreachable = false;
      }
    }
    if (unreachable) CountOutage(since, NextRowAfter(since));
  }

  // The time of the first row after `time`; one interval later when there is none.
  int64_t NextRowAfter(int64_t time) {
    const int64_t end = next_rows_.After(time).value_or(time + history_.interval);
    return std::min(end, time + kLongestOutageGap);
  }

  // One missed poll per interval from the first failed poll to the first poll that came back.
  void CountOutage(int64_t start, int64_t end) {
    const int64_t interval = history_.interval;
    const int64_t missed = std::max<int64_t>(1, (end - start + interval / 2) / interval);
    Add(start, [missed](HistoryCounts& counts) { counts.missed_polls += missed; });
  }

  const DataLog& log_;
  AlertThresholds thresholds_;
  LineHistory history_;
  NextRowTimes next_rows_;
  bool any_row_ = false;
  std::map<int64_t, HistoryCounts> days_;
  int64_t day_ = 0;
  HistoryCounts* day_counts_ = nullptr;
};

namespace {

double Percent(int64_t part, int64_t whole) {
  return whole > 0 ? 100.0 * static_cast<double>(part) / static_cast<double>(whole) : 0.0;
}

}  // namespace

void KeepRowsInPeriod(DataLog& log, const HistoryPeriod& period) {
  std::erase_if(log.rows, [&period](const LogRow& row) { return !period.Holds(row.time); });
}

void KeepEventsInPeriod(std::vector<LineEvent>& events, const HistoryPeriod& period) {
  std::erase_if(events, [&period](const LineEvent& event) { return !period.Holds(event.time); });
}

bool UnlikelyDate(int64_t time, int64_t now) {
  constexpr int64_t kYear2000 = 10957 * int64_t{kDaySeconds};  // 2000/01/01 00:00:00
  return time < kYear2000 || (now != 0 && time > now + kDaySeconds);
}

void IsolatedRows::Push(const LogRow& row, const Sink& sink) {
  constexpr int64_t kYear = 366 * int64_t{kDaySeconds};
  if (current_) {
    const int64_t time = current_->time;
    const bool isolated =
        (!before_ || std::abs(time - *before_) > kYear) && std::abs(time - row.time) > kYear;
    sink(*current_, judge_ && isolated);
    before_ = time;
  }
  current_ = row;
}

void IsolatedRows::Finish(const Sink& sink) {
  constexpr int64_t kYear = 366 * int64_t{kDaySeconds};
  if (!current_) return;
  const bool isolated = !before_ || std::abs(current_->time - *before_) > kYear;
  sink(*current_, judge_ && isolated);
  current_.reset();
}

int64_t TakeOutOddDates(std::vector<LogRow>& rows, int64_t now) {
  const bool any_likely = std::any_of(
      rows.begin(), rows.end(), [now](const LogRow& row) { return !UnlikelyDate(row.time, now); });
  std::size_t kept = 0;
  const IsolatedRows::Sink keep = [&](const LogRow& row, bool isolated) {
    if (!isolated && !(any_likely && UnlikelyDate(row.time, now))) rows[kept++] = row;
  };
  IsolatedRows isolated(rows.size() >= 3);
  for (const LogRow& row : rows) isolated.Push(row, keep);  // writes one row behind
  isolated.Finish(keep);
  const int64_t taken = static_cast<int64_t>(rows.size() - kept);
  rows.resize(kept);
  return taken;
}

PollOutcome OutcomeOf(const LogRow& row, const DataLog& log) {
  if (row.connected) return PollOutcome::kSample;
  const std::string& mode_type = log.texts[row.mode_type];
  const bool no_text = (mode_type.empty() || mode_type == ":") && row.firmware == 0;
  const bool no_number = IsZero(row.upstream_kbps) && IsZero(row.downstream_kbps) &&
                         row.crc_errors == 0 &&
                         std::all_of(row.centi_db.begin(), row.centi_db.end(), IsZero);
  return no_text && no_number ? PollOutcome::kUnrecognised : PollOutcome::kSample;
}

LineSample SampleOf(const LogRow& row) {
  LineSample sample;
  sample.Connected = row.connected ? 1 : 0;
  auto rate = [](int32_t kbps) { return kbps == kNoValue ? NAN : static_cast<float>(kbps); };
  sample.Upstream_kbps = rate(row.upstream_kbps);
  sample.Downstream_kbps = rate(row.downstream_kbps);
  std::array<float*, 4> decibels = {&sample.Attenuation_local, &sample.Attenuation_distant,
                                    &sample.SNR_local, &sample.SNR_distant};
  for (std::size_t k = 0; k < decibels.size(); ++k) {
    const int32_t value = row.centi_db[k];
    *decibels[k] = value == kNoValue ? NAN : static_cast<float>(value) / 100.0f;
  }
  sample.CRC_errors = row.crc_errors;
  return sample;
}

int32_t UsualInterval(const std::vector<LogRow>& rows) {
  StepMedian steps;
  for (std::size_t i = 1; i < rows.size(); ++i) steps.Add(rows[i].time - rows[i - 1].time);
  return steps.Median();
}

void StepMedian::Add(int64_t step) {
  if (step <= 0) return;
  const int32_t kept = static_cast<int32_t>(std::min<int64_t>(step, INT32_MAX / 4));
  if (counts_.empty() && steps_.size() < kExactSteps) {
    steps_.push_back(kept);
    return;
  }
  if (counts_.empty()) {
    counts_.assign(kLongestCountedStep + 1, 0);
    for (int32_t earlier : steps_) Add(earlier);
    steps_ = {};
  }
  ++counts_[std::min(kept, kLongestCountedStep)];
  ++counted_;
}

int32_t StepMedian::Median() {
  if (!counts_.empty()) {
    int64_t below = 0;
    for (std::size_t step = 0; step < counts_.size(); ++step)
      if ((below += counts_[step]) > counted_ / 2) return static_cast<int32_t>(step);
  }
  if (steps_.empty()) return 60;
  auto middle = steps_.begin() + static_cast<std::ptrdiff_t>(steps_.size() / 2);
  std::nth_element(steps_.begin(), middle, steps_.end());
  return *middle;
}

void EventDeriver::Feed(const LogRow& row, const DataLog& log, std::vector<LineEvent>& events) {
  auto feed = [&](int64_t time, PollOutcome outcome, const LineSample& sample) {
    for (LineEvent& event : detector_.Feed(time, outcome, sample))
      events.push_back(std::move(event));
  };
  if (before_) {
    const int64_t gap = row.time - *before_;
    if (gap > 2 * int64_t{interval_} && gap <= kLongestOutageGap)
      feed(*before_ + interval_, PollOutcome::kUnreachable, LineSample{});
  }
  before_ = row.time;
  feed(row.time, OutcomeOf(row, log), SampleOf(row));
}

std::vector<LineEvent> DeriveEvents(const DataLog& log, int32_t interval,
                                    const AlertThresholds& thresholds) {
  EventDeriver deriver(interval, thresholds);
  std::vector<LineEvent> events;
  for (const LogRow& row : log.rows) deriver.Feed(row, log, events);
  return events;
}

NextRowTimes::NextRowTimes(std::vector<int64_t> asked) : asked_(std::move(asked)) {
  std::sort(asked_.begin(), asked_.end());
  asked_.erase(std::unique(asked_.begin(), asked_.end()), asked_.end());
  earliest_.assign(asked_.size(), std::numeric_limits<int64_t>::max());
}

// A row is after every time asked below it: it is kept at the last of them, and each time asked
// takes the earliest row kept at it or at any later time asked.
void NextRowTimes::Note(int64_t row_time) {
  const auto below = std::lower_bound(asked_.begin(), asked_.end(), row_time) - asked_.begin();
  if (below > 0) {
    int64_t& earliest = earliest_[static_cast<std::size_t>(below - 1)];
    earliest = std::min(earliest, row_time);
  }
}

std::optional<int64_t> NextRowTimes::After(int64_t time) {
  if (!settled_) {
    for (std::size_t i = earliest_.size(); i-- > 1;)
      earliest_[i - 1] = std::min(earliest_[i - 1], earliest_[i]);
    settled_ = true;
  }
  const auto at = std::lower_bound(asked_.begin(), asked_.end(), time);
  if (at == asked_.end() || *at != time) return std::nullopt;
  const int64_t earliest = earliest_[static_cast<std::size_t>(at - asked_.begin())];
  if (earliest == std::numeric_limits<int64_t>::max()) return std::nullopt;
  return earliest;
}

HistoryTally::HistoryTally(const DataLog& log, const AlertThresholds& thresholds, int32_t interval,
                           const std::vector<LineEvent>& events)
    : counter_(std::make_unique<Counter>(log, thresholds, interval, events)) {}

HistoryTally::~HistoryTally() = default;

int32_t HistoryTally::CountRow(const LogRow* before, const LogRow& row, const LogRow* after) {
  return counter_->CountRow(before, row, after);
}

LineHistory HistoryTally::Finish(const std::vector<LineEvent>& events) {
  return counter_->Finish(events);
}

double HistoryCounts::SyncPercent() const {
  return Percent(polls_in_sync, polls);
}

double HistoryCounts::GatewayPercent() const {
  return Percent(polls, polls + missed_polls);
}

LineHistory SummariseHistory(const DataLog& log, const std::vector<LineEvent>& events,
                             const AlertThresholds& thresholds) {
  const std::vector<LogRow>& rows = log.rows;
  HistoryTally tally(log, thresholds, UsualInterval(rows), events);
  std::vector<int32_t> crc_per_minute(rows.size());
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const LogRow* before = i > 0 ? &rows[i - 1] : nullptr;
    const LogRow* after = i + 1 < rows.size() ? &rows[i + 1] : nullptr;
    crc_per_minute[i] = tally.CountRow(before, rows[i], after);
  }
  LineHistory history = tally.Finish(events);
  history.crc_per_minute = std::move(crc_per_minute);
  return history;
}

}  // namespace verdalin
