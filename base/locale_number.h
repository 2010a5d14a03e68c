// Locale number formatting of the CSV log's decimal columns ("C10F2": grouped, 2 decimals).
#pragma once

#include <string>

namespace verdalin {

struct LocaleSnapshot {
  std::string decimal_separator = ".";
  std::string thousands_separator = ",";
};

// Bytes one character of a formatted number may take.
inline constexpr int kMaxCharacterBytes = 4;

// The platform's number formatting service.
class NumberFormatService {
 public:
  virtual ~NumberFormatService() = default;
  // The user's decimal and thousands separators.
  virtual LocaleSnapshot TakeSnapshot() = 0;
  // Formats a plain number text with 2 decimals, no leading zero, groups of 3, negative form
  // "- n", into `buffer` with its terminator; false when it does not fit or the text is not a
  // number. `size` is the field in characters, terminator included; the buffer holds `size`
  // times kMaxCharacterBytes bytes, as a separator may take several bytes (UTF-8 on Linux).
  virtual bool FormatNumber(const std::string& number, const LocaleSnapshot& snapshot, char* buffer,
                            int size) = 0;
};

// The formatting rules in plain C++, for platforms without a locale number service. Accepts
// only plain [-]digits[.digits]; rounds half away from zero in the decimal text; each separator
// counts as one character of the field, however many bytes its text takes. Its snapshot
// is the default one; platforms derive from it to read their own separators.
class PortableNumberFormat : public NumberFormatService {
 public:
  LocaleSnapshot TakeSnapshot() override { return {}; }
  bool FormatNumber(const std::string& number, const LocaleSnapshot& snapshot, char* buffer,
                    int size) override;
};

// The platform's service (GetNumberFormatA on Windows, the C library's locale data on Linux).
NumberFormatService& PlatformNumberFormat();

// Default options: thousands grouped (C), a field of 10 characters with its terminator, 2
// decimals (F2).
inline constexpr const char* kDefaultNumberOptions = "C10F2";

// The locale text of `number` (a plain number text such as FloatToText writes), trimmed of
// blanks; empty when the service fails. An empty `options` means kDefaultNumberOptions.
std::string FormatLocaleNumber(NumberFormatService& service, const LocaleSnapshot& snapshot,
                               const std::string& number, const std::string& options);

}  // namespace verdalin
