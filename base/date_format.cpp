// Date values (seconds from 1970 to the local wall-clock time) and their formatting by masks.
#include "base/date_format.h"

#include <algorithm>
#include <array>
#include <climits>
#include <limits>

#include "base/text_ops.h"

namespace verdalin {

namespace {

constexpr int64_t kSecondsPerDay = 86400;

int64_t FloorDivide(int64_t a, int64_t b) {
  return a / b - ((a % b != 0) && ((a < 0) != (b < 0)));
}

// Days from 1970-01-01 to the given Gregorian date; a month outside 1 to 12 carries into the year.
int64_t DaysFromCivil(int64_t year, int64_t month, int64_t day) {
  year += FloorDivide(month - 1, 12);
  month = month - 1 - FloorDivide(month - 1, 12) * 12 + 1;
  year -= month <= 2;
  int64_t era = FloorDivide(year, 400);
  int64_t year_of_era = year - era * 400;
  int64_t day_of_year = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  int64_t day_of_era = year_of_era * 365 + year_of_era / 4 - year_of_era / 100 + day_of_year;
  return era * 146097 + day_of_era - 719468;
}

std::string TwoDigits(int value) {
  std::string digits = IntegerToText(value);
  return value >= 0 && value < 10 ? PadLeft(digits, 2, "0") : digits;
}

// A mask token and the text of its field.
struct Token {
  std::string_view name;
  std::string (*text)(const WallClockFields&);
};

const std::array<Token, 7> kTokens = {{
    {"yyyy", [](const WallClockFields& f) { return IntegerToText(f.year); }},
    {"yy", [](const WallClockFields& f) { return MidPart(IntegerToText(f.year), 3, 2); }},
    {"mm", [](const WallClockFields& f) { return TwoDigits(f.month); }},
    {"dd", [](const WallClockFields& f) { return TwoDigits(f.day); }},
    {"hh", [](const WallClockFields& f) { return TwoDigits(f.hour); }},
    {"ii", [](const WallClockFields& f) { return TwoDigits(f.minute); }},
    {"ss", [](const WallClockFields& f) { return TwoDigits(f.second); }},
}};

const Token* MatchToken(std::string_view rest) {
  for (const Token& token : kTokens) {
    if (rest.size() >= token.name.size() &&
        LowerCase(rest.substr(0, token.name.size())) == token.name) {
      return &token;
    }
  }
  return nullptr;
}

}  // namespace

// Fields outside the date range give the nearest end of the 32-bit range.
int32_t DateFromFields(const WallClockFields& fields) {
  int64_t days = DaysFromCivil(fields.year, fields.month, fields.day);
  int64_t seconds = days * kSecondsPerDay + int64_t{fields.hour} * 3600 +
                    int64_t{fields.minute} * 60 + fields.second;
  seconds = std::clamp<int64_t>(seconds, std::numeric_limits<int32_t>::min(),
                                std::numeric_limits<int32_t>::max());
  return static_cast<int32_t>(seconds);
}

// Plain calendar decoding; dates before 1970 decode as well.
WallClockFields FieldsFromDate(int32_t date) {
  int64_t days = FloorDivide(date, kSecondsPerDay);
  int64_t second_of_day = date - days * kSecondsPerDay;
  int64_t shifted = days + 719468;
  int64_t era = FloorDivide(shifted, 146097);
  int64_t day_of_era = shifted - era * 146097;
  int64_t year_of_era =
      (day_of_era - day_of_era / 1460 + day_of_era / 36524 - day_of_era / 146096) / 365;
  int64_t day_of_year = day_of_era - (365 * year_of_era + year_of_era / 4 - year_of_era / 100);
  int64_t month_index = (5 * day_of_year + 2) / 153;
  WallClockFields fields;
  fields.day = static_cast<int>(day_of_year - (153 * month_index + 2) / 5 + 1);
  fields.month = static_cast<int>(month_index < 10 ? month_index + 3 : month_index - 9);
  fields.year = static_cast<int>(year_of_era + era * 400 + (fields.month <= 2));
  fields.hour = static_cast<int>(second_of_day / 3600);
  fields.minute = static_cast<int>(second_of_day / 60 % 60);
  fields.second = static_cast<int>(second_of_day % 60);
  return fields;
}

int32_t CurrentDate(const Clock& clock) {
  return DateFromFields(clock.LocalTime());
}

std::string FormatDate(std::string_view mask, int32_t date) {
  WallClockFields fields = FieldsFromDate(date);
  std::string text;
  size_t i = 0;
  while (i < mask.size()) {
    const Token* token = mask[i] == '%' ? MatchToken(mask.substr(i + 1)) : nullptr;
    if (token == nullptr) {
      text.push_back(mask[i++]);
      continue;
    }
    text += token->text(fields);
    i += 1 + token->name.size();
  }
  return text;
}

std::string TimestampText(int64_t date) {
  const int64_t clamped = std::min<int64_t>(std::max<int64_t>(date, 0), INT32_MAX);
  return FormatDate("%yyyy/%mm/%dd %hh:%ii:%ss", static_cast<int32_t>(clamped));
}

}  // namespace verdalin
