// The history report page: its summary JSON, the period, the events by day and kind, when the
// subscribed rate is drawn, texts from the gateway that try to end the script, and the command's
// options, errors and files through fakes.
#include "report/history_report.h"

#include <gtest/gtest.h>

#include <regex>

#include "app/report_command.h"
#include "base/ini_store.h"
#include "fakes/fake_clock.h"
#include "fakes/fake_file_system.h"
#include "fakes/log_rows.h"
#include "fakes/quiet_reports.h"
#include "report/history_page.h"

namespace verdalin {
namespace {

// The text of the page's summary JSON.
std::string SummaryOf(const std::string& html) {
  const std::string open = "<script type=\"application/json\" id=\"verdalin-summary\">";
  const std::size_t start = html.find(open);
  if (start == std::string::npos) return "";
  const std::size_t end = html.find("</script>", start);
  return html.substr(start + open.size(), end - start - open.size());
}

std::size_t Occurrences(const std::string& text, std::string_view part) {
  std::size_t count = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
    ++count;
  return count;
}

ReportRequest HandMadeRequest(int64_t start = LogStart()) {
  ReportRequest request;
  request.log = ReadDataLog(HandMadeLog(start));
  request.subscribed_kbps = 18000;
  request.version = "1.7.2";
  return request;
}

// The summary of the hand-made log whose first row is at `start`, and of its first hour.
void ExpectHandMadeSummary(int64_t start, const std::string& first, const std::string& last) {
  ReportRequest request = HandMadeRequest(start);
  request.made_at = start + 840 * 60;
  const std::string html = BuildHistoryReport(request);
  const std::string summary = SummaryOf(html);
  const std::string members[] = {"\"polls\":12,",
                                 "\"rows_skipped\":0,",
                                 "\"first\":\"" + first + "\"",
                                 "\"last\":\"" + last + "\"",
                                 "\"made\":\"" + last + "\"",
                                 "\"resyncs\":2,",
                                 "\"availability_sync_pct\":83.333,",
                                 "\"availability_gateway_pct\":70.588,",
                                 "\"minutes_below_snr_low\":3.0,",
                                 "\"events_source\":\"data rows\"",
                                 "{\"date\":\"" + last.substr(0, 10) + "\",\"polls\":1,"};
  for (const std::string& member : members) {
    EXPECT_NE(summary.find(member), std::string::npos) << member << " in " << summary;
  }
  EXPECT_NE(html.find("{\"start\":" + std::to_string(start) + ",\"steps\":[0,60,"),
            std::string::npos);
  ReportRequest first_day = HandMadeRequest(start);
  first_day.period.to = start + 3600;
  first_day.events.emplace({LineEvent{LineEventKind::kRetrain, start + 60, ""},
                            LineEvent{LineEventKind::kSyncBack, start + 7200, ""}});
  const std::string day = SummaryOf(BuildHistoryReport(first_day));
  EXPECT_NE(day.find("\"polls\":11,"), std::string::npos) << day;
  EXPECT_NE(day.find("\"resyncs\":1,"), std::string::npos) << day;  // the other is outside
  EXPECT_NE(day.find("\"events_source\":\"event log\""), std::string::npos) << day;
}

TEST(HistoryReport, SummaryHoldsTheCountsOfThePeriodInEveryEra) {
  for (const LogEra& era : kLogEras) {
    SCOPED_TRACE(era.first_row);
    ExpectHandMadeSummary(DateFromFields(era.start), era.first_row, era.last_row);
  }
}

// Rows dated far from the rest (1969, 1999, two years off between two rows of the run, a week in
// the future) are counted apart and left out of the period, the charts and the rates.
TEST(HistoryReport, RowsWithOddDatesAreCountedApart) {
  const int64_t start = LogStart();
  std::string log = HandMadeLog(start);
  const std::size_t middle = log.find("2026/12/07 10:05:09");
  log.insert(middle, LogRowText({2 * 366 * 1440}, start));
  for (int64_t stray : {DateFromFields({1969, 12, 31, 23, 0, 0}),
                        DateFromFields({1999, 6, 1, 0, 0, 0}), start + 8 * 1440 * 60})
    log += LogRowText({0}, stray);
  ReportRequest request = HandMadeRequest();
  request.log = ReadDataLog(log);
  request.made_at = start + 840 * 60;
  const std::string html = BuildHistoryReport(request);
  const std::string summary = SummaryOf(html);
  for (const std::string member :
       {"\"polls\":12,", "\"rows_odd_dates\":4,", "\"first\":\"2026/12/07 10:00:09\"",
        "\"last\":\"2026/12/08 00:00:09\"", "\"availability_sync_pct\":83.333,"})
    EXPECT_NE(summary.find(member), std::string::npos) << member << " in " << summary;
  EXPECT_NE(html.find("<dt>Rows with odd dates</dt><dd>4</dd>"), std::string::npos);
  EXPECT_EQ(SummaryOf(BuildHistoryReport(HandMadeRequest())).find("odd"), std::string::npos);
}

// Rows handed from memory as a file reading would give them.
class HeldRows : public RowSource {
 public:
  explicit HeldRows(const DataLog& log) : log_(log) {}
  std::optional<DataLog> Read(const Sink& sink) override {
    for (const LogRow& row : log_.rows) sink(row, log_);
    DataLog texts = log_;
    texts.rows.clear();
    return texts;
  }

