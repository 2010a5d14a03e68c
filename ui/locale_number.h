// Locale number formatting of the CSV log's decimal columns ("C10F2": grouped, 2 decimals).
#pragma once

#include <string>

namespace verdalin {

struct LocaleSnapshot {
  std::string decimal_separator = ".";
  std::string thousands_separator = ",";
};

// The platform's number formatting service.
class NumberFormatService {
 public:
  virtual ~NumberFormatService() = default;
  // The user's decimal and thousands separators.
  virtual LocaleSnapshot TakeSnapshot() = 0;
  // Formats a plain number text with 2 decimals, no leading zero, groups of 3, negative form
  // "- n", into `buffer` of `size` bytes with its terminator; false when it does not fit or
  // the text is not a number.
  virtual bool FormatNumber(const std::string& number, const LocaleSnapshot& snapshot,
                            char* buffer, int size) = 0;
};

// The platform's service (GetNumberFormatA on Windows, the C library's locale data on Linux).
NumberFormatService& PlatformNumberFormat();

}  // namespace verdalin
