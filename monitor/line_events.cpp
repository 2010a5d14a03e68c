// Line events: the detector that compares each poll's outcome with what the previous polls saw.
#include "monitor/line_events.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "base/text_ops.h"

namespace verdalin {

namespace {

constexpr std::array<std::string_view, kLineEventKinds> kNames = {"GATEWAY_UNREACHABLE",
                                                                  "GATEWAY_BACK",
                                                                  "PAGE_NOT_RECOGNISED",
                                                                  "PAGE_RECOGNISED",
                                                                  "SYNC_LOST",
                                                                  "SYNC_BACK",
                                                                  "RETRAIN",
                                                                  "SNR_LOW",
                                                                  "SNR_OK",
                                                                  "CRC_BURST",
                                                                  "WEBHOOK_FAILED",
                                                                  "OUTPUT_FILE_FAILED",
                                                                  "OUTPUT_FILE_BACK",
                                                                  "RATE_CHANGE",
                                                                  "MQTT_FAILED"};

constexpr int64_t kSecondsPerDay = 86400;

// Rounded down, for any time: negating the earliest time would overflow.
int64_t DayOf(int64_t time) {
  return time / kSecondsPerDay - (time % kSecondsPerDay < 0 ? 1 : 0);
}

// Seconds from `since` to `now` (not before it), counted unsigned: times far apart overflow a
// signed difference.
uint64_t SecondsBetween(int64_t since, int64_t now) {
  return static_cast<uint64_t>(now) - static_cast<uint64_t>(since);
}

std::string Whole(float value) {
  return IntegerToText(RoundToEven(value));
}

std::string Decibels(double value) {
  return FloatToText(static_cast<float>(value), 2);
}

std::string Rates(std::string_view prefix, const LineSample& sample) {
  std::string text(prefix);
  text += "down_kbps=" + Whole(sample.Downstream_kbps);
  text += " ";
  text += prefix;
  text += "up_kbps=" + Whole(sample.Upstream_kbps);
  return text;
}

bool RatesDiffer(const LineSample& a, const LineSample& b) {
  return RoundToEven(a.Downstream_kbps) != RoundToEven(b.Downstream_kbps) ||
         RoundToEven(a.Upstream_kbps) != RoundToEven(b.Upstream_kbps);
}

// How far the error counter moved: counters are 32-bit and wrap, so a step of less than 2^31
// upwards (modulo 2^32) is growth, anything else a counter that started again.
struct CounterStep {
  bool restarted = false;
  uint32_t growth = 0;
};

CounterStep StepOf(int32_t before, int32_t after) {
  const uint32_t step = static_cast<uint32_t>(after) - static_cast<uint32_t>(before);
  if (step >= 0x80000000u) return {true, 0};
  return {false, step};
}

// What the source's own counters tell of a restart of the line between two polls; nothing when
// neither the uptime nor the retrain counter is known at both.
std::optional<bool> RestartTold(const LineExtras& before, const LineExtras& now) {
  std::optional<bool> told;
  if (before.uptime_s && now.uptime_s) told = *now.uptime_s < *before.uptime_s;
  if (before.retrains && now.retrains)
    told = told.value_or(false) || *now.retrains > *before.retrains;
  return told;
}

}  // namespace

std::string_view LineEventName(LineEventKind kind) {
  return kNames[static_cast<std::size_t>(kind)];
}

std::optional<LineEventKind> LineEventFromName(std::string_view name) {
  for (std::size_t i = 0; i < kNames.size(); ++i)
    if (kNames[i] == name) return static_cast<LineEventKind>(i);
  return std::nullopt;
}

LineEventDetector::LineEventDetector(const AlertThresholds& thresholds) : thresholds_(thresholds) {}

std::vector<LineEvent> LineEventDetector::Feed(int64_t time, PollOutcome outcome,
                                               const LineSample& sample) {
  out_.clear();
  now_ = time;
  if (!fed_ || DayOf(time) != today_) resyncs_today_ = 0;
  today_ = DayOf(time);
  FeedReachable(outcome);
  if (outcome == PollOutcome::kSample) FeedSample(sample);
  fed_ = true;
  return std::move(out_);
}

void LineEventDetector::Emit(LineEventKind kind, std::string detail) {
  if (out_.size() < kMaxEventsPerPoll) out_.push_back({kind, now_, std::move(detail)});
}

std::string LineEventDetector::Duration(std::string_view key, int64_t since) const {
  std::string text(key);
  if (now_ < since) return text + "=0 clock_step=1";
  // Date values are 32-bit seconds, so any real duration fits.
  return text + "=" +
         IntegerToText(
             static_cast<int32_t>(std::min<uint64_t>(SecondsBetween(since, now_), INT32_MAX)));
}

void LineEventDetector::FeedReachable(PollOutcome outcome) {
  if (outcome == PollOutcome::kUnreachable) {
    if (!unreachable_) {
      unreachable_ = true;
      unreachable_since_ = now_;
      Emit(LineEventKind::kGatewayUnreachable, "");
    }
    return;
  }
  if (unreachable_ && fed_)
    Emit(LineEventKind::kGatewayBack, Duration("outage_s", unreachable_since_));
  unreachable_ = false;
  const bool recognised = outcome == PollOutcome::kSample;
  if (page_known_ && recognised != recognised_)
    Emit(recognised ? LineEventKind::kPageRecognised : LineEventKind::kPageNotRecognised, "");
  if (!page_known_ && !recognised) Emit(LineEventKind::kPageNotRecognised, "");
  page_known_ = true;
  recognised_ = recognised;
}

void LineEventDetector::FeedSample(const LineSample& sample) {
  FeedSync(sample);
  FeedSnr(sample);
  FeedCrc(sample);
  last_sample_ = sample;
  last_sample_time_ = now_;
  have_sample_ = true;
}

void LineEventDetector::CountResync() {
  ++resyncs_total_;
  ++resyncs_today_;
}

void LineEventDetector::FeedSync(const LineSample& sample) {
  const bool connected = sample.Connected != 0;
  if (!connected && in_sync_) {
    in_sync_ = false;
    out_of_sync_since_ = now_;
    last_sync_change_ = now_;
    Emit(LineEventKind::kSyncLost, have_sample_ ? Rates("last_", last_sample_) : "");
  } else if (connected && !in_sync_) {
    in_sync_ = true;
    last_sync_change_ = now_;
    CountResync();
    Emit(LineEventKind::kSyncBack,
         Rates("", sample) + " " + Duration("outage_s", out_of_sync_since_));
  } else if (connected && have_sample_ && last_sample_.Connected != 0) {
    FeedStayedInSync(sample);
  }
}

// In sync at both polls. Where the source gives the line's uptime or its retrain counter, a
// resync is an uptime that went down or a counter that went up, and new rates without one are
// the line adapting its rate. Otherwise new rates or a restarted CRC counter tell a retrain.
void LineEventDetector::FeedStayedInSync(const LineSample& sample) {
  const std::optional<bool> told = RestartTold(last_sample_.extras, sample.extras);
  const bool restarted =
      told ? *told : StepOf(last_sample_.CRC_errors, sample.CRC_errors).restarted;
  const bool new_rates = RatesDiffer(last_sample_, sample);
  const std::string rates = Rates("", sample) + " " + Rates("old_", last_sample_);
  if (told && !restarted) {
    if (new_rates) Emit(LineEventKind::kRateChange, rates);
    return;
  }
  if (!new_rates && !restarted) return;
  last_sync_change_ = now_;
  CountResync();
  Emit(LineEventKind::kRetrain, rates + (restarted && !told ? " crc_restart=1" : ""));
}

// Each direction has its own state; a margin is low below the low threshold and fine again only
// above the re-arm threshold, so a margin between the two changes nothing. Margins count only
// while the line is in sync: out of sync the gateway shows 0.
void LineEventDetector::FeedSnr(const LineSample& sample) {
  if (sample.Connected == 0) return;
  const std::array<float, 2> margins = {sample.SNR_local, sample.SNR_distant};
  static constexpr std::array<std::string_view, 2> kDirections = {"down", "up"};
  for (std::size_t i = 0; i < margins.size(); ++i) {
    const double margin = margins[i];
    if (!std::isfinite(margin)) continue;
    const bool falls = !snr_low_[i] && margin < thresholds_.snr_low_db;
    const bool rises = snr_low_[i] && margin > thresholds_.snr_rearm_db;
    if (!falls && !rises) continue;
    snr_low_[i] = falls;
    const double threshold = falls ? thresholds_.snr_low_db : thresholds_.snr_rearm_db;
    Emit(falls ? LineEventKind::kSnrLow : LineEventKind::kSnrOk,
         "direction=" + std::string(kDirections[i]) + " snr_db=" + Decibels(margin) +
             " threshold_db=" + Decibels(threshold));
  }
}

void LineEventDetector::FeedCrc(const LineSample& sample) {
  if (!have_sample_ || sample.Connected == 0 || last_sample_.Connected == 0) return;
  const CounterStep step = StepOf(last_sample_.CRC_errors, sample.CRC_errors);
  if (now_ <= last_sample_time_ || step.restarted || step.growth == 0) return;
  const uint64_t seconds = SecondsBetween(last_sample_time_, now_);
  const double per_minute = static_cast<double>(step.growth) * 60.0 / static_cast<double>(seconds);
  if (!(per_minute > thresholds_.crc_per_minute)) return;
  Emit(LineEventKind::kCrcBurst, "crc_per_minute=" + Decibels(per_minute) +
                                     " crc_delta=" + std::to_string(step.growth) +
                                     " interval_s=" + std::to_string(seconds));
}

}  // namespace verdalin
