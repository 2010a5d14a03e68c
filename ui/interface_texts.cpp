// The English and French interface text lists, the text table, and Windows-1252 <-> UTF-8.
#include "ui/interface_texts.h"

#include <cstdint>

namespace verdalin {

namespace {

#include "ui/interface_texts_data.inc"

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

}  // namespace

const TextList& EnglishTexts() {
  return kEnglishList;
}
const TextList& FrenchTexts() {
  return kFrenchList;
}

void InterfaceTexts::Load() {
  for (const TextList* list : {&kEnglishList, &kFrenchList})
    for (int slot = 0; slot < kInterfaceTextCount; ++slot) slots_[slot] = (*list)[slot];
}

const std::string& InterfaceTexts::Text(int slot) const {
  static const std::string kEmpty;
  if (slot < 0 || slot >= kInterfaceTextCount) return kEmpty;
  return slots_[slot];
}

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

}  // namespace verdalin
