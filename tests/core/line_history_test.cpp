// The history's counts on a hand-made log whose answer is known, with and without an event log,
// and the chart series: breaks, full resolution, and extremes kept through the buckets.
#include "report/line_history.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "fakes/log_rows.h"
#include "report/history_chart.h"

namespace verdalin {
namespace {

LineHistory Summarise(const DataLog& log, const std::vector<LineEvent>& events) {
  return SummariseHistory(log, events, AlertThresholds{});
}

LineEvent At(LineEventKind kind, int32_t minute) {
  return {kind, LogStart() + minute * 60, ""};
}

// The counts of the hand-made log whose first row is at `start`.
void ExpectHandMadeCounts(int64_t start) {
  const DataLog log = ReadDataLog(HandMadeLog(start));
  ASSERT_EQ(log.rows.size(), 12u);
  EXPECT_EQ(log.rows[0].time, start);
  EXPECT_EQ(OutcomeOf(log.rows[5], log), PollOutcome::kSample);  // out of sync, firmware known
  const std::vector<LineEvent> events = DeriveEvents(log, UsualInterval(log.rows), {});
  const LineHistory history = Summarise(log, events);
  const HistoryCounts& total = history.total;
  EXPECT_EQ(history.interval, 60);
  EXPECT_EQ(total.polls, 12);
  EXPECT_EQ(total.polls_in_sync, 10);
  EXPECT_EQ(total.missed_polls, 5);  // minutes 9 to 13; the night is the program stopped
  EXPECT_EQ(total.resyncs, 2);       // SYNC_BACK at minute 7, RETRAIN at the counter restart
  EXPECT_EQ(total.seconds_below_snr_low, 180);
  EXPECT_EQ(total.crc_errors, 17);  // 5 + 5 + 5 + 2: no growth across the resync or the restart
  EXPECT_NEAR(total.SyncPercent(), 100.0 * 10 / 12, 1e-9);
  EXPECT_NEAR(total.GatewayPercent(), 100.0 * 12 / 17, 1e-9);
  EXPECT_EQ(total.lowest_snr, (std::array<int32_t, 2>{550, 500}));
  ASSERT_EQ(history.days.size(), 2u);
  EXPECT_EQ(history.days[0].counts.polls, 11);
  EXPECT_EQ(history.days[0].counts.resyncs, 2);
  EXPECT_EQ(history.days[1].counts.seconds_below_snr_low, 60);
  EXPECT_EQ(history.days[1].start, start - 9 - 10 * 3600 + kDaySeconds);
  EXPECT_EQ(history.crc_per_minute[2], 500);
  EXPECT_EQ(history.crc_per_minute[7], kNoValue);  // after the resync
  EXPECT_EQ(history.crc_per_minute[9], kNoValue);  // the counter went down
  EXPECT_EQ(history.resync_times, (std::vector<int64_t>{start + 420, start + 840}));
  EXPECT_EQ(history.first, start);
  EXPECT_EQ(history.last, start + 840 * 60);
}

// The same counts whatever the era: days split at midnight before 1970 and past 2038 alike.
TEST(LineHistory, CountsOfTheHandMadeLogFromItsRowsInEveryEra) {
  for (const LogEra& era : kLogEras) {
    SCOPED_TRACE(era.first_row);
    ExpectHandMadeCounts(DateFromFields(era.start));
  }
}

TEST(LineHistory, OutagesAndResyncsFromTheEventLog) {
  const DataLog log = ReadDataLog(HandMadeLog());
  const std::vector<LineEvent> events = {
      At(LineEventKind::kSyncBack, 7),     At(LineEventKind::kGatewayUnreachable, 9),
      At(LineEventKind::kGatewayBack, 12), At(LineEventKind::kGatewayUnreachable, 16),
      At(LineEventKind::kRetrain, 841),
  };
  const HistoryCounts total = Summarise(log, events).total;
  EXPECT_EQ(total.resyncs, 2);
  // 3 polls, then an outage never closed: it ends at the next row, at most two hours later.
  EXPECT_EQ(total.missed_polls, 3 + kLongestOutageGap / 60);
}

TEST(LineHistory, EmptyLogAndAWrappingCounter) {
  const LineHistory none = Summarise(DataLog{}, {});
  EXPECT_EQ(none.total.polls, 0);
  EXPECT_EQ(none.total.GatewayPercent(), 0);
  std::string text = LogRowText({0, true, 17904, 8, 11, 2147483600});
  text += LogRowText({1, true, 17904, 8, 11, -2147483596});  // 100 further, past 2^31
  const LineHistory wrapped = Summarise(ReadDataLog(text), {});
  EXPECT_EQ(wrapped.total.crc_errors, 100);
  EXPECT_EQ(wrapped.crc_per_minute[1], 10000);
}

TEST(ChartData, BreaksWhereTheLineOrThePollsStoppedInEveryEra) {
  for (const LogEra& era : kLogEras) {
    SCOPED_TRACE(era.first_row);
    const int64_t start = DateFromFields(era.start);
    const DataLog log = ReadDataLog(HandMadeLog(start));
    const LineHistory history = Summarise(log, {});
    const ChartData chart = BuildChartData(log, history);
    EXPECT_EQ(chart.bucket_seconds, 0);  // two days: every row stands for itself
    const std::vector<int32_t>& snr = chart.values[kSnrDown];
    const std::vector<int32_t> expected = {800, 800,      800, 550, 590,      kNoValue, 800,
                                           800, kNoValue, 800, 800, kNoValue, 800};
    EXPECT_EQ(snr, expected);
    ASSERT_EQ(chart.times.size(), expected.size());
    EXPECT_TRUE(std::is_sorted(chart.times.begin(), chart.times.end()));
    EXPECT_EQ(chart.times.front(), start);
    EXPECT_EQ(chart.times[11], start + (15 + 840) * 30);  // halfway through the night
    EXPECT_EQ(chart.times.back(), start + 840 * 60);
    EXPECT_EQ(chart.values[kDownRate][6], 1600000);
    EXPECT_EQ(chart.values[kCrcPerMinute][2], 500);
  }
}

TEST(ChartData, BucketsKeepEveryExtremeAndTheLastWeekWhole) {
  EXPECT_EQ(ChartBucketSeconds(0, 358 * kDaySeconds, 60), 900);  // a year of minutes
  EXPECT_EQ(ChartBucketSeconds(0, 50 * kDaySeconds, 60), 0);     // few enough to draw them all
  EXPECT_EQ(ChartBucketSeconds(0, 200 * kDaySeconds, 300), 0);
  DataLog log;
  log.texts = {"", "G.992.5:Fast"};
  const int32_t minutes = 120 * 1440;
  for (int32_t m = 0; m < minutes; ++m) {
    LogRow row;
    row.time = LogStart() + m * 60;
    row.connected = true;
    row.mode_type = 1;
    row.downstream_kbps = 17904 + (m % 7);
    row.centi_db = {2350, 1200, m == 12345 ? 210 : 800 + (m % 50), 1100};
    log.rows.push_back(row);
  }
  const LineHistory history = Summarise(log, {});
  const ChartData chart = BuildChartData(log, history);
  EXPECT_EQ(chart.bucket_seconds, 300);
  const auto& snr = chart.values[kSnrDown];
  EXPECT_EQ(*std::min_element(snr.begin(), snr.end()), 210);  // a one-minute dip stays
  EXPECT_EQ(*std::max_element(snr.begin(), snr.end()), 849);
  const auto full = std::count_if(chart.times.begin(), chart.times.end(),
                                  [&](int64_t t) { return t >= chart.full_from; });
  EXPECT_EQ(full, 7 * 1440 + 1);
  EXPECT_LE(chart.times.size(), static_cast<std::size_t>(kMostPoints + full));
  EXPECT_EQ(std::count(snr.begin(), snr.end(), kNoValue), 0);
}

// A log too long to hold, polled every second, in and out of sync at every other row: its
// series stay bounded and in time order, a row dated back is left out, and extremes stay.
TEST(ChartData, SeriesOfALogCountedAsItIsReadStayBounded) {
  DataLog log;
  log.texts = {"", "G.992.5:Fast"};
  const int32_t seconds = 400000;
  ChartStream chart(log, LogStart(), LogStart() + seconds - 1, 1);
  for (int32_t s = 0; s < seconds; ++s) {
    LogRow row;
    row.time = LogStart() + (s == 1000 ? -5 : s);
    row.connected = s % 2 == 0;
    row.mode_type = 1;
    row.centi_db = {2350, 1200, s == 12345 * 2 ? 210 : 800, 1100};
    chart.Take(row, kNoValue);
  }
  const ChartData data = chart.Finish();
  EXPECT_GT(data.bucket_seconds, 0);
  EXPECT_TRUE(std::is_sorted(data.times.begin(), data.times.end()));
  EXPECT_LE(data.times.size(), static_cast<std::size_t>(3 * kMostPoints));
  const auto& snr = data.values[kSnrDown];
  EXPECT_EQ(*std::min_element(snr.begin(), snr.end(),
                              [](int32_t a, int32_t b) {
                                return (a == kNoValue ? INT32_MAX : a) <
                                       (b == kNoValue ? INT32_MAX : b);
                              }),
            210);
  EXPECT_GT(std::count(snr.begin(), snr.end(), kNoValue), 0);
}

}  // namespace
}  // namespace verdalin
