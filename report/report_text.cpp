// Texts of the history report: hundredths and days.
#include "report/report_text.h"

#include <charconv>
#include <cmath>
#include <limits>

#include "base/date_format.h"

namespace verdalin {

void AppendHundredths(std::string& out, int64_t hundredths) {
  if (hundredths == std::numeric_limits<int32_t>::min()) {
    out += "null";
    return;
  }
  if (hundredths < 0) out += '-';
  const uint64_t magnitude = hundredths < 0 ? 0 - static_cast<uint64_t>(hundredths) : hundredths;
  char digits[24];
  auto end = std::to_chars(digits, digits + sizeof digits, magnitude / 100).ptr;
  out.append(digits, end);
  const unsigned cents = static_cast<unsigned>(magnitude % 100);
  if (cents == 0) return;
  out += '.';
  out += static_cast<char>('0' + cents / 10);
  if (cents % 10 != 0) out += static_cast<char>('0' + cents % 10);
}

std::string DayText(int64_t time) {
  return FormatDate("%yyyy/%mm/%dd", time);
}

}  // namespace verdalin
