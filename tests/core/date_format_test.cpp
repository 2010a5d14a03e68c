// Date values and their formatting: calendar arithmetic, the clock and the mask tokens.
#include "base/date_format.h"

#include <gtest/gtest.h>

#include <limits>

#include "fakes/fake_clock.h"

namespace verdalin {

namespace {

bool SameFields(const WallClockFields& a, const WallClockFields& b) {
  return a.year == b.year && a.month == b.month && a.day == b.day && a.hour == b.hour &&
         a.minute == b.minute && a.second == b.second;
}

}  // namespace

TEST(DateFromFields, PlainGregorianSeconds) {
  EXPECT_EQ(DateFromFields({1970, 1, 1, 0, 0, 0}), 0);
  EXPECT_EQ(DateFromFields({2006, 12, 30, 21, 5, 9}), 1167512709);
  EXPECT_EQ(DateFromFields({2007, 1, 2, 3, 4, 5}), 1167707045);
  EXPECT_EQ(DateFromFields({2000, 2, 29, 12, 0, 0}), 951825600);
  EXPECT_EQ(DateFromFields({2038, 1, 19, 3, 14, 7}), std::numeric_limits<int32_t>::max());
  EXPECT_EQ(DateFromFields({1969, 12, 31, 23, 59, 59}), -1);
  EXPECT_EQ(DateFromFields({2006, 13, 1, 0, 0, 0}), DateFromFields({2007, 1, 1, 0, 0, 0}));
  EXPECT_EQ(DateFromFields({2100, 1, 1, 0, 0, 0}), std::numeric_limits<int32_t>::max());
  EXPECT_EQ(DateFromFields({1800, 1, 1, 0, 0, 0}), std::numeric_limits<int32_t>::min());
}

TEST(FieldsFromDate, RoundTripsEveryDayOfTheRange) {
  WallClockFields expected{1970, 1, 1, 0, 0, 0};
  const int month_days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  for (int64_t day = 0; day < 24855; ++day) {
    expected.hour = static_cast<int>(day % 24);
    expected.minute = static_cast<int>(day * 7 % 60);
    expected.second = static_cast<int>(day * 13 % 60);
    int32_t date = DateFromFields(expected);
    ASSERT_EQ(date, day * 86400 + expected.hour * 3600 + expected.minute * 60 + expected.second);
    ASSERT_TRUE(SameFields(FieldsFromDate(date), expected)) << day;
    bool leap = expected.year % 4 == 0 && (expected.year % 100 != 0 || expected.year % 400 == 0);
    int length = month_days[expected.month - 1] + (expected.month == 2 && leap ? 1 : 0);
    if (++expected.day > length) {
      expected.day = 1;
      if (++expected.month > 12) expected = {expected.year + 1, 1, 1, 0, 0, 0};
    }
  }
  EXPECT_TRUE(SameFields(FieldsFromDate(-1), {1969, 12, 31, 23, 59, 59}));
  EXPECT_TRUE(
      SameFields(FieldsFromDate(std::numeric_limits<int32_t>::min()), {1901, 12, 13, 20, 45, 52}));
}

TEST(CurrentDate, TakesTheClockFieldsWithoutShift) {
  FakeClock clock;
  EXPECT_EQ(CurrentDate(clock), 1167512709);
  clock.now = {2007, 7, 1, 2, 30, 0};  // summer time: the hour the clock shows
  EXPECT_EQ(FormatDate("%hh:%ii", CurrentDate(clock)), "02:30");
}

TEST(FormatDate, TheProgramsMasks) {
  int32_t date = DateFromFields({2006, 12, 30, 21, 5, 9});
  EXPECT_EQ(FormatDate("%yyyy/%mm/%dd %hh:%ii:%ss", date), "2006/12/30 21:05:09");
  EXPECT_EQ(FormatDate("Time: %hh:%ii:%ss", date), "Time: 21:05:09");
  EXPECT_EQ(FormatDate("%yyyy/%mm/%dd-%hh:%ii", date), "2006/12/30-21:05");
  EXPECT_EQ(FormatDate("%yyyy/%mm/%dd %hh:%ii:%ss", DateFromFields({2007, 1, 2, 3, 4, 5})),
            "2007/01/02 03:04:05");
}

TEST(FormatDate, TokensCaseAndLonePercent) {
  int32_t date = DateFromFields({2006, 12, 30, 21, 5, 9});
  EXPECT_EQ(FormatDate("%MM %Mm %YYYY %yY %II %Ss %DD %HH", date), "12 12 2006 06 05 09 30 21");
  EXPECT_EQ(FormatDate("%yy", date), "06");
  EXPECT_EQ(FormatDate("%yyy", date), "06y");
  EXPECT_EQ(FormatDate("100%", date), "100%");
  EXPECT_EQ(FormatDate("%%mm", date), "%12");
  EXPECT_EQ(FormatDate("%m%", date), "%m%");
  EXPECT_EQ(FormatDate("%nn %y", date), "%nn %y");
  EXPECT_EQ(FormatDate("", date), "");
  EXPECT_EQ(FormatDate("no tokens", date), "no tokens");
}

}  // namespace verdalin
