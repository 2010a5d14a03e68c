// The metrics endpoint: /metrics as the site decides it (the server's own time), and as a client
// on loopback gets it from the real server (the whole request, connection kept or new).
#include <benchmark/benchmark.h>
#include <httplib.h>

#include "export/export_server.h"
#include "fakes/quiet_reports.h"

namespace verdalin {
namespace {

// A board as a day of polls leaves it: values, counters and a full list of recent events.
void PublishADay(MetricsBoard& board) {
  LineSnapshot s;
  s.polled = true;
  s.last_outcome = PollOutcome::kSample;
  s.have_sample = true;
  s.sample.Connected = 1;
  s.sample.Mode = "G.992.5 (ADSL2+)";
  s.sample.Type = "Interleaved";
  s.sample.Downstream_kbps = 17904;
  s.sample.Upstream_kbps = 1023;
  s.sample.SNR_local = 6.4f;
  s.sample.SNR_distant = 11.2f;
  s.sample.CRC_errors = 12;
  s.sample.Device = "LiveBox Inventel";
  s.sample.Firmware = "V4.05.10,B2";
  s.polls = {1400, 30, 10};
  for (int i = 0; i < 60; ++i)
    s.Count({LineEventKind::kSyncBack, 0, "down_kbps=17904 up_kbps=1023 outage_s=42"},
            1'765'000'000 + i * 60);
  board.Publish(s);
}

void SiteAnswer(benchmark::State& state) {
  MetricsBoard board;
  PublishADay(board);
  QuietReports reports;
  ExportSite site(board, reports.disk, reports.clock, {"127.0.0.1:0", "", ""}, "1.7.2");
  for (auto _ : state) {
    ExportAnswer answer = site.Answer("GET", "/metrics", "");
    if (answer.status != 200) state.SkipWithError("no metrics");
    benchmark::DoNotOptimize(answer);
  }
}
BENCHMARK(SiteAnswer)->Unit(benchmark::kMicrosecond);

// range(0): 1 keeps the connection between requests, 0 opens one per request.
void WholeRequest(benchmark::State& state) {
  MetricsBoard board;
  PublishADay(board);
  QuietReports reports;
  ExportSite site(board, reports.disk, reports.clock, {"127.0.0.1:0", "", ""}, "1.7.2");
  ExportServer server(site);
  if (server.Start(*ParseListenAddress("127.0.0.1:0"))) {
    state.SkipWithError("cannot listen on loopback");
    return;
  }
  httplib::Client client("127.0.0.1", server.Port());
  client.set_keep_alive(state.range(0) != 0);
  client.set_read_timeout(5, 0);
  for (auto _ : state) {
    auto answer = client.Get("/metrics");
    if (!answer || answer->status != 200) {
      state.SkipWithError("no answer");
      break;
    }
    benchmark::DoNotOptimize(answer->body.data());
  }
  server.Stop();
}
BENCHMARK(WholeRequest)
    ->Arg(1)
    ->Arg(0)
    ->ArgName("keep_alive")
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime();

}  // namespace
}  // namespace verdalin

BENCHMARK_MAIN();
