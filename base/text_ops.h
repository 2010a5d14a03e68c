// Text and number operations: parsing, formatting, cutting, searching and case mapping of texts.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace verdalin {

// Texts are byte strings in the system's single-byte code page; positions count from 1.
// A blank is the space character (byte 32) only.

int32_t ParseInteger(std::string_view text);
float ParseFloat(std::string_view text);
std::string IntegerToText(int32_t value);
// Fixed-point text with `decimals` digits after a full stop; -1 means six.
std::string FloatToText(float value, int decimals);

// Rounds to the nearest integer, a tie going to the even integer. Values beyond the 32-bit range
// (infinities included) give the nearest end of the range; NaN gives 0.
int32_t RoundToEven(double value);

int32_t TextLength(std::string_view text);
std::string LeftPart(std::string_view text, int32_t n);
std::string RightPart(std::string_view text, int32_t n);
std::string MidPart(std::string_view text, int32_t start, int32_t n);
std::string TrimBlanks(std::string_view text);
std::string TrimLeadingBlanks(std::string_view text);
std::string LowerCase(std::string_view text);
std::string UpperCase(std::string_view text);
int32_t FindText(std::string_view text, std::string_view part, int32_t start);
int32_t CountText(std::string_view text, std::string_view part);
std::string TextField(std::string_view text, int32_t index, std::string_view separator);
std::string ReplaceText(std::string_view text, std::string_view part, std::string_view replacement);
std::string RemoveText(std::string_view text, std::string_view part, bool ignore_case);
std::string PadLeft(std::string_view text, int32_t width, std::string_view fill = " ");
std::string Blanks(int32_t n);
int32_t CharCode(std::string_view text);
std::string CharText(int32_t code);
bool TextEquals(std::string_view a, std::string_view b);

// The folder part of a path with its separator ("" for a bare name); "/" and "\\" both count.
std::string FolderWithSeparator(std::string_view path);

// The lines of a page cut at every line break, in one pass: line k is TextField(page, k, "\n") for
// k = 1 to CountText(page, "\n") + 1. A carriage return before a break stays on its line; the
// views point into `page`.
std::vector<std::string_view> SplitLines(std::string_view page);

}  // namespace verdalin
