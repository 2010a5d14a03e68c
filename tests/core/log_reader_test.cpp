// Reading the logs back: rows the program's own formatter wrote in several locales and both
// encodings, the negative forms of Windows locales, old quoting, and broken files.
#include "report/log_reader.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "base/date_format.h"
#include "monitor/csv_log.h"

namespace verdalin {
namespace {

const char kStamp[] = "2026/12/07 21:05:09";

LineSample Sample(float attenuation_local, float attenuation_distant, float snr_local,
                  float snr_distant) {
  LineSample s;
  s.Connected = 1;
  s.Mode = "G.992.5 (ADSL2+)";
  s.Type = "Interleaved";
  s.Upstream_kbps = 1023;
  s.Downstream_kbps = 17904;
  s.Attenuation_local = attenuation_local;
  s.Attenuation_distant = attenuation_distant;
  s.SNR_local = snr_local;
  s.SNR_distant = snr_distant;
  s.CRC_errors = -12;
  s.Device = "LiveBox \"Inventel\"";
  s.Firmware = "V4.05.10,B2";
  return s;
}

struct LocaleCase {
  const char* name;
  LocaleSnapshot snapshot;
};

// The separators of French (narrow no-break space, UTF-8 and the Windows byte), German, Swiss
// (apostrophe, and the right quote glibc gives), English, and a Linux locale without grouping.
const LocaleCase kLocales[] = {
    {"french_utf8", {",", "\xE2\x80\xAF"}},
    {"french_windows", {",", "\xA0"}},
    {"french_nbsp", {",", "\xC2\xA0"}},
    {"german", {",", "."}},
    {"swiss_windows", {".", "'"}},
    {"swiss_glibc", {".", "\xE2\x80\x99"}},
    {"english", {".", ","}},
    {"c_locale", {".", ""}},
};

void PrintTo(const LocaleCase& locale, std::ostream* out) {
  *out << locale.name;
}

class LocaleRows : public ::testing::TestWithParam<LocaleCase> {};

TEST_P(LocaleRows, GiveBackTheValuesTheFormatterWrote) {
  PortableNumberFormat format;
  LocaleNumbers numbers{format, GetParam().snapshot};
  const LineSample written = Sample(1234.5f, 0.5f, -1.5f, 999.99f);
  const DataLog log =
      ReadDataLog(std::string(kLogHeader) + FormatLogRow(written, kStamp, numbers) +
                  FormatLogRow(Sample(1234567.9f, 0, 6.4f, 11.2f), kStamp, numbers));
  ASSERT_EQ(log.rows.size(), 2u);
  EXPECT_EQ(log.rows_skipped, 0);
  const LogRow& row = log.rows[0];
  EXPECT_EQ(row.centi_db, (std::array<int32_t, 4>{123450, 50, -150, 99999}));
  EXPECT_EQ(row.upstream_kbps, 1023);
  EXPECT_EQ(row.downstream_kbps, 17904);
  EXPECT_EQ(row.crc_errors, -12);
  EXPECT_TRUE(row.connected);
  EXPECT_EQ(log.texts[row.mode_type], "G.992.5 (ADSL2+):Interleaved");
  EXPECT_EQ(log.texts[row.device], "LiveBox \"Inventel\"");
  EXPECT_EQ(log.texts[row.firmware], "V4.05.10,B2");
  // A value too wide for its field was written empty: no value, not zero.
  EXPECT_EQ(log.rows[1].centi_db, (std::array<int32_t, 4>{kNoValue, 0, 640, 1120}));
  EXPECT_EQ(log.rows[1].device, row.device);
}

INSTANTIATE_TEST_SUITE_P(Locales, LocaleRows, ::testing::ValuesIn(kLocales),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(LocaleNumbers, EveryNegativeFormAndSeparator) {
  const std::pair<const char*, int32_t> cases[] = {
      {"- 1.50", -150},
      {"-1,50", -150},
      {"(1.50)", -150},
      {"1.50-", -150},
      {"1,50 -", -150},
      {"\xE2\x88\x92"
       "1.50",
       -150},
      {"- .50", -50},
      {"(,05)", -5},
      {"1 234,56", 123456},
      {"1\xA0"
       "234,56",
       123456},
      {"1'234.56", 123456},
      {"1.234,56", 123456},
      {".00", 0},
      {" 12.50 ", 1250},
      {"7", 700},
      {"", kNoValue},
  };
  for (const auto& [text, hundredths] : cases)
    EXPECT_EQ(ReadLocaleHundredths(text), hundredths) << text;
  for (const char* bad :
       {"1.5", "12.505", "abc", "1.50x", "-", "()", "1..", "(1.50", "--1.50", "1234567890123.00"}) {
    EXPECT_FALSE(ReadLocaleHundredths(bad).has_value()) << bad;
  }
}

TEST(Timestamps, OnlyRealDatesInTheLogsForm) {
  const std::pair<const char*, int64_t> cases[] = {
      {"1970/01/02 00:00:01", 86401},       {"2038/01/19 03:14:07", 2147483647},
      {"2038/01/19 03:14:08", 2147483648},  {"2040/02/29 23:59:59", 2214172799},
      {"2106/02/07 06:28:16", 4294967296},  {"1969/12/31 23:59:59", -1},
      {"1901/12/13 20:45:51", -2147483649}, {"0000/01/01 00:00:00", kEarliestDate},
      {"9999/12/31 23:59:59", kLatestDate},
  };
  for (const auto& [text, date] : cases) {
    EXPECT_EQ(ReadTimestamp(text), date) << text;
    EXPECT_EQ(TimestampText(date), text);  // and back, the same 19 characters
  }
  for (const char* bad :
       {"2026/02/30 10:00:00", "2026/12/07 24:00:00", "2100/02/29 00:00:00", "0000/00/01 00:00:00",
        "9999/12/32 00:00:00", "9999/13/01 00:00:00", "2026-12-07 21:05:09", "2026/12/07 21:05",
        "2026/12/07 21:05:0x", "-001/12/07 21:05:09", "10000/01/01 00:00:00"}) {
    EXPECT_FALSE(ReadTimestamp(bad).has_value()) << bad;
  }
}

TEST(DataLogLines, BrokenFilesGiveEveryRowTheyHold) {
  const std::string row =
      "2026/12/07 21:05:09;1;\"ADSL2+:Fast\";1023;17904;23,50;12,00;6,40;"
      "11,20;12;\"LiveBox Sagem\";\"V1\"";
  const std::string text = "\xEF\xBB\xBF" + std::string(kLogHeader) + row + "\r\n" +
                           "garbage line\r\n\r\n" + std::string(kLogHeader) + row + "\n" +
                           "2026/12/07 21:06:09;2;\":\";0;0;.00;.00;.00;.00;0;\"\";\"\"\r\n" +
                           "2026/12/07 21:07:09;1;\"ADSL2+:Fast\";1023;17904;23,50;1";
  const DataLog log = ReadDataLog(text);
  EXPECT_EQ(log.rows.size(), 2u);
  EXPECT_EQ(log.rows_skipped, 3);   // the garbage, Connected 2, the truncated last line
  EXPECT_EQ(log.texts.size(), 4u);  // "", mode, device, firmware: each text once
}

// LF, CR LF and CR alone all end a line; a log fed in pieces of any size gives the same rows, and
// stops at the end of its last whole line until the rest comes.
TEST(DataLogLines, EveryLineEndAndEveryPieceSize) {
  const std::string row =
      "2026/12/07 21:05:09;1;\"ADSL2+:Fast\";1023;17904;23,50;12,00;6,40;"
      "11,20;12;\"LiveBox Sagem\";\"V1\"";
  for (const char* end : {"\n", "\r\n", "\r"}) {
    const std::string whole = std::string(kLogHeader) + row + end + row + end + row;
    EXPECT_EQ(ReadDataLog(whole).rows.size(), 3u) << int(end[0]);
    EXPECT_EQ(ReadDataLog(whole).rows_skipped, 0);
    for (std::size_t piece : {1u, 2u, 7u, 64u}) {
      DataLogStream stream;
      std::size_t rows = 0;
      const RowSink count = [&rows](const LogRow&) { ++rows; };
      for (std::size_t at = 0; at < whole.size(); at += piece)
        stream.Feed(std::string_view(whole).substr(at, piece), count);
      EXPECT_EQ(rows, 2u) << piece;
      EXPECT_EQ(stream.Offset(), static_cast<int64_t>(whole.size() - row.size())) << piece;
      stream.Finish(count);
      EXPECT_EQ(rows, 3u) << piece;
      EXPECT_EQ(stream.Log().texts.size(), 4u);
    }
  }
}

// A line that grows past kLongestLine without its end is no row: it is counted once and passed
// over up to its end, whatever the pieces, and the rows around it read as they are.
TEST(DataLogLines, ALineWithNoEndPastTheLongestIsPassedOver) {
  const std::string row =
      "2026/12/07 21:05:09;1;\"ADSL2+:Fast\";1023;17904;23,50;12,00;6,40;"
      "11,20;12;\"LiveBox Sagem\";\"V1\"\r\n";
  const std::string whole = row + std::string(3 * kLongestLine, 'x') + "\r\n" + row;
  for (std::size_t piece : {4096u, 1u << 20}) {
    DataLogStream stream;
    std::size_t rows = 0;
    const RowSink count = [&rows](const LogRow&) { ++rows; };
    for (std::size_t at = 0; at < whole.size(); at += piece)
      stream.Feed(std::string_view(whole).substr(at, piece), count);
    stream.Finish(count);
    EXPECT_EQ(rows, 2u) << piece;
    EXPECT_EQ(stream.Log().rows_skipped, 1) << piece;
    EXPECT_EQ(stream.Fed(), static_cast<int64_t>(whole.size())) << piece;
  }
}

TEST(DataLogLines, OldRowsWithRawQuotesAndSemicolons) {
  // Older versions quoted without doubling, and the Inventel mode may hold a semicolon.
  const DataLog log = ReadDataLog(
      "2006/12/30 21:05:09;1;\"G.dmt; Annex A:\"Fast\"\";512;8190;35.50;.50;- 1.50;6.00;"
      "42;\"LiveBox \"Pro\"\";\"5.1,2\"\r\n"
      "2006/12/30 21:06:09;0;\":\";0;0;.00;.00;.00;.00;0;\"\";\"\"\r\n");
  ASSERT_EQ(log.rows.size(), 2u);
  const LogRow& row = log.rows[0];
  EXPECT_EQ(log.texts[row.mode_type], "G.dmt; Annex A:\"Fast\"");
  EXPECT_EQ(log.texts[row.device], "LiveBox \"Pro\"");
  EXPECT_EQ(log.texts[row.firmware], "5.1,2");
  EXPECT_EQ(row.centi_db[kSnrLocal], -150);
  EXPECT_EQ(row.crc_errors, 42);
  EXPECT_EQ(log.rows[1].device, 0u);
  EXPECT_FALSE(log.rows[1].connected);
}

TEST(EventLogLines, KnownEventsWithTheirDetail) {
  const EventLog log = ReadEventLog(
      "Date;Event;Detail\r\n"
      "2026/12/07 21:05:09;SYNC_LOST;\"last_down_kbps=17904 last_up_kbps=1023\"\r\n"
      "2026/12/07 21:09:09;SYNC_BACK;\"down_kbps=16800 up_kbps=1023 outage_s=240\"\r\n"
      "2026/12/07 21:10:09;NEW_THING;\"x=1\"\r\n"
      "2026/12/07;GATEWAY_BACK\r\n"
      "2026/12/07 21:11:09;GATEWAY_UNREACHABLE;\"\"\r\n"
      "2026/12/07 21:12:09;CRC_BURST;\"note=\"\"odd\"\"\"\n");
  ASSERT_EQ(log.events.size(), 4u);
  EXPECT_EQ(log.rows_skipped, 2);
  EXPECT_EQ(log.events[1].kind, LineEventKind::kSyncBack);
  EXPECT_EQ(log.events[1].time, *ReadTimestamp("2026/12/07 21:09:09"));
  EXPECT_EQ(log.events[1].detail, "down_kbps=16800 up_kbps=1023 outage_s=240");
  EXPECT_EQ(log.events[2].detail, "");
  EXPECT_EQ(log.events[3].detail, "note=\"odd\"");
}

}  // namespace
}  // namespace verdalin
