// Locale numbers on Windows: the user's separators from GetLocaleInfoA, formatting by
// GetNumberFormatA.
#include <windows.h>

#include <vector>

#include "base/locale_number.h"

namespace verdalin {

namespace {

// One locale item in two calls: the size with its terminator, then the text.
std::string ReadLocaleItem(LCTYPE item, const char* fallback) {
  int size = GetLocaleInfoA(LOCALE_USER_DEFAULT, item, nullptr, 0);
  if (size <= 0) return fallback;
  std::vector<char> text(static_cast<std::size_t>(size) + 1, '\0');
  if (GetLocaleInfoA(LOCALE_USER_DEFAULT, item, text.data(), size) <= 0) return fallback;
  return text.data();
}

class WindowsNumberFormat : public NumberFormatService {
 public:
  LocaleSnapshot TakeSnapshot() override {
    return {ReadLocaleItem(LOCALE_SDECIMAL, "."), ReadLocaleItem(LOCALE_STHOUSAND, ",")};
  }

  // 2 decimals, no leading zero, groups of 3, negative form 2 ("- 1.50"). The buffer is given
  // with its real size: Wine's size query (a null buffer) answers 2 whatever the number.
  bool FormatNumber(const std::string& number, const LocaleSnapshot& snapshot, char* buffer,
                    int size) override {
    std::string decimal = snapshot.decimal_separator;
    std::string thousands = snapshot.thousands_separator;
    NUMBERFMTA format{2, 0, 3, decimal.data(), thousands.data(), 2};
    return GetNumberFormatA(LOCALE_USER_DEFAULT, 0, number.c_str(), &format, buffer, size) > 0;
  }
};

}  // namespace

NumberFormatService& PlatformNumberFormat() {
  static WindowsNumberFormat service;
  return service;
}

}  // namespace verdalin
