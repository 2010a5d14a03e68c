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

// Fields, their date value and the logs' time stamp, from year 0 to 9999: before 1970, at both
// ends of the old 32-bit range, past 2106 (2^32 seconds), leap days.
struct DateCase {
  WallClockFields fields;
  int64_t date;
  const char* text;
};
constexpr DateCase kDateCases[] = {
    {{1970, 1, 1, 0, 0, 0}, 0, "1970/01/01 00:00:00"},
    {{2006, 12, 30, 21, 5, 9}, 1167512709, "2006/12/30 21:05:09"},
    {{2007, 1, 2, 3, 4, 5}, 1167707045, "2007/01/02 03:04:05"},
    {{2000, 2, 29, 12, 0, 0}, 951825600, "2000/02/29 12:00:00"},
    {{1969, 12, 31, 23, 59, 59}, -1, "1969/12/31 23:59:59"},
    {{2038, 1, 19, 3, 14, 7}, 2147483647, "2038/01/19 03:14:07"},
    {{2038, 1, 19, 3, 14, 8}, 2147483648, "2038/01/19 03:14:08"},
    {{1901, 12, 13, 20, 45, 52}, -2147483648, "1901/12/13 20:45:52"},
    {{1901, 12, 13, 20, 45, 51}, -2147483649, "1901/12/13 20:45:51"},
    {{2040, 2, 29, 23, 59, 59}, 2214172799, "2040/02/29 23:59:59"},
    {{2040, 3, 1, 12, 0, 0}, 2214216000, "2040/03/01 12:00:00"},
    {{2106, 2, 7, 6, 28, 16}, 4294967296, "2106/02/07 06:28:16"},
    {{1800, 1, 1, 0, 0, 0}, -5364662400, "1800/01/01 00:00:00"},
    {{5, 3, 1, 0, 0, 0}, -62004268800, "0005/03/01 00:00:00"},
    {{0, 1, 1, 0, 0, 0}, kEarliestDate, "0000/01/01 00:00:00"},
    {{9999, 12, 31, 23, 59, 59}, kLatestDate, "9999/12/31 23:59:59"},
};

TEST(DateValues, FieldsDateAndTimestampOfEachEra) {
  for (const DateCase& c : kDateCases) {
    EXPECT_EQ(DateFromFields(c.fields), c.date) << c.text;
    EXPECT_TRUE(SameFields(FieldsFromDate(c.date), c.fields)) << c.text;
    EXPECT_EQ(TimestampText(c.date), c.text);
  }
}

TEST(DateValues, FieldsOutOfRangeCarryAndAbsurdDatesStopAtYears0And9999) {
  EXPECT_EQ(DateFromFields({2006, 13, 1, 0, 0, 0}), DateFromFields({2007, 1, 1, 0, 0, 0}));
  EXPECT_EQ(DateFromFields({2040, 2, 30, 0, 0, 0}), DateFromFields({2040, 3, 1, 0, 0, 0}));
  EXPECT_EQ(DateFromFields({2100, 2, 29, 0, 0, 0}), DateFromFields({2100, 3, 1, 0, 0, 0}));
  EXPECT_EQ(DateFromFields({10000, 1, 1, 0, 0, 0}), kLatestDate + 1);
  constexpr int kMax = std::numeric_limits<int>::max();
  constexpr int kMin = std::numeric_limits<int>::min();
  const std::pair<int64_t, const char*> cases[] = {
      {kLatestDate + 1, "9999/12/31 23:59:59"},
      {kEarliestDate - 1, "0000/01/01 00:00:00"},
      {std::numeric_limits<int64_t>::max(), "9999/12/31 23:59:59"},
      {std::numeric_limits<int64_t>::min(), "0000/01/01 00:00:00"},
      {DateFromFields({kMax, kMax, kMax, kMax, kMax, kMax}), "9999/12/31 23:59:59"},
      {DateFromFields({kMin, kMin, kMin, kMin, kMin, kMin}), "0000/01/01 00:00:00"},
  };
  for (const auto& [date, text] : cases) {
    EXPECT_EQ(TimestampText(date), text) << date;
    EXPECT_EQ(FormatDate("%yyyy/%mm/%dd %hh:%ii:%ss", date), text) << date;
  }
}

