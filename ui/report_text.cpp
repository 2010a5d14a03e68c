// Texts of the history report: UTF-8 check, the two escapings and the number texts.
#include "ui/report_text.h"

#include <charconv>
#include <cmath>
#include <limits>

#include "text/date_format.h"
#include "ui/interface_texts.h"

namespace verdalin {

namespace {

// The length of the UTF-8 sequence at `at`, 0 when the bytes there are not one (overlong forms,
// surrogates and code points beyond U+10FFFF included).
std::size_t Utf8Length(std::string_view text, std::size_t at) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(at);
  if (lead < 0x80) return 1;
  std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 ? 2 : 0;
  if (length == 0 || lead > 0xF4 || at + length > text.size()) return 0;
  for (std::size_t i = 1; i < length; ++i)
    if ((byte(at + i) & 0xC0) != 0x80) return 0;
  const unsigned char second = byte(at + 1);
  if ((lead == 0xE0 && second < 0xA0) || (lead == 0xED && second >= 0xA0) ||
      (lead == 0xF0 && second < 0x90) || (lead == 0xF4 && second >= 0x90)) {
    return 0;
  }
  return length;
}

bool IsUtf8(std::string_view text) {
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t length = Utf8Length(text, i);
    if (length == 0) return false;
    i += length;
  }
  return true;
}

void AppendUnicodeEscape(std::string& out, unsigned code) {
  static constexpr char kHex[] = "0123456789abcdef";
  out += "\\u";
  for (int shift = 12; shift >= 0; shift -= 4) out += kHex[(code >> shift) & 0xF];
}

}  // namespace

std::string AsUtf8(std::string_view text) {
  return IsUtf8(text) ? std::string(text) : Windows1252ToUtf8(text);
}

void AppendHtml(std::string& out, std::string_view text) {
  for (char c : AsUtf8(text)) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += "&#39;";
        break;
      default:
        out += c;
    }
  }
}

void AppendJsonString(std::string& out, std::string_view text) {
  const std::string utf8 = AsUtf8(text);
  out += '"';
  for (std::size_t i = 0; i < utf8.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(utf8[i]);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20 || c == '<' || c == '>' || c == '&') {
      AppendUnicodeEscape(out, c);
    } else if (utf8.compare(i, 3, "\xE2\x80\xA8") == 0 || utf8.compare(i, 3, "\xE2\x80\xA9") == 0) {
      AppendUnicodeEscape(out, utf8[i + 2] == '\xA8' ? 0x2028 : 0x2029);  // line separators
      i += 2;
    } else {
      out += static_cast<char>(c);
    }
  }
  out += '"';
}

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

void AppendFixed(std::string& out, double value, int decimals) {
  if (!std::isfinite(value)) value = 0;
  char digits[64];
  auto result =
      std::to_chars(digits, digits + sizeof digits, value, std::chars_format::fixed, decimals);
  out.append(digits, result.ec == std::errc() ? result.ptr : digits);
}

std::string DayText(int64_t time) {
  return FormatDate("%yyyy/%mm/%dd", static_cast<int32_t>(time));
}

}  // namespace verdalin
