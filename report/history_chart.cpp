// The chart series: rows in time order, gathered into buckets of lowest and highest values.
#include "report/history_chart.h"

#include <algorithm>
#include <limits>
#include <numeric>

namespace verdalin {

namespace {

constexpr std::array<int32_t, 12> kBucketWidths = {60,   120,  300,   600,   900,   1800,
                                                   3600, 7200, 10800, 21600, 43200, 86400};

using RowValues = std::array<int32_t, kChartSeriesCount>;

// A rate in hundredths of kbit/s; an absurd rate (a damaged log) stays at the ends of the range,
// above the mark of a missing value.
int32_t RateHundredths(int32_t kbps) {
  constexpr int64_t kLowest = int64_t{kNoValue} + 1;
  constexpr int64_t kHighest = std::numeric_limits<int32_t>::max();
  return static_cast<int32_t>(std::clamp(int64_t{kbps} * 100, kLowest, kHighest));
}

// The lowest and the highest value of one series in a bucket, and when each first came.
struct Extremes {
  int32_t low = kNoValue;
  int32_t high = kNoValue;
  int64_t low_time = 0;
  int64_t high_time = 0;

  void Add(int32_t value, int64_t time) {
    if (value == kNoValue) return;
    if (low == kNoValue || value < low) {
      low = value;
      low_time = time;
    }
    if (high == kNoValue || value > high) {
      high = value;
      high_time = time;
    }
  }
};

class ChartBuilder {
 public:
  ChartBuilder(const DataLog& log, const LineHistory& history) : log_(log), history_(history) {
    data_.full_from = history.last - kFullResolutionSeconds;
    data_.bucket_seconds = ChartBucketSeconds(history.first, data_.full_from, history.interval);
  }

  ChartData Build() {
    std::vector<uint32_t> order(log_.rows.size());
    std::iota(order.begin(), order.end(), 0u);
    std::stable_sort(order.begin(), order.end(), [this](uint32_t a, uint32_t b) {
      return log_.rows[a].time < log_.rows[b].time;
    });
    for (uint32_t index : order) Take(index);
    Flush();
    return std::move(data_);
  }

 private:
  RowValues ValuesOf(uint32_t index) const {
    const LogRow& row = log_.rows[index];
    return {RateHundredths(row.downstream_kbps),
            RateHundredths(row.upstream_kbps),
            row.centi_db[kSnrLocal],
            row.centi_db[kSnrDistant],
            row.centi_db[kAttenuationLocal],
            row.centi_db[kAttenuationDistant],
            history_.crc_per_minute[index]};
  }

  int64_t BucketOf(uint32_t index, int64_t time) const {
    if (time >= data_.full_from || data_.bucket_seconds == 0) return -1 - int64_t{index};
    return (time - history_.first) / data_.bucket_seconds;
  }

  void Take(uint32_t index) {
    const LogRow& row = log_.rows[index];
    if (taken_ && row.time - last_time_ > 2 * int64_t{history_.interval}) {
      Flush();
      Break(last_time_ + (row.time - last_time_) / 2);
    }
    taken_ = true;
    last_time_ = row.time;
    if (!row.connected || OutcomeOf(row, log_) != PollOutcome::kSample) {
      Flush();
      Break(row.time);
      return;
    }
    const int64_t bucket = BucketOf(index, row.time);
    if (count_ > 0 && bucket != bucket_) Flush();
    bucket_ = bucket;
    if (count_++ == 0) first_time_ = row.time;
    segment_last_ = row.time;
    const RowValues values = ValuesOf(index);
    for (std::size_t k = 0; k < kChartSeriesCount; ++k) extremes_[k].Add(values[k], row.time);
  }

  // The bucket's points: one for a single row, else the extremes in the order they came.
  void Flush() {
    if (count_ == 0) return;
    const bool single = count_ == 1;
    data_.times.push_back(first_time_);
    if (!single) data_.times.push_back(segment_last_);
    for (std::size_t k = 0; k < kChartSeriesCount; ++k) {
      const Extremes& e = extremes_[k];
      const bool low_first = e.low_time <= e.high_time;
      data_.values[k].push_back(low_first ? e.low : e.high);
      if (!single) data_.values[k].push_back(low_first ? e.high : e.low);
    }
    count_ = 0;
    extremes_ = {};
  }

  void Break(int64_t time) {
    if (data_.times.empty() || data_.values[0].back() == kNoValue) return;
    data_.times.push_back(time);
    for (auto& series : data_.values) series.push_back(kNoValue);
  }

  const DataLog& log_;
  const LineHistory& history_;
  ChartData data_;
  std::array<Extremes, kChartSeriesCount> extremes_{};
  int64_t bucket_ = 0;
  int64_t count_ = 0;
  int64_t first_time_ = 0;
  int64_t segment_last_ = 0;
  int64_t last_time_ = 0;  // of the row taken before
  bool taken_ = false;
};

}  // namespace

int32_t ChartBucketSeconds(int64_t first, int64_t full_from, int32_t interval) {
  const int64_t span = full_from - first;
  if (span <= 0 || span / std::max(interval, 1) <= kMostPoints) return 0;
  for (int32_t width : kBucketWidths)
    if (2 * span / width <= kMostPoints) return width;
  return static_cast<int32_t>(std::min<int64_t>(2 * span / kMostPoints + 1, INT32_MAX));
}

ChartData BuildChartData(const DataLog& log, const LineHistory& history) {
  return ChartBuilder(log, history).Build();
}

}  // namespace verdalin
