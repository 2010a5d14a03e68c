// Date values (seconds from 1970 to the local wall-clock time) and their formatting by masks.
#include "base/date_format.h"

#include <algorithm>
#include <array>

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

// Fields are never negative here (FieldsFromDate keeps to years 0 to 9999).
std::string Digits(int value, int32_t width) {
  return PadLeft(IntegerToText(value), width, "0");
}

// A mask token and the text of its field.
struct Token {
  std::string_view name;
  std::string (*text)(const WallClockFields&);
};

const std::array<Token, 7> kTokens = {{
    {"yyyy", [](const WallClockFields& f) { return Digits(f.year, 4); }},
    {"yy", [](const WallClockFields& f) { return Digits(f.year % 100, 2); }},
    {"mm", [](const WallClockFields& f) { return Digits(f.month, 2); }},
    {"dd", [](const WallClockFields& f) { return Digits(f.day, 2); }},
    {"hh", [](const WallClockFields& f) { return Digits(f.hour, 2); }},
    {"ii", [](const WallClockFields& f) { return Digits(f.minute, 2); }},
    {"ss", [](const WallClockFields& f) { return Digits(f.second, 2); }},
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

// Fields of int range stay far inside int64 (|year| < 2^32 gives |seconds| < 2^57): no overflow.
int64_t DateFromFields(const WallClockFields& fields) {
  int64_t days = DaysFromCivil(fields.year, fields.month, fields.day);
  return days * kSecondsPerDay + int64_t{fields.hour} * 3600 + int64_t{fields.minute} * 60 +
         fields.second;
}

WallClockFields FieldsFromDate(int64_t date) {
  date = std::clamp(date, kEarliestDate, kLatestDate);
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

int64_t CurrentDate(const Clock& clock) {
  return DateFromFields(clock.LocalTime());
}

std::string FormatDate(std::string_view mask, int64_t date) {
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
  return FormatDate("%yyyy/%mm/%dd %hh:%ii:%ss", date);
}

}  // namespace verdalin
