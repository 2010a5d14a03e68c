// Date values (seconds from 1970 to the local wall-clock time) and their formatting by masks.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "base/clock.h"

namespace verdalin {

// The dates the texts show: years 0 to 9999, so that a year always prints in four digits.
inline constexpr int64_t kEarliestDate = -62167219200;  // 0000/01/01 00:00:00
inline constexpr int64_t kLatestDate = 253402300799;    // 9999/12/31 23:59:59

// Seconds from 1970-01-01 00:00:00 to the given wall-clock fields, without any time-zone shift.
// Exact for any fields (a month or day out of range carries over).
int64_t DateFromFields(const WallClockFields& fields);
// Plain calendar decoding; a date before kEarliestDate or after kLatestDate gives that end.
WallClockFields FieldsFromDate(int64_t date);

int64_t CurrentDate(const Clock& clock);

// Replaces %yyyy %yy %mm %dd %hh %ii %ss (any letter case) by the fields of `date`; the year has
// four digits.
std::string FormatDate(std::string_view mask, int64_t date);

// "yyyy/mm/dd hh:ii:ss", the logs' time stamp.
std::string TimestampText(int64_t date);

}  // namespace verdalin
