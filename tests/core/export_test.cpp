// The metrics endpoint: the exposition and status texts, the listen address, [Export] and the
// start's checks, and what each request gets.
#include "export/export_server.h"

#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <vector>

#include "base/ini_store.h"
#include "base/scramble.h"
#include "fakes/log_rows.h"
#include "fakes/quiet_reports.h"

namespace verdalin {
namespace {

LineSnapshot ASnapshot() {
  LineSnapshot s;
  s.polled = true;
  s.last_outcome = PollOutcome::kSample;
  s.have_sample = true;
  s.sample.Connected = 1;
  s.sample.Downstream_kbps = 8128;
  s.sample.Upstream_kbps = 1024;
  s.sample.SNR_local = 6.5f;
  s.sample.Device = "LiveBox \"Sagem\"";
  s.sample.Firmware = "V\xe9rsion\n2";  // Windows-1252 and a line break
  s.polls = {3, 1, 0};
  s.resyncs_total = 2;
  s.Count({LineEventKind::kSyncBack, 0, "down_kbps=8128"}, 1'700'000'000);
  return s;
}

// A value that does not hold (NaN, an infinity, beyond what a line has) is no value in every
// output: an empty CSV field, read back by the report as none, no sample on /metrics, null in
// /status.json. A rate below zero does not hold; a margin below zero does.
TEST(LineValues, AValueThatDoesNotHoldIsNoValueInEveryOutput) {
  struct Case {
    float value;
    bool rate_holds;
    bool decibels_hold;
  };
  const Case cases[] = {{NAN, false, false},  {INFINITY, false, false}, {-INFINITY, false, false},
                        {3e9f, false, false}, {-5, false, true},        {50000, true, false},
                        {12.5f, true, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value);
    const std::string row = LogRowText({0, true, c.value, c.value});
    EXPECT_EQ(row.find(";1023;;") != std::string::npos, !c.rate_holds) << row;
    const DataLog read = ReadDataLog(row);
    ASSERT_EQ(read.rows.size(), 1u) << row;
    EXPECT_EQ(read.rows[0].downstream_kbps == kNoValue, !c.rate_holds);
    EXPECT_EQ(read.rows[0].centi_db[kSnrLocal] == kNoValue, !c.decibels_hold);
    LineSnapshot snapshot = ASnapshot();
    snapshot.sample.Downstream_kbps = c.value;
    snapshot.sample.SNR_local = c.value;
    const std::string metrics = PrometheusText(snapshot, "1");
    EXPECT_EQ(metrics.find("dsl_datarate{direction=\"down\"}") != std::string::npos, c.rate_holds);
    EXPECT_EQ(
        metrics.find("dsl_signal_to_noise_margin_db{direction=\"down\"}") != std::string::npos,
        c.decibels_hold);
    const std::string status = StatusJson(snapshot);
    EXPECT_EQ(status.find("\"down_kbps\":null") != std::string::npos, !c.rate_holds);
    EXPECT_EQ(status.find("\"snr_down_db\":null") != std::string::npos, !c.decibels_hold);
  }
}

TEST(Exposition, DslNamesOnlyOnceAPollFoundValuesWithLabelsEscaped) {
  LineSnapshot empty;
  const std::string before = PrometheusText(empty, "1.7.2");
  EXPECT_EQ(before.find("dsl_"), std::string::npos);
  EXPECT_NE(before.find("verdalin_poll_success 0\n"), std::string::npos);
  EXPECT_NE(before.find("verdalin_build_info{version=\"1.7.2\"} 1\n"), std::string::npos);
  const std::string text = PrometheusText(ASnapshot(), "1.7.2");
  for (const char* line :
       {"dsl_up 1\n", "dsl_datarate{direction=\"down\"} 8128000\n",
        "dsl_signal_to_noise_margin_db{direction=\"down\"} 6.50\n",
        "dsl_info{device=\"LiveBox \\\"Sagem\\\"\",firmware=\"V\xc3\xa9rsion\\n2\"} 1\n",
        "verdalin_polls_total{result=\"unreachable\"} 1\n", "verdalin_resyncs_total 2\n",
        "verdalin_last_sync_change_timestamp_seconds 1700000000\n",
        "verdalin_events_total{event=\"SYNC_BACK\"} 1\n", "# TYPE dsl_errors_total counter\n"})
    EXPECT_NE(text.find(line), std::string::npos) << line;
  EXPECT_NE(StatusJson(ASnapshot()).find("\"event\":\"SYNC_BACK\""), std::string::npos);
}

TEST(ListenAddress, ReadsHostAndPortAndTellsLoopback) {
  EXPECT_TRUE(ParseListenAddress("127.0.0.1:9469")->loopback);
  EXPECT_EQ(ParseListenAddress("[::1]:9469")->host, "::1");
  EXPECT_TRUE(ParseListenAddress("localhost:1")->loopback);
  EXPECT_FALSE(ParseListenAddress("0.0.0.0:9469")->loopback);
  for (const char* bad :
       {"", "9469", "127.0.0.1:", "127.0.0.1:99999", "evil.example:80", "127.0.0.1:9x"})
    EXPECT_FALSE(ParseListenAddress(bad).has_value()) << bad;
}

// The site's answer to one request, from a Host the site serves unless another is given.
HttpAnswer Ask(ExportSite& site, std::string_view method, std::string_view path,
               std::string_view authorization = "", std::string_view host = "127.0.0.1:9469") {
  return site.Answer(ServedRequest{method, path, host, authorization});
}

ExportSettings Open(std::string listen = "127.0.0.1:9469") {
  return ExportSettings{std::move(listen), "", "", {}};
}

// The answers of a good request, to the byte: status, type, headers and the texts.
TEST(ExportSite, AnswersTheFourPagesAndRefusalsAsBefore) {
  MetricsBoard board;
  board.Publish(ASnapshot());
  QuietReports reports;
  ExportSite site(board, reports.disk, reports.clock, Open(), "1.7.2");
  const HttpAnswer index = Ask(site, "GET", "/");
  EXPECT_EQ(index.status, 200);
  EXPECT_EQ(index.content_type, "text/html; charset=utf-8");
  EXPECT_EQ(*index.body,
            "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>Verdalin</title></head>"
            "<body>\n<h1>Verdalin</h1>\n<ul>\n<li><a href=\"/metrics\">/metrics</a>: Prometheus "
            "metrics</li>\n<li><a href=\"/status.json\">/status.json</a>: the last poll, resyncs "
            "and events</li>\n<li><a href=\"/report\">/report</a>: the history report of the last "
            "30 days</li>\n</ul>\n</body></html>\n");
  const HttpAnswer metrics = Ask(site, "GET", "/metrics");
  EXPECT_EQ(metrics.content_type, "text/plain; version=0.0.4; charset=utf-8");
  EXPECT_EQ(*metrics.body, PrometheusText(ASnapshot(), "1.7.2"));
  const HttpAnswer status = Ask(site, "HEAD", "/status.json");
  EXPECT_EQ(status.content_type, "application/json");
  EXPECT_EQ(*status.body, StatusJson(ASnapshot()));
  const HttpAnswer missing = Ask(site, "GET", "/nothing");
  EXPECT_EQ(missing.status, 404);
  EXPECT_EQ(missing.content_type, "text/plain; charset=utf-8");
  EXPECT_EQ(*missing.body, "Not found\n");
  EXPECT_TRUE(missing.headers.empty());
  for (const char* path : {"/../etc/passwd", "/metrics/", "/%2e%2e/", "/report.html"})
    EXPECT_EQ(Ask(site, "GET", path).status, 404) << path;
  for (const char* method : {"POST", "PUT", "DELETE", "OPTIONS", "TRACE", "get"})
    EXPECT_EQ(Ask(site, method, "/metrics").status, 404) << method;
  EXPECT_EQ(*Ask(site, "GET", "/report").body, "No history to show yet\n");

  ExportSite guarded(board, reports.disk, reports.clock, {"0.0.0.0:9469", "me", "p:w", {}},
                     "1.7.2");
  const HttpAnswer refused = Ask(guarded, "GET", "/metrics", "", "0.0.0.0");
  EXPECT_EQ(refused.status, 401);
  EXPECT_EQ(*refused.body, "Authentication needed\n");
  ASSERT_EQ(refused.headers.size(), 1u);
  EXPECT_EQ(refused.headers[0].first, "WWW-Authenticate");
  EXPECT_EQ(refused.headers[0].second, "Basic realm=\"Verdalin\", charset=\"UTF-8\"");
}

TEST(ExportSite, BasicCredentialsInAnyCaseOfTheScheme) {
  MetricsBoard board;
  QuietReports reports;
  ExportSite site(board, reports.disk, reports.clock, {"127.0.0.1:9469", "me", "p:w", {}}, "1");
  const std::string good = EncodeBase64("me:p:w");
  const struct {
    std::string authorization;
    int status;
  } cases[] = {
      {"Basic " + good, 200},
      {"basic " + good, 200},
      {"BASIC   " + good + "  ", 200},
      {"", 401},
      {"Basic", 401},
      {"Basic ", 401},
      {"Basicx " + good, 401},
      {"Bearer " + good, 401},
      {good, 401},
      {"Basic " + EncodeBase64("me:p:"), 401},  // a prefix of the secret
      {"Basic " + EncodeBase64("me:p:ww"), 401},
      {"Basic " + EncodeBase64("me:nope"), 401},
      {"Basic " + EncodeBase64("you:p:w"), 401},
      {"Basic " + EncodeBase64(""), 401},
  };
  for (const auto& c : cases)
    EXPECT_EQ(Ask(site, "GET", "/", c.authorization).status, c.status) << c.authorization;
}

// Only the names that lead here: a page elsewhere whose name was pointed at this address gets
// 421 whatever it asks for.
TEST(ExportSite, OnlyKnownHostNames) {
  MetricsBoard board;
  QuietReports reports;
  ExportSite v4(board, reports.disk, reports.clock,
                {"127.0.0.1:9469", "", "", {"metrics.lan", "nas"}}, "1");
  ExportSite v6(board, reports.disk, reports.clock, Open("[::1]:9469"), "1");
  const struct {
    ExportSite& site;
    const char* host;
    int status;
  } cases[] = {
      {v4, "127.0.0.1:9469", 200},
      {v4, "127.0.0.1", 200},
      {v4, "localhost:9469", 200},
      {v4, "LocalHost", 200},
      {v4, "metrics.lan:80", 200},
      {v4, "NAS", 200},
      {v4, "127.0.0.1:1", 200},
      {v6, "[::1]:9469", 200},
      {v6, "[::1]", 200},
      {v4, "", 421},
      {v4, "evil.example", 421},
      {v4, "127.0.0.1.evil.example", 421},
      {v4, "metrics.lan.evil", 421},
      {v4, "localhost:x", 421},
      {v4, "[::1]:9469", 421},
      {v6, "127.0.0.1:9469", 421},
      {v6, "[::1", 421},
      {v4, "127.0.0.2", 421},
  };
  for (const auto& c : cases) {
    const HttpAnswer answer = Ask(c.site, "GET", "/status.json", "", c.host);
    EXPECT_EQ(answer.status, c.status) << c.host;
    if (c.status == 421) EXPECT_EQ(answer.body->find("dsl"), std::string::npos);
  }
}

// [Export] as read, and why the endpoint does not start or what it says when it does.
TEST(ExportSettings, ReadStoredBackAndCheckedAtTheStart) {
  const std::string stored = StorePassword("s3cret");
  const struct {
    std::string keys;
    std::optional<std::string> listens_on;
    std::string note;
  } cases[] = {
      {"listen=127.0.0.1:9469", "127.0.0.1", ""},
      {"listen=0.0.0.0:9469\r\nuser=me\r\ncrypted_password=" + stored, "0.0.0.0", ""},
      {"listen=0.0.0.0:9469", "0.0.0.0",
       "0.0.0.0:9469 is open beyond this computer without a password"},
      {"listen=here", std::nullopt, "cannot read the listen address here"},
      {"listen=127.0.0.1:9469\r\ncrypted_password=" + stored, std::nullopt,
       "crypted_password= without user= in [Export]: not started"},
      {"listen=127.0.0.1:9469\r\ncrypted_password=*garbled*", std::nullopt,
       "crypted_password= without user= in [Export]: not started"},
      {"listen=127.0.0.1:9469\r\nuser=me", std::nullopt,
       "user= without crypted_password= in [Export]: not started"},
      {"listen=127.0.0.1:9469\r\nuser=me\r\ncrypted_password=", std::nullopt,
       "user= without crypted_password= in [Export]: not started"},
      {"listen=127.0.0.1:9469\r\nuser=me\r\ncrypted_password=" + stored + "x", std::nullopt,
       "crypted_password= in [Export] is not a stored password (verdalin --scramble-password "
       "writes one): not started"},
  };
  for (const auto& c : cases) {
    QuietReports reports;
    const std::string text = "[Export]\r\n" + c.keys + "\r\nhosts=Metrics.LAN , ,nas\r\n";
    reports.disk.files["s.ini"] = text;
    IniFile file(reports.disk, "s.ini");
    const ExportLoaded loaded = ReadExport(file);
    const EndpointPlan plan = PlanEndpoint(loaded, loaded.settings.listen);
    EXPECT_EQ(plan.address ? std::optional(plan.address->host) : std::nullopt, c.listens_on)
        << c.keys;
    EXPECT_EQ(plan.note.value_or(""), c.note) << c.keys;
    EXPECT_EQ(loaded.settings.hosts, (std::vector<std::string>{"metrics.lan", "nas"}));
    IniFile again(reports.disk, "t.ini");
    StoreExport(again, loaded);
    ASSERT_TRUE(again.Save());
    EXPECT_EQ(reports.disk.files["t.ini"], text) << "stored back as it was read";
  }
}

// The report is made at most once a minute, from the rows read before and those the log gained
// since: the same page as one made from the whole log; a day later the last 30 days move on (here
// the log's first day falls out of them). Every client reading the page shares one copy of it.
TEST(ExportSite, TheReportFollowsTheLogAndTheDay) {
  MetricsBoard board;
  LineSnapshot snapshot = ASnapshot();
  snapshot.data_log = "C:\\logs\\Verdalin_Data.csv";
  board.Publish(snapshot);
  QuietReports reports;
  reports.disk.folders.insert("C:\\logs");
  reports.disk.files[snapshot.data_log] = HandMadeLog();
  reports.clock.now = {2026, 12, 8, 12, 0, 0};
  ExportSite site(board, reports.disk, reports.clock, Open(), "1.7.2");
  const auto polls = [&] {
    const std::string& page = *Ask(site, "GET", "/report").body;
    const std::size_t at = page.find("\"polls\":");
    return at == std::string::npos ? -1 : std::atoi(page.c_str() + at + 8);
  };
  EXPECT_EQ(polls(), 12);
  EXPECT_EQ(Ask(site, "GET", "/report").body, Ask(site, "HEAD", "/report").body);
  reports.disk.files[snapshot.data_log] += LogRowText({841}) + LogRowText({842}).substr(0, 30);
  EXPECT_EQ(polls(), 12);  // within the minute
  reports.clock.now.minute = 1;
  EXPECT_EQ(polls(), 13);  // the half-written row waits for its end
  reports.disk.files[snapshot.data_log] += LogRowText({842}).substr(30);
  reports.clock.now.minute = 2;
  const std::string grown = *Ask(site, "GET", "/report").body;
  ExportSite fresh(board, reports.disk, reports.clock, Open(), "1.7.2");
  EXPECT_EQ(*Ask(fresh, "GET", "/report").body, grown);
  EXPECT_NE(grown.find("\"polls\":14,"), std::string::npos);
  reports.clock.now = {2027, 1, 6, 12, 0, 0};  // 2026/12/07 is more than 30 days ago now
  EXPECT_EQ(polls(), 3);                       // the rows of 2026/12/08
}

}  // namespace
}  // namespace verdalin
