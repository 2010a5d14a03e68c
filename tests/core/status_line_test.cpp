// The status line, the quality index and the gauge at the end of a poll.
#include "ui/status_line.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <utility>

#include "base/date_format.h"
#include "fakes/fake_clock.h"
#include "fakes/fake_window.h"
#include "monitor/quality.h"

namespace verdalin {

namespace {

LineSample Connected(float down, float up, float snr) {
  LineSample s;
  s.Connected = 1;
  s.Downstream_kbps = down;
  s.Upstream_kbps = up;
  s.SNR_local = snr;
  return s;
}

class StatusLineTest : public ::testing::Test {
 protected:
  // The end of a poll that wrote its row, made with `maximum` as the subscribed rate and the
  // gateway model `model`.
  void Show(const LineSample& sample, bool values_found, const std::string& maximum = "8192",
            const std::string& model = "INVENTEL") {
    PollResult result;
    result.outcome = values_found ? PollOutcome::kSample : PollOutcome::kUnrecognised;
    result.sample = sample;
    result.row_written = true;
    result.end_time = CurrentDate(clock_);
    result.config.subscribed_kbps = SubscribedRate(maximum);
    result.config.model = model;
    ShowPollResult(window_, result, "");
  }
  std::string Field(int field) { return window_.status[field].text; }

  FakeWindow window_;
  FakeClock clock_;
};

}  // namespace

TEST_F(StatusLineTest, ConnectedLineShowsRatesAndQuality) {
  Show(Connected(8192, 1024, 10), true);
  EXPECT_EQ(Field(kStatusLineField),
            "Time: 21:05:09 | Down: 8192 Kbps | Up: 1024 Kbps | SNR Margin: 10 dB");
  EXPECT_EQ(window_.status[kStatusLineField].appearance, kRaised | kCentred);
  EXPECT_EQ(Field(kQualityField), "Quality Index: 50.0%");
  EXPECT_EQ(window_.status[kQualityField].appearance, 5);
  EXPECT_EQ(window_.LastStateSet(kQualityGauge), 50);

  Show(Connected(1024, 512, 12), true);
  EXPECT_EQ(Field(kQualityField), "Quality Index: 7.5%");
  EXPECT_EQ(window_.LastStateSet(kQualityGauge), 8);  // 7.5: the tie goes to the even integer

  clock_.now = {2007, 1, 2, 3, 4, 5};
  Show(Connected(4096.5f, 511.5f, 12.5f), true);
  EXPECT_EQ(Field(kStatusLineField),
            "Time: 03:04:05 | Down: 4096 Kbps | Up: 512 Kbps | SNR Margin: 12 dB");

  Show(Connected(8192, 1024, 25), true);
  EXPECT_EQ(window_.LastStateSet(kQualityGauge), 125);  // not clamped by the poll
  EXPECT_EQ(Field(kQualityField), "Quality Index: 125.0%");
}

TEST_F(StatusLineTest, DisconnectedLineDropsTheQualityToZero) {
  Show(Connected(8192, 1024, 10), true);
  LineSample down = Connected(8192, 1024, 10);
  down.Connected = 0;
  Show(down, true, "not read");
  EXPECT_EQ(Field(kStatusLineField), "Time: 21:05:09 | ADSL Disconnected !");
  EXPECT_EQ(Field(kQualityField), "Quality Index: 0.0%");
  EXPECT_EQ(window_.LastStateSet(kQualityGauge), 0);
}

// Without values the password is blamed, unless no gateway model was chosen at all.
TEST_F(StatusLineTest, PageWithoutValuesKeepsGaugeAndQuality) {
  const std::pair<std::string, std::string> cases[] = {
      {"INVENTEL", "Time: 21:05:09 | Warning : Bad/Empty values ! Please check password."},
      {"", "Time: 21:05:09 | No gateway model: choose one in the list of presets."}};
  for (const auto& [model, expected] : cases) {
    Show(Connected(1024, 512, 12), true);
    std::size_t gauge_calls = window_.state_calls.size();
    Show(Connected(8192, 1024, 10), false, "8192", model);
    EXPECT_EQ(Field(kStatusLineField), expected);
    EXPECT_EQ(window_.status[kStatusLineField].appearance, 5);
    EXPECT_EQ(Field(kQualityField), "Quality Index: 7.5%");
    EXPECT_EQ(window_.state_calls.size(), gauge_calls);
  }
}

TEST_F(StatusLineTest, MaximumRateThatIsNoPositiveNumberGivesAZeroIndex) {
  for (const char* maximum : {"0", "", "abc", "-8192", "0.0", "1e-320"}) {
    Show(Connected(8192, 1024, 10), true, "8192");
    Show(Connected(8192, 1024, 10), true, maximum);
    EXPECT_EQ(Field(kQualityField), "Quality Index: 0.0%") << maximum;
    EXPECT_EQ(window_.LastStateSet(kQualityGauge), 0) << maximum;
    EXPECT_EQ(Field(kStatusLineField),
              "Time: 21:05:09 | Down: 8192 Kbps | Up: 1024 Kbps | SNR Margin: 10 dB");
  }
}

TEST(QualityIndex, FormulaAndItsLimits) {
  EXPECT_FLOAT_EQ(QualityIndex(8192, 20, 8192), 100.0f);
  EXPECT_FLOAT_EQ(QualityIndex(4096, 20, 8192), 50.0f);
  EXPECT_FLOAT_EQ(QualityIndex(2000, 7, 3000), 2000.0f * 7 / (3000.0f * 20) * 100);
  EXPECT_FLOAT_EQ(QualityIndex(8192, -5, 8192), -25.0f);
  EXPECT_EQ(QualityIndex(8192, 10, 0), 0.0f);
  EXPECT_EQ(QualityIndex(8192, 10, -1), 0.0f);
  EXPECT_EQ(QualityIndex(3e38f, 3e38f, 1e-30f), 0.0f);  // beyond the float range
  EXPECT_EQ(QualityIndex(8192, 10, std::numeric_limits<float>::infinity()), 0.0f);
  EXPECT_EQ(QualityIndex(8192, 10, std::numeric_limits<float>::quiet_NaN()), 0.0f);
  EXPECT_EQ(QualityText(0), "Quality Index: 0.0%");
  EXPECT_EQ(QualityText(49.96f), "Quality Index: 50.0%");
}

TEST_F(StatusLineTest, HugeIndexStaysWithinTheGaugeRange) {
  Show(Connected(3e38f, 1, 1e10f), true, "1e-30");  // finite as a double, beyond float: 0
  EXPECT_EQ(window_.LastStateSet(kQualityGauge), 0);
  Show(Connected(3e30f, 1, 20), true, "1");  // 3e32 %: held at the integer range's end
  EXPECT_EQ(window_.LastStateSet(kQualityGauge), 2147483647);
}

}  // namespace verdalin
