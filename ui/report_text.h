// Texts of the history report: UTF-8 for the page, escaped for HTML and for JSON, and numbers.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace verdalin {

// UTF-8 left as it is; any other text read as Windows-1252 (the Windows program's code page).
std::string AsUtf8(std::string_view text);

// The text made UTF-8 and escaped for an HTML element or attribute.
void AppendHtml(std::string& out, std::string_view text);

// The text made UTF-8 as a JSON string, quotes included. "<", ">" and "&" are escaped as well, so
// that no text can end the script element that holds the JSON or open a comment in it.
void AppendJsonString(std::string& out, std::string_view text);

// A count of hundredths as a decimal number without trailing zeros ("12.5", "-0.05", "3");
// kNoValue (the smallest int32) as "null".
void AppendHundredths(std::string& out, int64_t hundredths);

// A number with `decimals` digits after a full stop.
void AppendFixed(std::string& out, double value, int decimals);

// "yyyy/mm/dd" of a date value.
std::string DayText(int64_t time);

}  // namespace verdalin
