// Locale numbers on Linux: the snapshot reads the user's LC_NUMERIC, not the process locale.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

#include "base/locale_number.h"
#include "fakes/temp_folder.h"

namespace verdalin {

namespace {

// Sets an environment variable for the lifetime of the object.
class ScopedVariable {
 public:
  ScopedVariable(const char* name, const std::string& value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    setenv(name, value.c_str(), 1);
  }
  ~ScopedVariable() {
    if (old_) {
      setenv(name_, old_->c_str(), 1);
    } else {
      unsetenv(name_);
    }
  }

 private:
  const char* name_;
  std::optional<std::string> old_;
};

// The C library keeps the folder list it reads from LOCPATH for good: that is not ours to free.
class IgnoredLibraryLeaks {
 public:
#if defined(__SANITIZE_ADDRESS__)
  IgnoredLibraryLeaks() {
    __lsan_disable();
  }
  ~IgnoredLibraryLeaks() {
    __lsan_enable();
  }
#endif
};

LocaleSnapshot SnapshotUnder(const std::string& locale) {
  ScopedVariable all("LC_ALL", locale);
  IgnoredLibraryLeaks ignored;
  return PlatformNumberFormat().TakeSnapshot();
}

}  // namespace

TEST(LinuxLocaleNumbers, FrenchLocaleGivesCommaAndNarrowNoBreakSpace) {
  TempFolder folder;
  std::string target = folder.Path("fr_FR.UTF-8");
  std::string command = "localedef -c -i fr_FR -f UTF-8 " + target + " >/dev/null 2>&1";
  if (std::system(command.c_str()) != 0 || !std::filesystem::exists(target)) {
    GTEST_SKIP() << "localedef cannot build fr_FR.UTF-8 here";
  }
  ScopedVariable path("LOCPATH", folder.Path(""));
  LocaleSnapshot french = SnapshotUnder("fr_FR.UTF-8");
  EXPECT_EQ(french.decimal_separator, ",");
  EXPECT_EQ(french.thousands_separator, "\xE2\x80\xAF");  // U+202F in UTF-8
  EXPECT_EQ(FormatLocaleNumber(PlatformNumberFormat(), french, "1234.56", ""),
            "1\xE2\x80\xAF"
            "234,56");
  EXPECT_EQ(FormatLocaleNumber(PlatformNumberFormat(), french, "0.50", ""), ",50");
  // The process itself stays in the C locale.
  EXPECT_STREQ(std::localeconv()->decimal_point, ".");
}

TEST(LinuxLocaleNumbers, CAndMissingLocalesGiveTheCSeparators) {
  for (const char* locale : {"C", "POSIX", "xx_YY.nothing"}) {
    LocaleSnapshot snapshot = SnapshotUnder(locale);
    EXPECT_EQ(snapshot.decimal_separator, ".") << locale;
    EXPECT_EQ(snapshot.thousands_separator, "") << locale;
  }
  EXPECT_EQ(FormatLocaleNumber(PlatformNumberFormat(), SnapshotUnder("C"), "1234.56", ""),
            "1234.56");
}

}  // namespace verdalin
