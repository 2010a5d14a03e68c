// Locale number formatting: the option text, the 10-character field and the portable rules.
#include "base/locale_number.h"

#include <cstring>
#include <string_view>

#include "base/text_ops.h"

namespace verdalin {

namespace {

constexpr int kLargestField = 64;

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// Reads "[C]<width>F<decimals>". The service formats only grouped numbers with 2 decimals, so
// an option text that asks for anything else, or that does not read this way, gives no field
// width (0) and the formatting then gives the empty text.
int FieldWidth(std::string_view options) {
  if (options.empty() || options[0] != 'C') return 0;
  std::size_t f = options.find('F');
  if (f == std::string_view::npos || options.substr(f + 1) != "2") return 0;
  int width = 0;
  for (char c : options.substr(1, f - 1)) {
    if (!IsDigit(c) || width > kLargestField) return 0;
    width = width * 10 + (c - '0');
  }
  return width >= 2 && width <= kLargestField ? width : 0;
}

// A number text that reads as zero keeps no minus sign: "-0.00" (a small negative value that
// FloatToText has rounded) is written like 0, not as "- .00".
std::string_view WithoutSignOfZero(std::string_view number) {
  if (number.size() < 2 || number[0] != '-') return number;
  if (number.find_first_not_of("0.", 1) != std::string_view::npos) return number;
  return number.substr(1);
}

// Adds one to a text of decimal digits ("" reads as 0).
void Increment(std::string& digits) {
  for (std::size_t i = digits.size(); i-- > 0;) {
    if (digits[i] != '9') {
      ++digits[i];
      return;
    }
    digits[i] = '0';
  }
  digits.insert(digits.begin(), '1');
}

std::string Grouped(std::string_view digits, const std::string& separator) {
  std::string out;
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) out += separator;
    out += digits[i];
  }
  return out;
}

struct Formatted {
  std::string text;
  std::size_t characters = 0;  // each separator counts as one, an empty one as none
};

// Formats [-]digits[.digits] (at least one digit); false for any other text.
bool FormatPlainNumber(std::string_view number, const LocaleSnapshot& snapshot, Formatted& out) {
  bool negative = !number.empty() && number[0] == '-';
  if (negative) number.remove_prefix(1);
  std::size_t point = number.find('.');
  std::string_view whole = number.substr(0, point);
  std::string_view fraction = point == std::string_view::npos ? "" : number.substr(point + 1);
  auto all_digits = [](std::string_view part) {
    return part.find_first_not_of("0123456789") == std::string_view::npos;
  };
  if (!all_digits(whole) || !all_digits(fraction) || whole.size() + fraction.size() == 0) {
    return false;
  }
  std::size_t first = whole.find_first_not_of('0');
  std::string integer(first == std::string_view::npos ? "" : whole.substr(first));
  std::string cents = (std::string(fraction) + "000").substr(0, 3);
  int hundredths = (cents[0] - '0') * 10 + (cents[1] - '0') + (cents[2] >= '5' ? 1 : 0);
  if (hundredths == 100) {
    hundredths = 0;
    Increment(integer);
  }
  std::size_t groups = integer.empty() ? 0 : (integer.size() - 1) / 3;
  auto separator_count = [](const std::string& separator, std::size_t times) {
    return separator.empty() ? 0 : times;
  };
  out.characters = (negative ? 2 : 0) + integer.size() + 2 +
                   separator_count(snapshot.thousands_separator, groups) +
                   separator_count(snapshot.decimal_separator, 1);
  out.text = negative ? "- " : "";
  out.text += Grouped(integer, snapshot.thousands_separator) + snapshot.decimal_separator;
  out.text += static_cast<char>('0' + hundredths / 10);
  out.text += static_cast<char>('0' + hundredths % 10);
  return true;
}

}  // namespace

bool PortableNumberFormat::FormatNumber(const std::string& number, const LocaleSnapshot& snapshot,
                                        char* buffer, int size) {
  Formatted formatted;
  if (size <= 0 || !FormatPlainNumber(number, snapshot, formatted)) return false;
  std::size_t field = static_cast<std::size_t>(size);
  if (formatted.characters >= field || formatted.text.size() >= field * kMaxCharacterBytes) {
    return false;
  }
  std::memcpy(buffer, formatted.text.c_str(), formatted.text.size() + 1);
  return true;
}

std::string FormatLocaleNumber(NumberFormatService& service, const LocaleSnapshot& snapshot,
                               const std::string& number, const std::string& options) {
  int width = FieldWidth(options.empty() ? kDefaultNumberOptions : options);
  if (width == 0) return "";
  char buffer[kLargestField * kMaxCharacterBytes + 1];
  std::memset(buffer, ' ', static_cast<std::size_t>(width));  // a failed call leaves blanks
  buffer[width] = '\0';
  buffer[sizeof buffer - 1] = '\0';
  if (!service.FormatNumber(std::string(WithoutSignOfZero(number)), snapshot, buffer, width)) {
    return "";
  }
  return TrimBlanks(std::string_view(buffer, std::strlen(buffer)));
}

}  // namespace verdalin
