// The line-event detector's cost per poll: a quiet line, and a line that changes at every poll.
#include <benchmark/benchmark.h>

#include <array>

#include "monitor/line_events.h"

namespace verdalin {
namespace {

LineSample InSync(float down, float snr, int32_t crc) {
  LineSample sample;
  sample.Connected = 1;
  sample.Downstream_kbps = down;
  sample.Upstream_kbps = 1023;
  sample.SNR_local = snr;
  sample.SNR_distant = 11.2f;
  sample.CRC_errors = crc;
  return sample;
}

// The usual poll: the same values as before, no event.
void QuietLine(benchmark::State& state) {
  LineEventDetector detector;
  const LineSample sample = InSync(17904, 9.5f, 12);
  int64_t time = 1'765'000'000;
  std::size_t events = 0;
  for (auto _ : state) {
    time += 60;
    events += detector.Feed(time, PollOutcome::kSample, sample).size();
  }
  if (events != 0) state.SkipWithError("a quiet line gave events");
}
BENCHMARK(QuietLine);

// Every poll an event or two with their details: sync lost, back, retrain, low margin, CRC.
void BusyLine(benchmark::State& state) {
  LineEventDetector detector;
  LineSample down;
  const std::array<LineSample, 4> cycle = {InSync(17904, 9.5f, 12), down, InSync(16000, 3.0f, 2000),
                                           InSync(17904, 9.0f, 9000)};
  int64_t time = 1'765'000'000;
  std::size_t next = 0;
  std::size_t events = 0;
  for (auto _ : state) {
    time += 60;
    events += detector.Feed(time, PollOutcome::kSample, cycle[next]).size();
    next = (next + 1) % cycle.size();
  }
  state.counters["events_per_poll"] =
      benchmark::Counter(static_cast<double>(events) / static_cast<double>(state.iterations()));
}
BENCHMARK(BusyLine);

// A gateway that comes and goes: unreachable, back, page not recognised, recognised.
void GatewayComesAndGoes(benchmark::State& state) {
  LineEventDetector detector;
  const LineSample sample = InSync(17904, 9.5f, 12);
  const std::array<PollOutcome, 4> cycle = {PollOutcome::kSample, PollOutcome::kUnreachable,
                                            PollOutcome::kUnrecognised, PollOutcome::kSample};
  int64_t time = 1'765'000'000;
  std::size_t next = 0;
  for (auto _ : state) {
    time += 60;
    benchmark::DoNotOptimize(detector.Feed(time, cycle[next], sample));
    next = (next + 1) % cycle.size();
  }
}
BENCHMARK(GatewayComesAndGoes);

}  // namespace
}  // namespace verdalin

BENCHMARK_MAIN();
