// Line values stored with their bounds, and the text helpers the device kinds' readers share.
#include "monitor/line_fields.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

namespace verdalin {

namespace {

// What a value of each kind may be: beyond these no real line goes, and every value inside fits
// the sample's float and integer members.
struct Bounds {
  double low;
  double high;
};
constexpr Bounds kRateBounds{0, 1e7};       // kbit/s: up to 10 Gbit/s
constexpr Bounds kDbBounds{-100, 200};      // attenuation and margins
constexpr Bounds kPowerBounds{-100, 100};   // dBm
constexpr Bounds kCountBounds{0, 9.0e15};   // counters: within a double's exact integers
constexpr Bounds kSecondsBounds{0, 3.2e9};  // about a hundred years

bool Within(double value, Bounds bounds) {
  return std::isfinite(value) && value >= bounds.low && value <= bounds.high;
}

// The column of the CSV row a field also fills, when it has one.
float* ColumnOf(LineSample& sample, LineField field) {
  switch (field) {
    case LineField::kDownRate:
      return &sample.Downstream_kbps;
    case LineField::kUpRate:
      return &sample.Upstream_kbps;
    case LineField::kDownAttenuation:
      return &sample.Attenuation_local;
    case LineField::kUpAttenuation:
      return &sample.Attenuation_distant;
    case LineField::kDownSnr:
      return &sample.SNR_local;
    case LineField::kUpSnr:
      return &sample.SNR_distant;
    default:
      return nullptr;
  }
}

// The counter of the extra values a field fills, when it is one.
std::optional<int64_t>* CounterOf(LineExtras& extras, LineField field) {
  switch (field) {
    case LineField::kNearCrc:
      return &extras.crc_errors[kNearEnd];
    case LineField::kFarCrc:
      return &extras.crc_errors[kFarEnd];
    case LineField::kNearFec:
      return &extras.fec_errors[kNearEnd];
    case LineField::kFarFec:
      return &extras.fec_errors[kFarEnd];
    case LineField::kNearEs:
      return &extras.errored_seconds[kNearEnd];
    case LineField::kFarEs:
      return &extras.errored_seconds[kFarEnd];
    case LineField::kNearSes:
      return &extras.severely_errored_seconds[kNearEnd];
    case LineField::kFarSes:
      return &extras.severely_errored_seconds[kFarEnd];
    case LineField::kNearUas:
      return &extras.unavailable_seconds[kNearEnd];
    case LineField::kFarUas:
      return &extras.unavailable_seconds[kFarEnd];
    case LineField::kRetrains:
      return &extras.retrains;
    case LineField::kUptime:
      return &extras.uptime_s;
    default:
      return nullptr;
  }
}

std::optional<double>* ExtraOf(LineExtras& extras, LineField field) {
  switch (field) {
    case LineField::kDownAttainable:
      return &extras.attainable_kbps[kNearEnd];
    case LineField::kUpAttainable:
      return &extras.attainable_kbps[kFarEnd];
    case LineField::kDownPower:
      return &extras.transmit_power_dbm[kNearEnd];
    case LineField::kUpPower:
      return &extras.transmit_power_dbm[kFarEnd];
    default:
      return nullptr;
  }
}

Bounds BoundsOf(LineField field) {
  switch (field) {
    case LineField::kDownRate:
    case LineField::kUpRate:
    case LineField::kDownAttainable:
    case LineField::kUpAttainable:
      return kRateBounds;
    case LineField::kDownPower:
    case LineField::kUpPower:
      return kPowerBounds;
    case LineField::kUptime:
      return kSecondsBounds;
    case LineField::kDownAttenuation:
    case LineField::kUpAttenuation:
    case LineField::kDownSnr:
    case LineField::kUpSnr:
      return kDbBounds;
    default:
      return kCountBounds;
  }
}

std::string* TextOf(LineSample& sample, LineField field) {
  switch (field) {
    case LineField::kMode:
      return &sample.Mode;
    case LineField::kType:
      return &sample.Type;
    case LineField::kStandard:
      return &sample.extras.standard;
    case LineField::kProfile:
      return &sample.extras.profile;
    case LineField::kFirmware:
      return &sample.Firmware;
    case LineField::kDevice:
      return &sample.Device;
    default:
      return nullptr;
  }
}

bool IsSpace(char c) {
  return c == ' ' || c == '\t';
}

char Lower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// The length of the escape sequence at the start of `text` (which starts with ESC): a CSI
// sequence up to its final byte, an OSC string up to BEL or ESC \, else ESC and one byte.
std::size_t EscapeLength(std::string_view text) {
  if (text.size() < 2) return text.size();
  std::size_t at = 2;
  if (text[1] == '[') {
    while (at < text.size() && (text[at] < 0x40 || text[at] > 0x7E)) ++at;
    return std::min(at + 1, text.size());
  }
  if (text[1] == ']') {
    while (at < text.size() && text[at] != '\a' && text[at] != '\x1b') ++at;
    if (at < text.size() && text[at] == '\x1b') ++at;  // the "\" of ESC "\"
    return std::min(at + 1, text.size());
  }
  return 2;
}

}  // namespace

bool StoreNumber(LineSample& sample, LineField field, double value) {
  if (TextOf(sample, field) != nullptr || !Within(value, BoundsOf(field))) return false;
  if (float* column = ColumnOf(sample, field)) {
    *column = static_cast<float>(value);
  } else if (std::optional<double>* extra = ExtraOf(sample.extras, field)) {
    *extra = value;
  } else if (std::optional<int64_t>* counter = CounterOf(sample.extras, field)) {
    // A count has no fraction; seconds of uptime are rounded.
    if (field != LineField::kUptime && value != std::floor(value)) return false;
    *counter = std::llround(value);
  }
  if (field == LineField::kNearCrc) {
    sample.CRC_errors =
        static_cast<int32_t>(std::min<double>(value, std::numeric_limits<int32_t>::max()));
  }
  return true;
}

void StoreText(LineSample& sample, LineField field, std::string_view text) {
  std::string* target = TextOf(sample, field);
  if (target == nullptr) return;
  std::string kept;
  for (char c : TrimSpace(text)) {
    if (kept.size() == kLineTextCapacity) break;
    if (static_cast<unsigned char>(c) >= 0x20 && c != 0x7F) kept += c;
  }
  if (!kept.empty()) *target = std::move(kept);
}

std::optional<double> LeadingNumber(std::string_view text, std::string_view* rest) {
  std::size_t at = 0;
  while (at < text.size() && IsSpace(text[at])) ++at;
  if (at < text.size() && text[at] == '+') ++at;
  double value = 0;
  const char* end = text.data() + text.size();
  const auto [stop, error] =
      std::from_chars(text.data() + at, end, value, std::chars_format::general);
  if (error != std::errc()) return std::nullopt;
  if (rest) *rest = std::string_view(stop, static_cast<std::size_t>(end - stop));
  return value;
}

std::optional<double> RateKbps(std::string_view text, double scale) {
  std::string_view rest;
  const std::optional<double> number = LeadingNumber(text, &rest);
  if (!number) return std::nullopt;
  rest = TrimSpace(rest);
  std::size_t length = 0;
  while (length < rest.size() && !IsSpace(rest[length]) && rest[length] != ',') ++length;
  const std::string_view unit = rest.substr(0, length);
  struct Unit {
    std::string_view word;
    double factor;
  };
  constexpr Unit kUnits[] = {{"bps", 0.001}, {"bit/s", 0.001}, {"kbps", 1},      {"kbit/s", 1},
                             {"kb/s", 1},    {"mbps", 1000},   {"mbit/s", 1000}, {"mb/s", 1000}};
  for (const Unit& each : kUnits) {
    if (SameWord(unit, each.word)) return *number * each.factor;
  }
  return *number * scale;
}

std::string PlainTerminalText(std::string_view text) {
  std::string plain;
  plain.reserve(text.size());
  for (std::size_t at = 0; at < text.size();) {
    const char c = text[at];
    if (c == '\x1b') {
      at += EscapeLength(text.substr(at));
      continue;
    }
    if (c == '\n' || c == '\t' || static_cast<unsigned char>(c) >= 0x20) plain += c;
    ++at;
  }
  return plain;
}

std::string_view TrimSpace(std::string_view text) {
  while (!text.empty() && IsSpace(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsSpace(text.back())) text.remove_suffix(1);
  return text;
}

bool SameWord(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (Lower(a[i]) != Lower(b[i])) return false;
  }
  return true;
}

}  // namespace verdalin
