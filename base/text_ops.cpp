// Text and number operations: parsing, formatting, cutting, searching and case mapping of texts.
#include "base/text_ops.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

namespace verdalin {

namespace {

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

bool IsWhiteSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

size_t SkipDigits(std::string_view text, size_t i) {
  while (i < text.size() && IsDigit(text[i])) ++i;
  return i;
}

// Length of the longest prefix of `text` of the form digits [. digits] [e [sign] digits] holding
// at least one mantissa digit; 0 when there is none.
size_t NumberPrefixLength(std::string_view text) {
  size_t i = SkipDigits(text, 0);
  size_t digits = i;
  if (i < text.size() && text[i] == '.') {
    size_t after = SkipDigits(text, i + 1);
    digits += after - i - 1;
    i = after;
  }
  if (digits == 0) return 0;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    size_t e = i + 1;
    if (e < text.size() && (text[e] == '+' || text[e] == '-')) ++e;
    size_t end = SkipDigits(text, e);
    if (end > e) i = end;
  }
  return i;
}

// Whether a number prefix whose conversion is out of range overflows (rather than underflows):
// its decimal point position, shifted by the exponent, lies to the right of the first digit.
bool Overflows(std::string_view number) {
  size_t first = number.find_first_not_of("0.");
  size_t point = number.find_first_of(".eE");
  if (point == std::string_view::npos) point = number.size();
  size_t e = number.find_first_of("eE");
  int64_t exponent = 0;
  if (e != std::string_view::npos) {
    std::string_view digits = number.substr(e + 1);
    bool negative = !digits.empty() && digits[0] == '-';
    if (!digits.empty() && (digits[0] == '-' || digits[0] == '+')) digits.remove_prefix(1);
    for (char c : digits) exponent = std::min<int64_t>(exponent * 10 + (c - '0'), 1000000);
    if (negative) exponent = -exponent;
  }
  return static_cast<int64_t>(point) - static_cast<int64_t>(first) + exponent > 0;
}

// Letter folding for matches that ignore case: A to Z and the accented capitals (the byte 215,
// the multiplication sign, is no letter and stays).
unsigned char FoldCase(unsigned char c) {
  if ((c >= 'A' && c <= 'Z') || (c >= 192 && c <= 222 && c != 215)) return c + 32;
  return c;
}

bool MatchesIgnoringCase(std::string_view text, size_t at, std::string_view part) {
  for (size_t j = 0; j < part.size(); ++j) {
    if (FoldCase(text[at + j]) != FoldCase(part[j])) return false;
  }
  return true;
}

template <typename Map>
std::string MapBytes(std::string_view text, Map map) {
  std::string result(text);
  for (char& c : result) c = static_cast<char>(map(static_cast<unsigned char>(c)));
  return result;
}

}  // namespace

int32_t ParseInteger(std::string_view text) {
  size_t i = text.find_first_not_of(' ');
  if (i == std::string_view::npos) return 0;
  bool negative = text[i] == '-';
  if (text[i] == '-' || text[i] == '+') ++i;
  uint32_t value = 0;
  for (; i < text.size() && IsDigit(text[i]); ++i) value = value * 10u + (text[i] - '0');
  if (negative) value = 0u - value;
  return static_cast<int32_t>(value);
}

// Reads the number prefix itself and converts it with std::from_chars, which is exact (correctly
// rounded) and ignores the process locale, so every build reads a text alike. The words "inf" and
// "nan" are not numbers here: they give 0.
float ParseFloat(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && IsWhiteSpace(text[i])) ++i;
  bool negative = i < text.size() && text[i] == '-';
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) ++i;
  std::string_view number = text.substr(i, NumberPrefixLength(text.substr(i)));
  if (number.empty()) return 0.0f;
  double value = 0.0;
  auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value);
  if (error == std::errc::result_out_of_range) {
    value = Overflows(number) ? std::numeric_limits<double>::infinity() : 0.0;
  }
  return static_cast<float>(negative ? -value : value);
}

std::string IntegerToText(int32_t value) {
  char buffer[16];
  auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string(buffer, result.ptr);
}

// std::to_chars writes the exact binary value rounded to the requested digits, an exact tie going
// to the even last digit (0.125 with 2 decimals gives 0.12), the same on every build. A negative
// value that rounds to zero keeps its "-" (-0.01 with 1 decimal gives -0.0), as printf does.
// Decimals below -1 count as 0; infinities and NaN give "inf", "-inf" and "nan".
std::string FloatToText(float value, int decimals) {
  if (decimals == -1) decimals = 6;
  if (decimals < 0) decimals = 0;
  std::string buffer(64 + static_cast<size_t>(decimals), '\0');
  auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(),
                              static_cast<double>(value), std::chars_format::fixed, decimals);
  buffer.resize(static_cast<size_t>(result.ptr - buffer.data()));
  return buffer;
}

int32_t RoundToEven(double value) {
  if (std::isnan(value)) return 0;
  if (!(value < 2147483647.5)) return std::numeric_limits<int32_t>::max();
  if (!(value > -2147483648.5)) return std::numeric_limits<int32_t>::min();
  double whole = std::floor(value);
  double fraction = value - whole;  // exact for every double
  if (fraction > 0.5 || (fraction == 0.5 && std::fmod(whole, 2.0) != 0.0)) whole += 1.0;
  return static_cast<int32_t>(whole);
}

