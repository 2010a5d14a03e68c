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

// A rate in hundredths of kbit/s, or none; a rate out of range stays at the ends of the range.
int32_t RateHundredths(int32_t kbps) {
  if (kbps == kNoValue) return kNoValue;
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

}  // namespace

class ChartStream::Builder {
 public:
  // `streamed`: rows come in file order from a log too long to hold.
  Builder(const DataLog& log, int64_t first, int64_t last, int32_t interval, bool streamed)
      : log_(log), first_(first), interval_(interval), streamed_(streamed) {
    data_.full_from = last - kFullResolutionSeconds;
    if (streamed_) data_.full_from = std::max(data_.full_from, last - kMostPoints / 2 * interval);
    data_.bucket_seconds = ChartBucketSeconds(first, data_.full_from, interval);
  }

  void Take(const LogRow& row, int32_t crc_per_minute) {
    if (streamed_ && taken_ && row.time < last_time_) return;
    const int64_t bucket = BucketOf(row.time);
    if ((count_ > 0 || broken_) && bucket != bucket_) Flush();
    bucket_ = bucket;
    const bool merged = streamed_ && bucket >= 0;  // breaks inside a bucket wait for its end
    if (taken_ && row.time - last_time_ > 2 * int64_t{interval_})
      BreakAt(last_time_ + (row.time - last_time_) / 2, merged);
    taken_ = true;
    last_time_ = row.time;
    if (!row.connected || OutcomeOf(row, log_) != PollOutcome::kSample) {
      BreakAt(row.time, merged);
      return;
    }
    if (count_++ == 0) first_time_ = row.time;
    segment_last_ = row.time;
    const RowValues values = ValuesOf(row, crc_per_minute);
    for (std::size_t k = 0; k < kChartSeriesCount; ++k) extremes_[k].Add(values[k], row.time);
  }

  ChartData Finish() {
    Flush();
    return std::move(data_);
  }

 private:
  static RowValues ValuesOf(const LogRow& row, int32_t crc_per_minute) {
    return {RateHundredths(row.downstream_kbps),
            RateHundredths(row.upstream_kbps),
            row.centi_db[kSnrLocal],
            row.centi_db[kSnrDistant],
            row.centi_db[kAttenuationLocal],
            row.centi_db[kAttenuationDistant],
            crc_per_minute};
  }

  // Each row drawn for itself has a bucket of its own.
  int64_t BucketOf(int64_t time) {
    ++rows_taken_;
    if (time >= data_.full_from || data_.bucket_seconds == 0) return -rows_taken_;
    return (time - first_) / data_.bucket_seconds;
  }

  void BreakAt(int64_t time, bool merged) {
    if (merged && count_ > 0) {
      broken_ = true;
      break_time_ = time;
      return;
    }
    Flush();
    Break(time);
  }

  // The bucket's points: one for a single row, else the extremes in the order they came; then
  // the break the bucket held back.
  void Flush() {
    if (count_ > 0) Points();
    if (broken_) Break(std::max(break_time_, data_.times.back()));
    broken_ = false;
  }

  void Points() {
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
  int64_t first_;
  int32_t interval_;
  bool streamed_;
  ChartData data_;
  std::array<Extremes, kChartSeriesCount> extremes_{};
  int64_t bucket_ = 0;  // of the row taken before
  int64_t rows_taken_ = 0;
  int64_t count_ = 0;
  int64_t first_time_ = 0;
  int64_t segment_last_ = 0;
  int64_t last_time_ = 0;  // of the row taken before
  bool taken_ = false;
  bool broken_ = false;  // a break held back to the bucket's end
  int64_t break_time_ = 0;
};

namespace {}  // namespace

int32_t ChartBucketSeconds(int64_t first, int64_t full_from, int32_t interval) {
  const int64_t span = full_from - first;
  if (span <= 0 || span / std::max(interval, 1) <= kMostPoints) return 0;
  for (int32_t width : kBucketWidths)
    if (2 * span / width <= kMostPoints) return width;
  return static_cast<int32_t>(std::min<int64_t>(2 * span / kMostPoints + 1, INT32_MAX));
}

ChartData BuildChartData(const DataLog& log, const LineHistory& history) {
  std::vector<uint32_t> order(log.rows.size());
  std::iota(order.begin(), order.end(), 0u);
  std::stable_sort(order.begin(), order.end(),
                   [&log](uint32_t a, uint32_t b) { return log.rows[a].time < log.rows[b].time; });
  ChartStream::Builder builder(log, history.first, history.last, history.interval, false);
  for (uint32_t index : order) builder.Take(log.rows[index], history.crc_per_minute[index]);
  return builder.Finish();
}

ChartStream::ChartStream(const DataLog& log, int64_t first, int64_t last, int32_t interval)
    : builder_(std::make_unique<Builder>(log, first, last, interval, true)) {}

ChartStream::~ChartStream() = default;

void ChartStream::Take(const LogRow& row, int32_t crc_per_minute) {
  builder_->Take(row, crc_per_minute);
}

ChartData ChartStream::Finish() {
  return builder_->Finish();
}

}  // namespace verdalin
