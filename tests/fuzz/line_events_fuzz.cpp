// Fuzz target: the line-event detector fed a run of poll outcomes, samples and times.
//
// Input layout: records of 24 bytes. Byte 0: the outcome (mod 3) and, in bit 7, whether bytes
// 1-8 give the time itself (any 64-bit value) or a signed 16-bit step from the last time (bytes
// 1-2). Byte 9: connected. Bytes 10-11 and 12-13: the down and up rates, bytes 14-15 and 16-17
// the down and up margins (signed hundredths of a dB, or a NaN or infinity for 0x8000-0x8002).
// Bytes 18-21: the CRC counter, any 32-bit value. Checks: no crash, never more than
// kMaxEventsPerPoll events a poll, each stamped with the poll's time, and no negative number of
// seconds in a detail.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>
#include <string_view>

#include "monitor/line_events.h"

namespace {

constexpr std::size_t kRecord = 24;

void Check(bool condition) {
  if (!condition) std::abort();
}

template <typename T>
T Read(const std::uint8_t* at) {
  T value;
  std::memcpy(&value, at, sizeof value);
  return value;
}

float Margin(int16_t raw) {
  switch (raw) {
    case -32768:
      return std::numeric_limits<float>::quiet_NaN();
    case -32767:
      return std::numeric_limits<float>::infinity();
    case -32766:
      return -std::numeric_limits<float>::infinity();
    default:
      return static_cast<float>(raw) / 100.0f;
  }
}

// Every "key=value" of a detail whose key counts seconds holds a number of zero or more.
void CheckSeconds(std::string_view detail) {
  for (std::string_view key : {"outage_s=", "interval_s="}) {
    const std::size_t at = detail.find(key);
    if (at == std::string_view::npos) continue;
    const std::size_t value = at + key.size();
    Check(value < detail.size() && detail[value] >= '0' && detail[value] <= '9');
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  verdalin::LineEventDetector detector;
  int64_t time = 1765000000;
  for (std::size_t at = 0; at + kRecord <= size; at += kRecord) {
    const std::uint8_t* record = data + at;
    const auto outcome = static_cast<verdalin::PollOutcome>(record[0] % 3);
    if (record[0] & 0x80)
      time = Read<int64_t>(record + 1);
    else
      time = static_cast<int64_t>(static_cast<uint64_t>(time) +
                                  static_cast<uint64_t>(Read<int16_t>(record + 1)));
    verdalin::LineSample sample;
    sample.Connected = record[9];
    sample.Downstream_kbps = static_cast<float>(Read<uint16_t>(record + 10)) * 2.0f;
    sample.Upstream_kbps = static_cast<float>(Read<uint16_t>(record + 12));
    sample.SNR_local = Margin(Read<int16_t>(record + 14));
    sample.SNR_distant = Margin(Read<int16_t>(record + 16));
    sample.CRC_errors = Read<int32_t>(record + 18);
    const auto events = detector.Feed(time, outcome, sample);
    Check(events.size() <= verdalin::LineEventDetector::kMaxEventsPerPoll);
    for (const verdalin::LineEvent& event : events) {
      Check(event.time == time);
      CheckSeconds(event.detail);
    }
    Check(detector.ResyncsToday() >= 0 && detector.ResyncsToday() <= detector.ResyncsTotal());
  }
  return 0;
}
