// The line values that the device kinds name, stored into a sample with their bounds checked, and
// the text helpers their answers share (colour codes, unit words, keys and values).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "monitor/line_sample.h"

namespace verdalin {

// How a device's answer was read.
enum class AnswerOutcome {
  kValues,    // the line's values were in it
  kNoValues,  // not an answer that holds them (another page, cut text, a broken document)
  kRefused,   // the device refused the credentials or the session
  kFault,     // the device answered with an error of its own
};

// The sample's values a device names. Numbers are given in the field's unit: rates in kbit/s,
// attenuation and margins in dB, powers in dBm, counts, seconds.
enum class LineField : std::uint8_t {
  kDownRate,
  kUpRate,
  kDownAttainable,
  kUpAttainable,
  kDownAttenuation,
  kUpAttenuation,
  kDownSnr,
  kUpSnr,
  kDownPower,
  kUpPower,
  kNearCrc,
  kFarCrc,
  kNearFec,
  kFarFec,
  kNearEs,
  kFarEs,
  kNearSes,
  kFarSes,
  kNearUas,
  kFarUas,
  kUptime,
  kRetrains,
  // Texts, in the device's own words.
  kMode,
  kType,
  kStandard,
  kProfile,
  kFirmware,
  kDevice,
};

// A key of a device's answer and the field it fills; numbers are multiplied by `scale` first
// (0.1 for tenths of a dB, 0.001 for bit/s).
struct KeyedField {
  std::string_view key;
  LineField field;
  double scale = 1;
};

// Stores `value` into the field; a value no line can have (a negative rate, 10^30 errors, NaN) is
// dropped and the field stays as it was. False when dropped or when the field holds text.
bool StoreNumber(LineSample& sample, LineField field, double value);

// Stores the text, its blanks trimmed, control characters dropped and cut to kLineTextCapacity
// bytes; an empty text leaves the field as it was.
constexpr std::size_t kLineTextCapacity = 100;
void StoreText(LineSample& sample, LineField field, std::string_view text);

// The number at the start of `text` (after blanks and tabs): an optional sign, digits and an
// optional fraction; the rest of the text after it goes to `rest`. None when there is no number
// or it is out of the double range.
std::optional<double> LeadingNumber(std::string_view text, std::string_view* rest = nullptr);

// A rate with an optional unit word after it ("68000000 bps", "1020 Kbps", "40 Mbit/s") in kbit/s;
// without a unit word the number is multiplied by `scale`.
std::optional<double> RateKbps(std::string_view text, double scale);

// A terminal's answer as plain lines: colour and cursor codes, carriage returns, and other
// control characters but tab and line feed removed.
std::string PlainTerminalText(std::string_view text);

// Blanks and tabs removed at both ends.
std::string_view TrimSpace(std::string_view text);

// Whether the texts are equal, ASCII letter case aside.
bool SameWord(std::string_view a, std::string_view b);

// Calls `each(line)` for every line of `text` (cut at line feeds).
template <typename Each>
void ForEachLine(std::string_view text, Each&& each) {
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    each(text.substr(0, end));
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 1);
  }
}

}  // namespace verdalin