TEST(FieldsFromDate, RoundTripsEveryDayOfYears0To9999) {
  WallClockFields expected{0, 1, 1, 0, 0, 0};
  const int month_days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  int64_t day = 0;
  for (; expected.year < 10000; ++day) {
    expected.hour = static_cast<int>(day % 24);
    expected.minute = static_cast<int>(day * 7 % 60);
    expected.second = static_cast<int>(day * 13 % 60);
    const int64_t date = DateFromFields(expected);
    ASSERT_EQ(date, kEarliestDate + day * 86400 + expected.hour * 3600 + expected.minute * 60 +
                        expected.second);
    ASSERT_TRUE(SameFields(FieldsFromDate(date), expected)) << day;
    bool leap = expected.year % 4 == 0 && (expected.year % 100 != 0 || expected.year % 400 == 0);
    int length = month_days[expected.month - 1] + (expected.month == 2 && leap ? 1 : 0);
    if (++expected.day > length) {
      expected.day = 1;
      if (++expected.month > 12) expected = {expected.year + 1, 1, 1, 0, 0, 0};
    }
  }
  EXPECT_EQ(day, 10000 * 365 + 2425);  // 2425 leap years
}

TEST(CurrentDate, TakesTheClockFieldsWithoutShift) {
  FakeClock clock;
  EXPECT_EQ(CurrentDate(clock), 1167512709);
  clock.now = {2007, 7, 1, 2, 30, 0};  // summer time: the hour the clock shows
  EXPECT_EQ(FormatDate("%hh:%ii", CurrentDate(clock)), "02:30");
  clock.now = {2040, 3, 1, 12, 0, 0};
  EXPECT_EQ(CurrentDate(clock), 2214216000);
}

TEST(FormatDate, TheProgramsMasks) {
  int64_t date = DateFromFields({2006, 12, 30, 21, 5, 9});
  EXPECT_EQ(FormatDate("%yyyy/%mm/%dd %hh:%ii:%ss", date), "2006/12/30 21:05:09");
  EXPECT_EQ(FormatDate("Time: %hh:%ii:%ss", date), "Time: 21:05:09");
  EXPECT_EQ(FormatDate("%yyyy/%mm/%dd-%hh:%ii", date), "2006/12/30-21:05");
  const int64_t late = DateFromFields({2106, 2, 7, 6, 28, 16});
  EXPECT_EQ(FormatDate("%yyyy/%mm/%dd-%hh:%ii", late), "2106/02/07-06:28");
  EXPECT_EQ(FormatDate("Time: %hh:%ii:%ss", late), "Time: 06:28:16");
}

TEST(FormatDate, TokensCaseAndLonePercent) {
  int64_t date = DateFromFields({2006, 12, 30, 21, 5, 9});
  EXPECT_EQ(FormatDate("%MM %Mm %YYYY %yY %II %Ss %DD %HH", date), "12 12 2006 06 05 09 30 21");
  EXPECT_EQ(FormatDate("%yy", date), "06");
  EXPECT_EQ(FormatDate("%yy %yyyy", DateFromFields({5, 1, 1, 0, 0, 0})), "05 0005");
  EXPECT_EQ(FormatDate("%yy %yyyy", DateFromFields({2100, 1, 1, 0, 0, 0})), "00 2100");
  EXPECT_EQ(FormatDate("%yyy", date), "06y");
  EXPECT_EQ(FormatDate("100%", date), "100%");
  EXPECT_EQ(FormatDate("%%mm", date), "%12");
  EXPECT_EQ(FormatDate("%m%", date), "%m%");
  EXPECT_EQ(FormatDate("%nn %y", date), "%nn %y");
  EXPECT_EQ(FormatDate("", date), "");
  EXPECT_EQ(FormatDate("no tokens", date), "no tokens");
}

}  // namespace verdalin
