// Locale numbers on Linux: the separators of the user's LC_NUMERIC, formatted by the portable
// rules.
#include <langinfo.h>
#include <locale.h>

#include <string>

#include "base/locale_number.h"

namespace verdalin {

namespace {

// Reads the locale named by the environment (LC_ALL, LC_NUMERIC, LANG) rather than the process
// locale, which a program leaves at "C". A locale that is not installed reads as "C", as the C
// library itself would take it. The separators are used as the locale gives them, which may be
// several bytes in UTF-8 (fr_FR: U+202F); the 9-character limit of the field then counts bytes.
class LinuxNumberFormat : public PortableNumberFormat {
 public:
  LocaleSnapshot TakeSnapshot() override {
    locale_t user = newlocale(LC_NUMERIC_MASK, "", static_cast<locale_t>(0));
    if (user == static_cast<locale_t>(0)) return {".", ""};
    std::string decimal = nl_langinfo_l(RADIXCHAR, user);
    std::string thousands = nl_langinfo_l(THOUSEP, user);
    freelocale(user);
    return {decimal.empty() ? std::string(".") : decimal, thousands};
  }
};

}  // namespace

NumberFormatService& PlatformNumberFormat() {
  static LinuxNumberFormat service;
  return service;
}

}  // namespace verdalin
