// Locale number formatting: one table of results for the platform's service and the portable one.
#include "base/locale_number.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace verdalin {

namespace {

const LocaleSnapshot kFullStop{".", ","};
const LocaleSnapshot kComma{",", " "};

struct Case {
  const char* number;
  const char* full_stop;  // with "." and ","
  const char* comma;      // with "," and " "
};

const Case kCases[] = {
    {"12.50", "12.50", "12,50"},
    {"0.00", ".00", ",00"},
    {"0.50", ".50", ",50"},
    {"1234.56", "1,234.56", "1 234,56"},
    {"-1.50", "- 1.50", "- 1,50"},
    {"123456.78", "", ""},  // would need 10 characters
    {"12345.678", "12,345.68", "12 345,68"},
    {"-9999.99", "", ""},
    {"0.005", ".01", ",01"},  // rounds half away from zero
    {"-0.995", "- 1.00", "- 1,00"},
    {"00012.345", "12.35", "12,35"},
    {"7", "7.00", "7,00"},
    {"-0.00", ".00", ",00"},  // a zero keeps no sign
    {"-0.000", ".00", ",00"},
    {"1e3", "", ""},
    {"+1.5", "", ""},
    {" 1.5", "", ""},
    {"1.2.3", "", ""},
    {"abc", "", ""},
    {"inf", "", ""},
    {"-nan", "", ""},
};

void ExpectTable(NumberFormatService& service) {
  for (const Case& c : kCases) {
    EXPECT_EQ(FormatLocaleNumber(service, kFullStop, c.number, ""), c.full_stop) << c.number;
    EXPECT_EQ(FormatLocaleNumber(service, kComma, c.number, ""), c.comma) << c.number;
  }
}

// A service that fails without touching the buffer, or writes a padded text.
class ScriptedService : public NumberFormatService {
 public:
  LocaleSnapshot TakeSnapshot() override { return {}; }
  bool FormatNumber(const std::string&, const LocaleSnapshot&, char* buffer, int size) override {
    last_size = size;
    if (!answer) return false;
    std::snprintf(buffer, static_cast<std::size_t>(size), "%s", text);
    return true;
  }
  bool answer = true;
  const char* text = "  1.50 ";
  int last_size = 0;
};

}  // namespace

TEST(LocaleNumber, PlatformServiceFollowsTheTable) {
  ExpectTable(PlatformNumberFormat());
}

TEST(LocaleNumber, PortableRulesFollowTheTable) {
  PortableNumberFormat portable;
  ExpectTable(portable);
}

TEST(LocaleNumber, PortableCarryAndSeparatorTexts) {
  PortableNumberFormat portable;
  // Rounding that carries into a new group of three (Wine's GetNumberFormatA then leaves the
  // separator out, "1000.00", so this is not in the shared table).
  EXPECT_EQ(FormatLocaleNumber(portable, kFullStop, "999.995", ""), "1,000.00");
  LocaleSnapshot wide{"<>", "'"};
  EXPECT_EQ(FormatLocaleNumber(portable, wide, "1234.5", ""), "1'234<>50");
  EXPECT_EQ(FormatLocaleNumber(portable, {".", ""}, "123456.78", ""), "123456.78");
}

TEST(LocaleNumber, OptionsGiveTheFieldWidth) {
  ScriptedService service;
  EXPECT_EQ(FormatLocaleNumber(service, kFullStop, "1.5", ""), "1.50");  // trimmed
  EXPECT_EQ(service.last_size, 10);
  EXPECT_EQ(FormatLocaleNumber(service, kFullStop, "1.5", "C10F2"), "1.50");
  EXPECT_EQ(service.last_size, 10);
  EXPECT_EQ(FormatLocaleNumber(service, kFullStop, "1.5", "C12F2"), "1.50");
  EXPECT_EQ(service.last_size, 12);
  service.last_size = 0;
  for (const char* refused : {"10F2", "C10F3", "C10", "CxF2", "C1F2", "C999F2", "C10F2x"}) {
    EXPECT_EQ(FormatLocaleNumber(service, kFullStop, "1.5", refused), "") << refused;
  }
  EXPECT_EQ(service.last_size, 0);
  service.answer = false;
  EXPECT_EQ(FormatLocaleNumber(service, kFullStop, "1.5", ""), "");
  PortableNumberFormat portable;
  EXPECT_EQ(FormatLocaleNumber(portable, kFullStop, "123456.78", "C12F2"), "123,456.78");
}

}  // namespace verdalin
