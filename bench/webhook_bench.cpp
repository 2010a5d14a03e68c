// What the window's thread pays per webhook message while the receiver holds the POST in flight.
#include <benchmark/benchmark.h>

#include <chrono>
#include <thread>

#include "export/webhook.h"

namespace verdalin {
namespace {

// A receiver that never answers until the benchmark ends, then hears the cancel.
class HeldPoster : public HttpPoster {
 public:
  PostResult Post(const std::string&, const std::string&, CancelToken& cancel) override {
    while (!cancel.Cancelled()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return {PostError::kCancelled};
  }
};

void SendWhileHeld(benchmark::State& state) {
  WebhookSender sender(std::make_shared<HeldPoster>(), [] {});
  const WebhookMessage message{"2026/12/07 10:00:09", "CRC_BURST", "crc_per_min=42.5",
                               "LiveBox Inventel", "CRC errors: 42.5 a minute over 10 minutes"};
  for (auto _ : state) sender.Send("http://127.0.0.1:1/hook", message);
  const std::vector<WebhookFailure> failures = sender.TakeFailures();  // all "queue_full"
  state.counters["dropped"] = failures.empty() ? 0.0 : static_cast<double>(failures[0].count);
}

BENCHMARK(SendWhileHeld)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace verdalin

BENCHMARK_MAIN();
