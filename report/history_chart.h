// The series of the report's charts: every row of the latest days, the lowest and highest value
// of each bucket of time before them, and breaks where the line or the polls stopped.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "report/line_history.h"
#include "report/log_reader.h"

namespace verdalin {

enum ChartSeries {
  kDownRate,
  kUpRate,
  kSnrDown,
  kSnrUp,
  kAttenuationDown,
  kAttenuationUp,
  kCrcPerMinute,
};
inline constexpr std::size_t kChartSeriesCount = 7;

// Rows of the last week of the period are all drawn; before it, when the rows are more than
// kMostPoints, they are gathered in buckets of a round number of minutes, two points each, so
// that this part of the page holds at most kMostPoints points.
inline constexpr int32_t kFullResolutionSeconds = 7 * kDaySeconds;
inline constexpr int64_t kMostPoints = 80000;

struct ChartData {
  std::vector<int64_t> times;  // ascending date values
  // Hundredths (of kbit/s, dB, errors per minute); kNoValue where the line breaks.
  std::array<std::vector<int32_t>, kChartSeriesCount> values;
  int32_t bucket_seconds = 0;  // 0: no buckets at all
  int64_t full_from = 0;       // rows from this time on stand for themselves
};

// The bucket width for rows from `first` to `full_from` polled every `interval`: the smallest of
// a few round widths that makes at most kMostPoints points; 0 when the rows are few enough.
int32_t ChartBucketSeconds(int64_t first, int64_t full_from, int32_t interval);

// A bucket (or a row of the last week) gives two points, its lowest and its highest value of
// each series in the order they came, at its first and last row's times, so that no extreme is
// lost at any zoom. Rows out of sync (or not recognised) and steps of more than twice the interval
// between rows give a break: a point of nulls.
ChartData BuildChartData(const DataLog& log, const LineHistory& history);

// The same, row by row, for a log too long to hold, from what a first reading found: rows come
// in file order (one earlier than the row before is left out of the charts), and the part drawn
// row by row is cut to kMostPoints / 2 intervals; a bucket that breaks gives its two points and
// one break after them, so the series stay bounded whatever the rows.
class ChartStream {
 public:
  ChartStream(const DataLog& log, int64_t first, int64_t last, int32_t interval);
  ~ChartStream();
  void Take(const LogRow& row, int32_t crc_per_minute);
  ChartData Finish();

 private:
  friend ChartData BuildChartData(const DataLog& log, const LineHistory& history);
  class Builder;
  std::unique_ptr<Builder> builder_;
};

}  // namespace verdalin
