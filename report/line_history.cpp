// The line's history: rows and events of a period, the events the detector derives, the counts.
#include "report/line_history.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <map>

namespace verdalin {

namespace {

// The midnight of the day of `time`, rounding down before 1970 too.
int64_t DayStart(int64_t time) {
  const int64_t day = time / kDaySeconds - (time % kDaySeconds < 0 ? 1 : 0);
  return day * kDaySeconds;
}

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

class HistoryCounter {
 public:
  HistoryCounter(const DataLog& log, const AlertThresholds& thresholds)
      : log_(log), rows_(log.rows), thresholds_(thresholds) {
    history_.interval = UsualInterval(rows_);
    sorted_times_.reserve(rows_.size());
    for (const LogRow& row : rows_) sorted_times_.push_back(row.time);
    std::sort(sorted_times_.begin(), sorted_times_.end());
    if (!rows_.empty()) {
      history_.first = sorted_times_.front();
      history_.last = sorted_times_.back();
    }
  }

  LineHistory Count(const std::vector<LineEvent>& events) {
    history_.crc_per_minute.assign(rows_.size(), kNoValue);
    for (std::size_t i = 0; i < rows_.size(); ++i) CountRow(i);
    CountEvents(events);
    for (const auto& [start, counts] : days_) history_.days.push_back({start, counts});
    return std::move(history_);
  }

 private:
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

  bool InSync(std::size_t i) const {
    return rows_[i].connected && OutcomeOf(rows_[i], log_) == PollOutcome::kSample;
  }

  int32_t SpanOf(std::size_t i) const {
    if (i + 1 == rows_.size()) return history_.interval;
    const int64_t step = rows_[i + 1].time - rows_[i].time;
    return step > 0 && step <= 2 * int64_t{history_.interval} ? static_cast<int32_t>(step)
                                                              : history_.interval;
  }

  bool BelowSnrLow(const LogRow& row) const {
    const double low = thresholds_.snr_low_db * 100.0;
    auto below = [low](int32_t value) { return value != kNoValue && value < low; };
    return below(row.centi_db[kSnrLocal]) || below(row.centi_db[kSnrDistant]);
  }

  void CountRow(std::size_t i) {
    const LogRow& row = rows_[i];
    NoteTexts(row);
    const bool in_sync = InSync(i);
    const int64_t below = in_sync && BelowSnrLow(row) ? SpanOf(i) : 0;
    const int64_t growth = in_sync ? CountCrc(i) : 0;
    Add(row.time, [&](HistoryCounts& counts) {
      ++counts.polls;
      counts.polls_in_sync += row.connected ? 1 : 0;
      counts.seconds_below_snr_low += below;
      counts.crc_errors += growth;
      if (!in_sync) return;
      KeepLowest(counts.lowest_snr[0], row.centi_db[kSnrLocal]);
      KeepLowest(counts.lowest_snr[1], row.centi_db[kSnrDistant]);
    });
  }