int32_t TextLength(std::string_view text) {
  return static_cast<int32_t>(text.size());
}

std::string LeftPart(std::string_view text, int32_t n) {
  if (n <= 0) return {};
  return std::string(text.substr(0, static_cast<size_t>(n)));
}

std::string RightPart(std::string_view text, int32_t n) {
  if (n <= 0) return {};
  size_t count = std::min(text.size(), static_cast<size_t>(n));
  return std::string(text.substr(text.size() - count));
}

std::string MidPart(std::string_view text, int32_t start, int32_t n) {
  if (start < 1) start = 1;
  if (n <= 0 || static_cast<size_t>(start) > text.size()) return {};
  return std::string(text.substr(static_cast<size_t>(start) - 1, static_cast<size_t>(n)));
}

std::string TrimBlanks(std::string_view text) {
  size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  return std::string(text.substr(first, text.find_last_not_of(' ') - first + 1));
}

std::string TrimLeadingBlanks(std::string_view text) {
  size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  return std::string(text.substr(first));
}

// Windows-1252 case mapping as the program has always done it: every byte of 192 to 222 and of
// 224 to 255, the signs 215 and 247 and the bytes 223 and 255 included.
std::string LowerCase(std::string_view text) {
  return MapBytes(text, [](unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 192 && c <= 222) ? c + 32 : c;
  });
}

std::string UpperCase(std::string_view text) {
  return MapBytes(text,
                  [](unsigned char c) { return (c >= 'a' && c <= 'z') || c >= 224 ? c - 32 : c; });
}

// A plain left-to-right search restarts one position after each failed candidate, so
// overlapping candidates are found. An empty part is found at `start` (when start is valid).
int32_t FindText(std::string_view text, std::string_view part, int32_t start) {
  if (start < 1) start = 1;
  if (static_cast<size_t>(start) > text.size() + 1) return 0;
  size_t found = text.find(part, static_cast<size_t>(start) - 1);
  return found == std::string_view::npos ? 0 : static_cast<int32_t>(found) + 1;
}

int32_t CountText(std::string_view text, std::string_view part) {
  if (part.empty()) return 0;
  int32_t count = 0;
  for (size_t at = text.find(part); at != std::string_view::npos;
       at = text.find(part, at + part.size())) {
    ++count;
  }
  return count;
}

std::string TextField(std::string_view text, int32_t index, std::string_view separator) {
  if (separator.empty()) return std::string(text);
  size_t begin = 0;
  for (int32_t field = 1; field < index; ++field) {
    size_t cut = text.find(separator[0], begin);
    if (cut == std::string_view::npos) return {};
    begin = cut + 1;
  }
  size_t end = text.find(separator[0], begin);
  return std::string(text.substr(begin, end == std::string_view::npos ? end : end - begin));
}

std::string ReplaceText(std::string_view text, std::string_view part,
                        std::string_view replacement) {
  if (part.empty()) return std::string(text);
  std::string result;
  size_t from = 0;
  for (size_t at = text.find(part); at != std::string_view::npos; at = text.find(part, from)) {
    result.append(text.substr(from, at - from)).append(replacement);
    from = at + part.size();
  }
  return result.append(text.substr(from));
}

// An empty part removes nothing and gives the text back.
std::string RemoveText(std::string_view text, std::string_view part, bool ignore_case) {
  if (!ignore_case) return ReplaceText(text, part, {});
  if (part.empty()) return std::string(text);
  std::string result;
  size_t i = 0;
  while (i < text.size()) {
    if (text.size() - i >= part.size() && MatchesIgnoringCase(text, i, part)) {
      i += part.size();
    } else {
      result.push_back(text[i++]);
    }
  }
  return result;
}

// An empty fill text fills with blanks, as a missing one does: a text holds no 0 byte.
std::string PadLeft(std::string_view text, int32_t width, std::string_view fill) {
  if (width <= 0) return {};
  size_t kept = std::min(text.size(), static_cast<size_t>(width));
  std::string result(static_cast<size_t>(width) - kept, fill.empty() ? ' ' : fill[0]);
  return result.append(text.substr(0, kept));
}

// A negative count gives the empty text.
std::string Blanks(int32_t n) {
  return std::string(n > 0 ? static_cast<size_t>(n) : 0, ' ');
}

int32_t CharCode(std::string_view text) {
  return text.empty() ? 0 : static_cast<unsigned char>(text[0]);
}

// Codes outside 1 to 255 give the empty text: 0 cannot be inside a text, and larger codes name no
// single byte.
std::string CharText(int32_t code) {
  if (code < 1 || code > 255) return {};
  return std::string(1, static_cast<char>(code));
}

bool TextEquals(std::string_view a, std::string_view b) {
  return a == b;
}

std::vector<std::string_view> SplitLines(std::string_view page) {
  std::vector<std::string_view> lines;
  size_t begin = 0;
  for (size_t cut = page.find('\n'); cut != std::string_view::npos; cut = page.find('\n', begin)) {
    lines.push_back(page.substr(begin, cut - begin));
    begin = cut + 1;
  }
  lines.push_back(page.substr(begin));
  return lines;
}

std::string FolderWithSeparator(std::string_view path) {
  const std::size_t cut = path.find_last_of("/\\");
  return cut == std::string_view::npos ? std::string() : std::string(path.substr(0, cut + 1));
}

}  // namespace verdalin
