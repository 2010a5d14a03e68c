// The line-event detector: sequences of poll outcomes and the events they give, edge by edge.
#include "monitor/line_events.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

namespace verdalin {
namespace {

LineSample Line(float down, float up, float snr_down = 12, float snr_up = 12, int32_t crc = 0) {
  LineSample sample;
  sample.Connected = 1;
  sample.Downstream_kbps = down;
  sample.Upstream_kbps = up;
  sample.SNR_local = snr_down;
  sample.SNR_distant = snr_up;
  sample.CRC_errors = crc;
  return sample;
}

LineSample Down() {
  return LineSample{};
}

// Feeds polls one minute apart and keeps every event as "NAME detail".
class Detector {
 public:
  explicit Detector(AlertThresholds thresholds = {}) : detector(thresholds) {}
  std::vector<std::string> Sample(const LineSample& sample, int64_t step = 60) {
    return Feed(PollOutcome::kSample, sample, step);
  }
  std::vector<std::string> Unreachable(int64_t step = 60) {
    return Feed(PollOutcome::kUnreachable, {}, step);
  }
  std::vector<std::string> Unrecognised(int64_t step = 60) {
    return Feed(PollOutcome::kUnrecognised, {}, step);
  }
  std::vector<std::string> Feed(PollOutcome outcome, const LineSample& sample, int64_t step) {
    time += step;
    std::vector<std::string> names;
    for (const LineEvent& event : detector.Feed(time, outcome, sample)) {
      EXPECT_EQ(event.time, time);
      names.push_back(std::string(LineEventName(event.kind)) +
                      (event.detail.empty() ? "" : " " + event.detail));
    }
    return names;
  }
  LineEventDetector detector;
  int64_t time = 1'700'000'000;  // some local date value
};

using Events = std::vector<std::string>;

TEST(LineEvents, NamesRoundTrip) {
  for (int i = 0; i < kLineEventKinds; ++i) {
    const auto kind = static_cast<LineEventKind>(i);
    EXPECT_EQ(LineEventFromName(LineEventName(kind)), kind);
  }
  EXPECT_FALSE(LineEventFromName("SYNC").has_value());
}

TEST(LineEvents, GatewayUnreachableOnceThenBackWithTheOutage) {
  Detector d;
  EXPECT_EQ(d.Unreachable(), Events{"GATEWAY_UNREACHABLE"});  // at the first poll too
  EXPECT_EQ(d.Unreachable(), Events{});
  EXPECT_EQ(d.Sample(Line(8128, 1024), 132), Events{"GATEWAY_BACK outage_s=192"});
  EXPECT_EQ(d.Unreachable(), Events{"GATEWAY_UNREACHABLE"});
}

TEST(LineEvents, PageRecognitionFlips) {
  Detector d;
  EXPECT_EQ(d.Unrecognised(), Events{"PAGE_NOT_RECOGNISED"});
  EXPECT_EQ(d.Unrecognised(), Events{});
  EXPECT_EQ(d.Unreachable(), Events{"GATEWAY_UNREACHABLE"});
  EXPECT_EQ(d.Sample(Line(8128, 1024)), (Events{"GATEWAY_BACK outage_s=60", "PAGE_RECOGNISED"}));
  EXPECT_EQ(d.Unrecognised(), Events{"PAGE_NOT_RECOGNISED"});
}

TEST(LineEvents, SyncLostAndBackCountOneResync) {
  Detector d;
  EXPECT_EQ(d.Sample(Line(8128, 1024)), Events{});
  EXPECT_EQ(d.Sample(Down()), Events{"SYNC_LOST last_down_kbps=8128 last_up_kbps=1024"});
  EXPECT_EQ(d.Sample(Down()), Events{});
  EXPECT_EQ(d.Unreachable(), Events{"GATEWAY_UNREACHABLE"});
  EXPECT_EQ(
      d.Sample(Line(7000.4f, 900)),
      (Events{"GATEWAY_BACK outage_s=60", "SYNC_BACK down_kbps=7000 up_kbps=900 outage_s=180"}));
  EXPECT_EQ(d.detector.ResyncsTotal(), 1);
  EXPECT_EQ(d.detector.ResyncsToday(), 1);
  EXPECT_EQ(d.detector.LastSyncChange(), d.time);
}

TEST(LineEvents, ALineDownAtTheFirstPollIsLost) {
  Detector d;
  EXPECT_EQ(d.Sample(Down()), Events{"SYNC_LOST"});
}

TEST(LineEvents, RetrainOnANewRateOrACounterThatStartsAgain) {
  Detector d;
  d.Sample(Line(8128, 1024, 12, 12, 500));
  EXPECT_EQ(d.Sample(Line(8128, 1024, 12, 12, 510)), Events{});
  EXPECT_EQ(d.Sample(Line(6000, 1024, 12, 12, 520)),
            Events{"RETRAIN down_kbps=6000 up_kbps=1024 old_down_kbps=8128 old_up_kbps=1024"});
  EXPECT_EQ(d.Sample(Line(6000, 1024, 12, 12, 3)),
            Events{"RETRAIN down_kbps=6000 up_kbps=1024 old_down_kbps=6000 old_up_kbps=1024 "
                   "crc_restart=1"});
  EXPECT_EQ(d.detector.ResyncsTotal(), 2);
}

// Where the source gives the line's uptime or retrain counter, only they tell a resync; new rates
// without one are the line adapting its rate, which counts no resync.
TEST(LineEvents, TheSourcesOwnUptimeOrRetrainCounterTellsAResync) {
  struct Poll {
    float down;
    std::optional<int64_t> uptime, retrains;
    const char* event;  // the one event expected, or ""
  };
  const std::vector<std::vector<Poll>> lines = {
      {{8128, 100, {}, ""},
       {6000, 160, {}, "RATE_CHANGE"},
       {6000, 5, {}, "RETRAIN"},
       {6000, 65, {}, ""}},
      {{8128, {}, 3, ""}, {8128, {}, 4, "RETRAIN"}, {7000, {}, 4, "RATE_CHANGE"}},
      // a CRC counter that starts again within a growing uptime is no resync
      {{8128, 100, {}, ""}, {8128, 160, {}, ""}},
  };
  for (const std::vector<Poll>& line : lines) {
    Detector d;
    int32_t crc = 500;
    for (const Poll& poll : line) {
      LineSample sample = Line(poll.down, 1024, 12, 12, crc);
      crc = 3;
      sample.extras.uptime_s = poll.uptime;
      sample.extras.retrains = poll.retrains;
      const Events events = d.Sample(sample);
      ASSERT_EQ(events.size(), *poll.event ? 1u : 0u) << poll.event;
      if (*poll.event) EXPECT_EQ(events[0].substr(0, events[0].find(' ')), poll.event);
    }
    const auto retrains = std::count_if(
        line.begin(), line.end(), [](const Poll& p) { return std::string(p.event) == "RETRAIN"; });
    EXPECT_EQ(d.detector.ResyncsTotal(), retrains);
  }
}

TEST(LineEvents, ACounterThatWrapsIsGrowthNotARestart) {
  Detector d({6, 7, 1e9});
  d.Sample(Line(8128, 1024, 12, 12, INT32_MAX - 5));
  EXPECT_EQ(d.Sample(Line(8128, 1024, 12, 12, INT32_MIN + 5)), Events{});
}

TEST(LineEvents, SnrHysteresisPerDirection) {
  Detector d;
  d.Sample(Line(8128, 1024, 8, 9));
  EXPECT_EQ(d.Sample(Line(8128, 1024, 5.5f, 9)),
            Events{"SNR_LOW direction=down snr_db=5.50 threshold_db=6.00"});
  EXPECT_EQ(d.Sample(Line(8128, 1024, 6.5f, 9)), Events{});  // between the thresholds
  EXPECT_EQ(d.Sample(Line(8128, 1024, 5.9f, 9)), Events{});  // still low: no repeat
  EXPECT_EQ(d.Sample(Line(8128, 1024, 7.5f, 3)),
            (Events{"SNR_OK direction=down snr_db=7.50 threshold_db=7.00",
                    "SNR_LOW direction=up snr_db=3.00 threshold_db=6.00"}));
  EXPECT_EQ(d.Sample(Down()).size(), 1u);  // a line out of sync has no margin to judge
}

TEST(LineEvents, CrcBurstWhenErrorsGrowFasterThanTheThreshold) {
  Detector d;
  d.Sample(Line(8128, 1024, 12, 12, 100));
  EXPECT_EQ(d.Sample(Line(8128, 1024, 12, 12, 110), 120), Events{});  // 5 per minute
  EXPECT_EQ(d.Sample(Line(8128, 1024, 12, 12, 200), 120),
            Events{"CRC_BURST crc_per_minute=45.00 crc_delta=90 interval_s=120"});
}

TEST(LineEvents, AClockThatStepsBackGivesNoNegativeDuration) {
  Detector d;
  d.Sample(Line(8128, 1024, 12, 12, 100));
  d.Sample(Down());
  EXPECT_EQ(d.Sample(Line(8128, 1024, 12, 12, 5000), -3600),
            Events{"SYNC_BACK down_kbps=8128 up_kbps=1024 outage_s=0 clock_step=1"});
  EXPECT_EQ(d.Sample(Line(8128, 1024, 12, 12, 9000), -60), Events{});  // no burst either
}

// Times at the ends of the range (a damaged clock): durations and days without overflow.
TEST(LineEvents, TimesFarApartGiveTheLongestDuration) {
  Detector d;
  d.time = INT64_MIN;
  d.Sample(Down(), 0);
  d.time = INT64_MAX;
  EXPECT_EQ(d.Sample(Line(8128, 1024), 0),
            Events{"SYNC_BACK down_kbps=8128 up_kbps=1024 outage_s=2147483647"});
  d.Sample(Line(8128, 1024, 12, 12, 100), INT64_MIN);  // wraps to -1
  EXPECT_EQ(d.detector.ResyncsToday(), 0);
}

TEST(LineEvents, ResyncsTodayRestartAtLocalMidnight) {
  Detector d;
  d.time = 86400 * 20000 - 300;
  d.Sample(Line(8128, 1024));
  d.Sample(Line(6000, 1024));
  EXPECT_EQ(d.detector.ResyncsToday(), 1);
  d.Sample(Line(6000, 1024), 240);  // one minute after midnight
  EXPECT_EQ(d.detector.ResyncsToday(), 0);
  EXPECT_EQ(d.detector.ResyncsTotal(), 1);
}

}  // namespace
}  // namespace verdalin
