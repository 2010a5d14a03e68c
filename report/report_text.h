// Texts of the history report: hundredths of a unit and days.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace verdalin {

// A count of hundredths as a decimal number without trailing zeros ("12.5", "-0.05", "3");
// kNoValue (the smallest int32) as "null".
void AppendHundredths(std::string& out, int64_t hundredths);

// "yyyy/mm/dd" of a date value.
std::string DayText(int64_t time);

}  // namespace verdalin
