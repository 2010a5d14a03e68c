// Date values (seconds from 1970 to the local wall-clock time) and their formatting by masks.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "base/clock.h"

namespace verdalin {

// Seconds from 1970-01-01 00:00:00 to the given wall-clock fields, without any time-zone shift.
int32_t DateFromFields(const WallClockFields& fields);
WallClockFields FieldsFromDate(int32_t date);

int32_t CurrentDate(const Clock& clock);

// Replaces %yyyy %yy %mm %dd %hh %ii %ss (any letter case) by the fields of `date`.
std::string FormatDate(std::string_view mask, int32_t date);

// "yyyy/mm/dd hh:ii:ss", the logs' time stamp; a time beyond the date values' range is given as
// the nearest end of it.
std::string TimestampText(int64_t date);

}  // namespace verdalin
