// The metrics endpoint: the exposition and status texts, what each request gets, the listen
// address, and the server on loopback with hostile requests.
#include "export/export_server.h"

#include <gtest/gtest.h>
#include <httplib.h>

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

TEST(ExportSite, OnlyGetAndHeadOfItsFourPagesAndBasicAuthWhenAsked) {
  MetricsBoard board;
  board.Publish(ASnapshot());
  QuietReports reports;
  ExportSite open_site(board, reports.disk, reports.clock, {"127.0.0.1:0", "", ""}, "1.7.2");
  EXPECT_EQ(open_site.Answer("GET", "/metrics", "").status, 200);
  EXPECT_EQ(open_site.Answer("HEAD", "/status.json", "").status, 200);
  EXPECT_EQ(open_site.Answer("GET", "/", "").status, 200);
  for (const char* path : {"/../etc/passwd", "/metrics/", "/%2e%2e/", "/report.html"})
    EXPECT_EQ(open_site.Answer("GET", path, "").status, 404) << path;
  for (const char* method : {"POST", "PUT", "DELETE", "OPTIONS", "TRACE"})
    EXPECT_EQ(open_site.Answer(method, "/metrics", "").status, 404) << method;
  EXPECT_EQ(open_site.Answer("GET", "/report", "").status, 404);  // no log yet
  ExportSite guarded(board, reports.disk, reports.clock, {"0.0.0.0:0", "me", "p:w"}, "1.7.2");
  EXPECT_EQ(guarded.Answer("GET", "/metrics", "").status, 401);
  EXPECT_EQ(guarded.Answer("GET", "/metrics", "Basic " + EncodeBase64("me:nope")).status, 401);
  EXPECT_EQ(guarded.Answer("GET", "/metrics", "Basic " + EncodeBase64("me:p:w")).status, 200);
}

// The report is kept while nothing changes, and written again when the log grows or a day
// passes (the last 30 days move on: here the log's first day falls out of them).
TEST(ExportSite, TheReportFollowsTheLogAndTheDay) {
  MetricsBoard board;
  LineSnapshot snapshot = ASnapshot();
  snapshot.data_log = "C:\\logs\\Verdalin_Data.csv";
  board.Publish(snapshot);
  QuietReports reports;
  reports.disk.folders.insert("C:\\logs");
  reports.disk.files[snapshot.data_log] = HandMadeLog();
  reports.clock.now = {2026, 12, 8, 12, 0, 0};
  ExportSite site(board, reports.disk, reports.clock, {"127.0.0.1:0", "", ""}, "1.7.2");
  const auto polls = [&] {
    const std::string page = site.Answer("GET", "/report", "").body;
    const std::size_t at = page.find("\"polls\":");
    return at == std::string::npos ? -1 : std::atoi(page.c_str() + at + 8);
  };
  EXPECT_EQ(polls(), 12);
  reports.disk.files[snapshot.data_log] += LogRowText({841});
  EXPECT_EQ(polls(), 13);
  reports.clock.now = {2027, 1, 6, 12, 0, 0};  // 2026/12/07 is more than 30 days ago now
  EXPECT_EQ(polls(), 2);
}

TEST(ExportServer, AnswersOnLoopbackAndSurvivesHostileRequests) {
  MetricsBoard board;
  board.Publish(ASnapshot());
  QuietReports reports;
  ExportSite site(board, reports.disk, reports.clock, {"127.0.0.1:0", "", ""}, "1.7.2");
  ExportServer server(site);
  ASSERT_FALSE(server.Start(*ParseListenAddress("127.0.0.1:0")).has_value());
  httplib::Client client("127.0.0.1", server.Port());
  client.set_read_timeout(5, 0);
  auto metrics = client.Get("/metrics");
  ASSERT_TRUE(metrics);
  EXPECT_EQ(metrics->status, 200);
  EXPECT_NE(metrics->body.find("dsl_up 1"), std::string::npos);
  EXPECT_EQ(client.Post("/metrics", "x", "text/plain")->status, 404);
  httplib::Headers huge = {{"X-Huge", std::string(100000, 'a')}};
  auto refused = client.Get("/metrics", huge);
  EXPECT_TRUE(!refused || refused->status >= 400);
  EXPECT_EQ(client.Get("/status.json")->status, 200);  // still answering
  server.Stop();
}

}  // namespace
}  // namespace verdalin