  // The growth of the error counter since the row before, when that row was in sync too; sets
  // the row's rate when the two rows are close enough to make one.
  int64_t CountCrc(std::size_t i) {
    if (i == 0 || !InSync(i - 1)) return 0;
    const auto growth = CounterGrowth(rows_[i - 1].crc_errors, rows_[i].crc_errors);
    if (!growth) return 0;
    const int64_t seconds = rows_[i].time - rows_[i - 1].time;
    if (seconds > 0 && seconds <= 2 * int64_t{history_.interval}) {
      const double rate = std::round(*growth * 6000.0 / static_cast<double>(seconds));
      history_.crc_per_minute[i] = static_cast<int32_t>(std::min(rate, 2.0e9));
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
  int64_t NextRowAfter(int64_t time) const {
    auto next = std::upper_bound(sorted_times_.begin(), sorted_times_.end(), time);
    const int64_t end = next == sorted_times_.end() ? time + history_.interval : *next;
    return std::min(end, time + kLongestOutageGap);
  }

  // One missed poll per interval from the first failed poll to the first poll that came back.
  void CountOutage(int64_t start, int64_t end) {
    const int64_t interval = history_.interval;
    const int64_t missed = std::max<int64_t>(1, (end - start + interval / 2) / interval);
    Add(start, [missed](HistoryCounts& counts) { counts.missed_polls += missed; });
  }

  const DataLog& log_;
  const std::vector<LogRow>& rows_;
  AlertThresholds thresholds_;
  LineHistory history_;
  std::vector<int64_t> sorted_times_;
  std::map<int64_t, HistoryCounts> days_;
  int64_t day_ = 0;
  HistoryCounts* day_counts_ = nullptr;
};

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

int64_t TakeOutOddDates(std::vector<LogRow>& rows, int64_t now) {
  constexpr int64_t kYear = 366 * int64_t{kDaySeconds};
  constexpr int64_t kYear2000 = 10957 * int64_t{kDaySeconds};  // 2000/01/01 00:00:00
  auto far = [&rows](std::size_t a, std::size_t b) {
    return b >= rows.size() || std::abs(rows[a].time - rows[b].time) > kYear;
  };
  std::vector<bool> odd(rows.size(), false);
  for (std::size_t i = 0; rows.size() >= 3 && i < rows.size(); ++i)
    odd[i] = (i == 0 || far(i, i - 1)) && far(i, i + 1);
  auto unlikely = [now](const LogRow& row) {
    return row.time < kYear2000 || (now != 0 && row.time > now + kDaySeconds);
  };
  const bool any_likely =
      std::any_of(rows.begin(), rows.end(), [&](const LogRow& row) { return !unlikely(row); });
  std::size_t kept = 0;
  for (std::size_t i = 0; i < rows.size(); ++i)
    if (!odd[i] && !(any_likely && unlikely(rows[i]))) rows[kept++] = rows[i];
  const int64_t taken = static_cast<int64_t>(rows.size() - kept);
  rows.resize(kept);
  return taken;
}

PollOutcome OutcomeOf(const LogRow& row, const DataLog& log) {
  if (row.connected) return PollOutcome::kSample;
  const std::string& mode_type = log.texts[row.mode_type];
  const bool no_text = (mode_type.empty() || mode_type == ":") && row.firmware == 0;
  const bool no_number = row.upstream_kbps == 0 && row.downstream_kbps == 0 &&
                         row.crc_errors == 0 &&
                         std::all_of(row.centi_db.begin(), row.centi_db.end(), IsZero);
  return no_text && no_number ? PollOutcome::kUnrecognised : PollOutcome::kSample;
}

LineSample SampleOf(const LogRow& row) {
  LineSample sample;
  sample.Connected = row.connected ? 1 : 0;
  sample.Upstream_kbps = static_cast<float>(row.upstream_kbps);
  sample.Downstream_kbps = static_cast<float>(row.downstream_kbps);
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
  std::vector<int32_t> steps;
  steps.reserve(rows.size());
  for (std::size_t i = 1; i < rows.size(); ++i) {
    const int64_t step = rows[i].time - rows[i - 1].time;
    if (step > 0) steps.push_back(static_cast<int32_t>(std::min<int64_t>(step, INT32_MAX / 4)));
  }
  if (steps.empty()) return 60;
  auto middle = steps.begin() + static_cast<std::ptrdiff_t>(steps.size() / 2);
  std::nth_element(steps.begin(), middle, steps.end());
  return *middle;
}

std::vector<LineEvent> DeriveEvents(const DataLog& log, int32_t interval,
                                    const AlertThresholds& thresholds) {
  LineEventDetector detector(thresholds);
  std::vector<LineEvent> events;
  auto feed = [&](int64_t time, PollOutcome outcome, const LineSample& sample) {
    for (LineEvent& event : detector.Feed(time, outcome, sample))
      events.push_back(std::move(event));
  };
  const LineSample none;
  for (std::size_t i = 0; i < log.rows.size(); ++i) {
    const LogRow& row = log.rows[i];
    if (i > 0) {
      const int64_t before = log.rows[i - 1].time;
      const int64_t gap = row.time - before;
      if (gap > 2 * int64_t{interval} && gap <= kLongestOutageGap)
        feed(before + interval, PollOutcome::kUnreachable, none);
    }
    feed(row.time, OutcomeOf(row, log), SampleOf(row));
  }
  return events;
}

double HistoryCounts::SyncPercent() const {
  return Percent(polls_in_sync, polls);
}

double HistoryCounts::GatewayPercent() const {
  return Percent(polls, polls + missed_polls);
}

LineHistory SummariseHistory(const DataLog& log, const std::vector<LineEvent>& events,
                             const AlertThresholds& thresholds) {
  return HistoryCounter(log, thresholds).Count(events);
}

}  // namespace verdalin