 private:
  const DataLog& log_;
};

// A log counted as it is read gives the page of the same log held whole, byte for byte, while its
// rows are in time order: odd dates, an event log with an outage left open, a period's edges.
TEST(HistoryReport, ALogCountedAsItIsReadGivesThePageOfTheLogHeldWhole) {
  const int64_t start = LogStart();
  std::string odd = HandMadeLog(start);
  odd.insert(0, LogRowText({0}, DateFromFields({1999, 6, 1, 0, 0, 0})));
  odd += LogRowText({0}, start + 8 * 1440 * 60) + "garbage\n";
  struct Case {
    const char* name;
    std::string log;
    std::optional<std::vector<LineEvent>> events;
    HistoryPeriod period;
  };
  const std::vector<LineEvent> outage = {{LineEventKind::kGatewayUnreachable, start + 90, ""},
                                         {LineEventKind::kSyncBack, start + 420, ""},
                                         {LineEventKind::kGatewayUnreachable, start + 700, ""}};
  const Case cases[] = {
      {"derived events", HandMadeLog(start), std::nullopt, {}},
      {"odd dates", odd, std::nullopt, {}},
      {"event log", HandMadeLog(start), outage, {}},
      {"period", HandMadeLog(start), outage, {start + 120, start + 600}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ReportRequest request = HandMadeRequest();
    request.log = ReadDataLog(c.log);
    request.events = c.events;
    request.period = c.period;
    request.made_at = start + 840 * 60;
    HeldRows rows(request.log);
    const std::optional<std::string> streamed = BuildStreamedReport(request, rows);
    ASSERT_TRUE(streamed);
    EXPECT_EQ(*streamed, BuildHistoryReport(request));
  }
}

// A log whose period holds more rows than the follower may hold is read again from the start of
// the period and counted as it goes: the same page, the progress going up to the whole, and the
// rows held let go.
TEST(HistoryReport, ALogTooLongToHoldIsReadAgainForTheSamePage) {
  QuietReports reports;
  reports.disk.folders.insert("C:\\logs");
  const std::string path = "C:\\logs\\Verdalin_Data.csv";
  reports.disk.files[path] = std::string(kLogHeader) + HandMadeLog();
  reports.clock.now = {2026, 12, 8, 12, 0, 0};
  HistorySource source;
  source.log = path;
  source.version = "1.7.2";
  const HistoryPeriod period = RecentDays(reports.clock);
  LogFollower whole;
  LogFollower few(5);
  const HistoryPage held = MakeHistoryPage(reports.disk, reports.clock, source, period, whole);
  const HistoryPage streamed = MakeHistoryPage(reports.disk, reports.clock, source, period, few);
  ASSERT_TRUE(held.html && streamed.html) << held.error << streamed.error;
  EXPECT_EQ(*streamed.html, *held.html);
  EXPECT_TRUE(few.TooLong());
  EXPECT_FALSE(whole.TooLong());
  EXPECT_TRUE(few.Rows().rows.empty());
  double shown = 0;
  const HistoryPage once = MakeHistoryPage(reports.disk, reports.clock, source, period,
                                           [&shown](double done) { shown = done; });
  EXPECT_EQ(*once.html, *held.html);
  EXPECT_DOUBLE_EQ(shown, 1.0);
}

TEST(HistoryReport, GatewayTextsCannotEndTheScriptOrBreakTheJson) {
  ReportRequest request = HandMadeRequest();
  request.log.texts[request.log.rows.back().device] =
      "</script><script>alert(1)</script> \"q\" \\ caf\xE9";
  const std::string html = BuildHistoryReport(std::move(request));
  EXPECT_EQ(Occurrences(html, "</script>"), Occurrences(html, "<script"));
  EXPECT_EQ(html.find("<script>alert"), std::string::npos);
  const std::string summary = SummaryOf(html);
  EXPECT_NE(summary.find("\"device\":\"\\u003c/script\\u003e\\u003cscript\\u003ealert(1)"
                         "\\u003c/script\\u003e \\\"q\\\" \\\\ caf\xC3\xA9\""),
            std::string::npos)
      << summary;
  EXPECT_NE(html.find("&lt;/script&gt;&lt;script&gt;"), std::string::npos);
  EXPECT_NE(html.find("Content-Security-Policy"), std::string::npos);
  EXPECT_EQ(html.find("src=\"http"), std::string::npos);
  EXPECT_EQ(html.find("href=\"http"), std::string::npos);
}

// The cells of each row of the table opening with `open`, joined by "|".
std::vector<std::string> TableRows(const std::string& html, std::string_view open) {
  const std::size_t from = html.find(open);
  const std::string table = html.substr(from, html.find("</table>", from) - from);
  const std::regex row("<tr><td>(.*?)</td></tr>"), between("</td><td>");
  std::vector<std::string> rows;
  for (std::sregex_iterator it(table.begin(), table.end(), row), end; it != end; ++it)
    rows.push_back(std::regex_replace((*it)[1].str(), between, "|"));
  return rows;
}

TEST(HistoryReport, EventsAreGroupedByDayAndKindWithEachOneFolded) {
  using enum LineEventKind;
  const int64_t at = LogStart();  // 2026/12/07 10:00:09
  ReportRequest request = HandMadeRequest();
  request.events = std::vector<LineEvent>{
      {kSnrLow, at + 60, ""},        {kSnrOk, at + 660, ""},
      {kSnrLow, at + 13 * 3600, ""}, {kSnrOk, at + 30, ""},
      {kSnrLow, at + 14 * 3600, ""}, {kSyncLost, at + 14 * 3600 + 60, "a=1"}};
  const std::string html = BuildHistoryReport(std::move(request));
  const std::vector<std::string> grouped = {
      "2026/12/07|SNR_OK|2|10:00:39|10:11:09", "2026/12/07|SNR_LOW|2|10:01:09|23:00:09",
      "2026/12/08|SNR_LOW|1|00:00:09|00:00:09", "2026/12/08|SYNC_LOST|1|00:01:09|00:01:09"};
  EXPECT_EQ(TableRows(html, "<table class=\"event-days\">"), grouped);
  const std::vector<std::string> each = TableRows(html, "<details class=\"event-list\">");
  ASSERT_EQ(each.size(), 6u);
  EXPECT_EQ(each.back(), "2026/12/08 00:01:09|SYNC_LOST|a=1");
}

TEST(HistoryReport, TheSubscribedLineIsDrawnOnlyForARateTheUserSet) {
  const struct {
    int32_t kbps;
    bool drawn;
  } cases[] = {
      {0, false}, {-1, false}, {kUntouchedSubscribedKbps, false}, {18000, true}, {8191, true}};
  for (const auto& c : cases) {
    ReportRequest request = HandMadeRequest();
    request.subscribed_kbps = c.kbps;
    const std::string html = BuildHistoryReport(std::move(request));
    const std::string line = ",\"subscribed_line_kbps\":" + std::to_string(c.kbps) + ",";
    EXPECT_EQ(html.find(line) != std::string::npos, c.drawn) << c.kbps;
    EXPECT_EQ(html.find("and the subscribed maximum") != std::string::npos, c.drawn) << c.kbps;
    const std::string kept = "\"subscribed_kbps\":" + std::to_string(c.kbps) + ",";
    EXPECT_NE(SummaryOf(html).find(kept), std::string::npos) << c.kbps;
  }
}

class FakeReportHost : public ReportHost {
 public:
  FileSystem& Files() override { return fs; }
  const Clock& LocalClock() override { return clock; }
  bool OpenInBrowser(const std::string& path) override {
    opened.push_back(path);
    return true;
  }
  void ShowError(const std::string& line) override { errors.push_back(line); }

  FakeFileSystem fs;
  FakeClock clock;
  std::vector<std::string> opened;
  std::vector<std::string> errors;
};

class ReportCommand : public ::testing::Test {
 protected:
  void SetUp() override {
    host.fs.folders = {"prog", "docs", "logs"};
    host.fs.files["logs/line.csv"] = HandMadeLog();
    WritePreference(host.fs, "Settings", "output_file", "logs/line.csv", places.settings_file);
    WritePreference(host.fs, "Alerts", "snr_low_db", "5,5", places.settings_file);
    host.clock.now = {2026, 12, 8, 12, 0, 0};
  }
  int Run(std::vector<std::string> arguments) { return RunReportCommand(host, places, arguments); }
  std::string Summary(const std::string& path) { return SummaryOf(host.fs.files[path]); }

  FakeReportHost host;
  ReportPlaces places{"prog/Verdalin_Settings.ini", "docs/Verdalin_Data.CsV", "1.7.2"};
};

TEST_F(ReportCommand, WritesBesideTheConfiguredLogAndOpensIt) {
  const std::string settings = host.fs.files[places.settings_file];
  EXPECT_EQ(Run({}), 0);
  EXPECT_TRUE(host.errors.empty());
  EXPECT_EQ(host.opened, (std::vector<std::string>{"logs/Verdalin_Report.html"}));
  const std::string summary = Summary("logs/Verdalin_Report.html");
  EXPECT_NE(summary.find("\"polls\":12,"), std::string::npos);
  EXPECT_NE(summary.find("\"snr_low_db\":5.50,"), std::string::npos);
  EXPECT_NE(summary.find("\"subscribed_kbps\":8192,"), std::string::npos);
  EXPECT_EQ(host.fs.files[places.settings_file], settings);  // read, never written
}

TEST_F(ReportCommand, OptionsChooseLogPeriodOutputAndOpening) {
  host.fs.files["logs/other.csv"] = host.fs.files["logs/line.csv"];
  host.fs.files["logs/Verdalin_Events.csv"] =
      "Date;Event;Detail\r\n2026/12/07 10:05:09;RETRAIN;\"\"\r\nnonsense\r\n";
  EXPECT_EQ(Run({"logs/other.csv", "--from", "2026/12/07", "--to", "2026/12/07", "--out",
                 "docs/r.html", "--no-open"}),
            0);
  EXPECT_TRUE(host.opened.empty());
  const std::string summary = Summary("docs/r.html");
  EXPECT_NE(summary.find("\"polls\":11,"), std::string::npos) << summary;
  EXPECT_NE(summary.find("\"resyncs\":1,"), std::string::npos) << summary;
  EXPECT_NE(summary.find("\"events_skipped\":1,"), std::string::npos) << summary;
}

TEST_F(ReportCommand, EachFailureGivesOneLineAndAnExitCode) {
  const std::pair<std::vector<std::string>, int> cases[] = {
      {{"--from", "2026/13/01"}, 2},
      {{"--to"}, 2},
      {{"--colour"}, 2},
      {{"a.csv", "b.csv"}, 2},
      {{"--from", "2026/12/09", "--to", "2026/12/08"}, 2},
      {{"logs/none.csv"}, 1},
      {{"logs"}, 1},
      {{"--from", "2027/01/01"}, 1},
      {{"--out", "nowhere/r.html"}, 1},
  };
  for (const auto& [arguments, code] : cases) {
    host.errors.clear();
    EXPECT_EQ(Run(arguments), code) << arguments[0];
    EXPECT_EQ(host.errors.size(), 1u) << arguments[0];
  }
  EXPECT_TRUE(host.opened.empty());
  host.fs.files["logs/line.csv"] = "Date;Connected\r\n";
  EXPECT_EQ(Run({}), 1);
  EXPECT_EQ(host.errors.back(), "no row in logs/line.csv");
}

// --out never replaces a file the program keeps, under whatever name it is given; the refusal is
// one line and the files stay as they were. A link planted at the page's name is replaced.
TEST_F(ReportCommand, ThePageNeverReplacesALogOrTheSettings) {
  host.fs.files["logs/Verdalin_Events.csv"] = "Date;Event;Detail\r\n";
  host.fs.files["prog/Verdalin_Presets.ini"] = "[Presets]\r\n";
  const std::pair<std::string, std::string> kept[] = {
      {"logs/line.csv", "the data log"},         {"logs/./line.csv", "the data log"},
      {"docs/events-link.csv", "the event log"}, {"docs/settings.ini", "the settings file"},
      {"docs/presets.ini", "the presets file"},
  };
  host.fs.links = {{"logs/./line.csv", "logs/line.csv"},
                   {"docs/events-link.csv", "logs/Verdalin_Events.csv"},
                   {"docs/settings.ini", places.settings_file},
                   {"docs/presets.ini", "prog/Verdalin_Presets.ini"}};
  const auto before = host.fs.files;
  for (const auto& [out, what] : kept) {
    host.errors.clear();
    EXPECT_EQ(Run({"--out", out, "--no-open"}), 1) << out;
    ASSERT_EQ(host.errors.size(), 1u) << out;
    EXPECT_NE(host.errors[0].find(what), std::string::npos) << host.errors[0];
  }
  EXPECT_EQ(host.fs.files, before);
  host.fs.links["docs/r.html"] = "logs/other.html";
  EXPECT_EQ(Run({"--out", "docs/r.html", "--no-open"}), 0);
  EXPECT_FALSE(host.fs.links.count("docs/r.html"));
  EXPECT_FALSE(Summary("docs/r.html").empty());
}

TEST_F(ReportCommand, DaysAndTheLastThirtyDaysPast2106) {
  host.fs.files["logs/line.csv"] = HandMadeLog(DateFromFields({2106, 2, 7, 10, 0, 9}));
  host.clock.now = {2106, 2, 8, 12, 0, 0};
  EXPECT_EQ(Run({"--from", "2106/02/07", "--to", "2106/02/07", "--out", "docs/r.html"}), 0);
  EXPECT_NE(Summary("docs/r.html").find("\"polls\":11,"), std::string::npos);
  EXPECT_EQ(ShowHistory(host, places), 0);
  const std::string summary = Summary("logs/Verdalin_Report.html");
  EXPECT_NE(summary.find("\"polls\":12,"), std::string::npos) << summary;
  EXPECT_NE(summary.find("\"made\":\"2106/02/08 12:00:00\""), std::string::npos) << summary;
  host.clock.now = {2106, 3, 10, 0, 0, 0};  // 31 days on: nothing left in the period
  EXPECT_EQ(ShowHistory(host, places), 1);
}

TEST_F(ReportCommand, ShowHistoryTakesTheLastThirtyDays) {
  host.fs.files["logs/line.csv"] += LogRowText({-40 * 1440});  // 40 days earlier: left out
  EXPECT_EQ(ShowHistory(host, places), 0);
  EXPECT_EQ(host.opened, (std::vector<std::string>{"logs/Verdalin_Report.html"}));
  EXPECT_NE(Summary("logs/Verdalin_Report.html").find("\"polls\":12,"), std::string::npos);
  host.clock.now = {2027, 3, 1, 0, 0, 0};
  EXPECT_EQ(ShowHistory(host, places), 1);
}

}  // namespace
}  // namespace verdalin
