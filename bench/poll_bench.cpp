// The work of one poll without the network: parse, CSV row to a file, status texts, per page size.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include <condition_variable>
#include <mutex>

#include "app/settings.h"
#include "fakes/fake_clock.h"
#include "fakes/fake_page_fetcher.h"
#include "fakes/fake_window.h"
#include "fakes/gateway_pages.h"
#include "monitor/monitor_session.h"
#include "monitor/parsers.h"
#include "ui/status_line.h"

namespace verdalin {
namespace {

enum Model { kInventel, kSagem, kTecom };

std::string Page(Model model, std::size_t bytes) {
  PageValues values;
  switch (model) {
    case kInventel:
      return InventelPage(values, bytes);
    case kSagem:
      return SagemPage(values, bytes);
    case kTecom:
      return TecomPage(values, bytes);
  }
  return "";
}

class NoTimer : public Timer {
 public:
  bool Start(int64_t) override { return true; }
  void Stop() override {}
};

// Ends of readings, handed from the reading's thread to the loop.
struct Fetched {
  void Signal() {
    std::lock_guard lock(mutex);
    done = true;
    ended.notify_all();
  }
  void Wait() {
    std::unique_lock lock(mutex);
    ended.wait(lock, [this] { return done; });
    done = false;
  }
  std::mutex mutex;
  std::condition_variable ended;
  bool done = false;
};

// A whole poll: the snapshot of the window's fields, the reading on its thread (the fetcher
// hands back the page at once), the row to a file in the temporary folder, the status texts to a
// window in memory.
void WholePoll(benchmark::State& state) {
  Model model = static_cast<Model>(state.range(0));
  FakePageFetcher fetcher;
  fetcher.page = Page(model, static_cast<std::size_t>(state.range(1)));
  std::string log = (std::filesystem::temp_directory_path() /
                     ("verdalin-bench-" + std::to_string(state.range(0)) + ".csv"))
                        .string();
  std::filesystem::remove(log);
  FakeWindow window;
  window.texts[kAddressField] = "http://127.0.0.1:1/status";
  window.texts[kDownstreamMaxField] = "8192";
  window.texts[kOutputFileField] = log;
  window.states[kPresetList] = static_cast<int>(model);
  PresetTable presets = {{}, {"INVENTEL"}, {"SAGEM"}, {"AH4222"}};
  FakeClock clock;
  FakeMonotonicClock steady;
  PortableNumberFormat format;
  NoTimer timer;
  LineSources sources(fetcher);
  Fetched fetched;
  MonitorSession session(SessionServices{clock,
                                         steady,
                                         PlatformFileSystem(),
                                         format,
                                         {},
                                         timer,
                                         sources,
                                         [&fetched] { fetched.Signal(); }},
                         AlertSettings{});
  for (auto _ : state) {
    session.Tick(ConfigOf(LineSettingsOf(window), presets));
    fetched.Wait();
    if (const auto result = session.Finish()) ShowPollResult(window, *result, "");
    window.status_log.clear();
    window.state_calls.clear();
  }
  if (window.status[kQualityField].text != "Quality Index: 62.5%") state.SkipWithError("no values");
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * state.range(1));
  std::filesystem::remove(log);
}

// The parser alone on the same pages.
void ParseOnly(benchmark::State& state) {
  Model model = static_cast<Model>(state.range(0));
  std::string page = Page(model, static_cast<std::size_t>(state.range(1)));
  PageParser parsers[] = {ParseInventel, ParseSagem, ParseTecom};
  for (auto _ : state) {
    LineSample sample;
    bool values_found = false;
    parsers[model](page, sample, values_found);
    benchmark::DoNotOptimize(sample);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * state.range(1));
}

void Sizes(benchmark::internal::Benchmark* b) {
  b->ArgNames({"model", "bytes"});
  for (int model : {kInventel, kSagem, kTecom}) {
    for (int bytes : {20 * 1024, 1024 * 1024}) b->Args({model, bytes});
  }
  b->Unit(benchmark::kMicrosecond);
}

BENCHMARK(WholePoll)->Apply(Sizes);
BENCHMARK(ParseOnly)->Apply(Sizes);

}  // namespace
}  // namespace verdalin

BENCHMARK_MAIN();
