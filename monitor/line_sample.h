// The line values read by one poll: the CSV row's columns and the extra values some sources give.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace verdalin {

// The two ends of the line, as the extra values index them: the near end (the gateway's own,
// downstream) and the far end (the exchange's, upstream).
enum LineEnd : std::size_t { kNearEnd = 0, kFarEnd = 1 };

// Values beyond the CSV row; each stays unset where the source does not give it.
struct LineExtras {
  std::array<std::optional<double>, 2> attainable_kbps;     // by LineEnd: down, up
  std::array<std::optional<double>, 2> transmit_power_dbm;  // down, up
  std::array<std::optional<int64_t>, 2> crc_errors;         // near, far
  std::array<std::optional<int64_t>, 2> fec_errors;
  std::array<std::optional<int64_t>, 2> errored_seconds;
  std::array<std::optional<int64_t>, 2> severely_errored_seconds;
  std::array<std::optional<int64_t>, 2> unavailable_seconds;
  std::optional<int64_t> uptime_s;  // since the line last came into sync
  std::optional<int64_t> retrains;  // the gateway's own count of resets of the line
  std::string standard;             // "ADSL2+ Annex A", "VDSL2", ...
  std::string profile;              // "17a", ...
};

// One rule for a value of the line that does not hold: a rate (kbit/s) below 0 or above
// kMostRateKbps, decibels beyond kMostDecibels either way, NaN and the infinities are no value.
// No value is written and shown the same everywhere: an empty CSV field, a sample left out of
// /metrics, null in /status.json, an empty column and a gap in the report.
inline constexpr double kMostRateKbps = 10'000'000;  // 10 Gbit/s
inline constexpr double kMostDecibels = 10'000;
enum class LineQuantity { kRate, kDecibels };

// The value, or nothing when it does not hold.
inline std::optional<double> LineValue(double value, LineQuantity quantity) {
  const bool rate = quantity == LineQuantity::kRate;
  const double lowest = rate ? 0.0 : -kMostDecibels;
  const double highest = rate ? kMostRateKbps : kMostDecibels;
  if (!(value >= lowest && value <= highest)) return std::nullopt;  // NaN too
  return value;
}

struct LineSample {
  uint8_t Connected = 0;
  std::string Mode;
  std::string Type;
  float Upstream_kbps = 0;
  float Downstream_kbps = 0;
  float Attenuation_local = 0;
  float Attenuation_distant = 0;
  float SNR_local = 0;
  float SNR_distant = 0;
  int32_t CRC_errors = 0;
  std::string Firmware;
  std::string Device;
  LineExtras extras;
};

}  // namespace verdalin
