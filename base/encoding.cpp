// Texts for outside formats: code page conversion, escaping and fixed-point numbers.
#include "base/encoding.h"

#include <charconv>
#include <cmath>

namespace verdalin {

namespace {

// Unicode code points of the bytes 0x80 to 0x9F; the five undefined ones keep their own value.
constexpr char16_t kHighControls[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

char32_t CodePointOf(unsigned char byte) {
  if (byte >= 0x80 && byte < 0xA0) return kHighControls[byte - 0x80];
  return byte;
}

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

char ByteOf(char32_t c) {
  if (c < 0x80 || (c >= 0xA0 && c < 0x100)) return static_cast<char>(c);
  for (int i = 0; i < 32; ++i)
    if (kHighControls[i] == c) return static_cast<char>(0x80 + i);
  return '?';
}

// Decodes one UTF-8 sequence at `i` and moves past it; '?' replaces a malformed one.
char32_t NextCodePoint(std::string_view text, std::size_t& i) {
  const auto lead = static_cast<unsigned char>(text[i++]);
  if (lead < 0x80) return lead;
  const int extra = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : -1;
  if (extra < 0 || lead > 0xF4) return U'?';
  char32_t c = lead & (0x3F >> extra);
  for (int k = 0; k < extra; ++k) {
    if (i >= text.size() || (static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) return U'?';
    c = (c << 6) | (static_cast<unsigned char>(text[i++]) & 0x3F);
  }
  constexpr char32_t kLowest[] = {0, 0x80, 0x800, 0x10000};
  if (c < kLowest[extra] || c > 0x10FFFF || (c >= 0xD800 && c < 0xE000)) return U'?';
  return c;
}

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

std::string Windows1252ToUtf8(std::string_view text) {
  std::string out;
  out.reserve(text.size() + text.size() / 4);
  for (char ch : text) AppendUtf8(out, CodePointOf(static_cast<unsigned char>(ch)));
  return out;
}

std::string Utf8ToWindows1252(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) out += ByteOf(NextCodePoint(text, i));
  return out;
}

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

void AppendFixed(std::string& out, double value, int decimals) {
  if (!std::isfinite(value)) value = 0;
  char digits[64];
  auto result =
      std::to_chars(digits, digits + sizeof digits, value, std::chars_format::fixed, decimals);
  out.append(digits, result.ec == std::errc() ? result.ptr : digits);
}

}  // namespace verdalin
