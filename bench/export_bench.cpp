// The metrics endpoint: /metrics as the site decides it (the server's own time), and as a client
// on loopback gets it from the real server (the whole request, connection kept or new).
#include <benchmark/benchmark.h>

#include "export/export_server.h"
#include "fakes/loopback_client.h"
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
  ExportSite site(board, reports.disk, reports.clock, {"127.0.0.1:0", "", "", {}}, "1.7.2");
  const ServedRequest request{"GET", "/metrics", "127.0.0.1", ""};
  for (auto _ : state) {
    HttpAnswer answer = site.Answer(request);
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
  ExportSite site(board, reports.disk, reports.clock, {"127.0.0.1:0", "", "", {}}, "1.7.2");
  const std::unique_ptr<HttpServer> server = MakeHttpServer(site);
  if (server->Start(*ParseListenAddress("127.0.0.1:0"))) {
    state.SkipWithError("cannot listen on loopback");
    return;
  }
  const bool keep = state.range(0) != 0;
  const std::string request = std::string("GET /metrics HTTP/1.1\r\nHost: 127.0.0.1\r\n") +
                              (keep ? "" : "Connection: close\r\n") + "\r\n";
  auto connection = std::make_unique<LoopbackConnection>(server->Port());
  for (auto _ : state) {
    if (!keep) connection = std::make_unique<LoopbackConnection>(server->Port());
    connection->Send(request);
    const std::string answer = connection->ReadAnswer(std::chrono::seconds(5));
    if (StatusOf(answer) != 200) {
      state.SkipWithError("no answer");
      break;
    }
    benchmark::DoNotOptimize(answer.data());
  }
  server->Stop();
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
