// Read time of each device answer of tests/answers/ by its kind's reader, and of answers grown to
// the size a flooding device could send before a reading gives up.
//
// Prints each answer's time and, last, the worst of the real answers: each should be read in
// under 50 us.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "fakes/answer_files.h"
#include "monitor/broadcom_stats.h"
#include "monitor/draytek_status.h"
#include "monitor/tr064.h"
#include "monitor/ubus.h"
#include "worst_reporter.h"

namespace verdalin {
namespace {

constexpr double kGoalUs = 50;

// Reads one case's answers as its kind's reader does.
void ReadAnswers(const AnswerCase& c, LineSample& sample) {
  if (c.kind == "broadcom") {
    ReadBroadcomStats(c.File("answer.txt"), sample);
  } else if (c.kind == "draytek") {
    ReadDraytekStatus(c.File("answer.txt"), sample);
  } else if (c.kind == "tr064") {
    ReadTr064Description(c.File("tr64desc.xml"));
    ReadTr064Answers(
        {c.File("WANDSLInterfaceConfig-GetInfo.xml"),
         c.File("WANDSLInterfaceConfig-GetStatisticsTotal.xml"), c.File("DeviceInfo-GetInfo.xml")},
        sample);
  } else {
    ReadUbusLogin(c.File("login.json"));
    ReadUbusMetrics(c.File("metrics.json"), sample);
  }
}

void ReadCase(benchmark::State& state, const AnswerCase* c) {
  std::size_t bytes = 0;
  for (const auto& [name, text] : c->files) bytes += text.size();
  for (auto _ : state) {
    LineSample sample;
    ReadAnswers(*c, sample);
    benchmark::DoNotOptimize(sample);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
}

// A command-line answer repeated up to 1 MiB: how the readers scale with a device that floods.
void ReadFlood(benchmark::State& state, const AnswerCase* c) {
  std::string flood;
  const std::string_view answer = c->File("answer.txt");
  while (flood.size() + answer.size() <= (std::size_t{1} << 20)) flood += answer;
  for (auto _ : state) {
    LineSample sample;
    if (c->kind == "broadcom")
      ReadBroadcomStats(flood, sample);
    else
      ReadDraytekStatus(flood, sample);
    benchmark::DoNotOptimize(sample);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * flood.size()));
}

}  // namespace
}  // namespace verdalin

int main(int argc, char** argv) {
  static const std::vector<verdalin::AnswerCase> cases = verdalin::AnswerCases();
  for (const verdalin::AnswerCase& c : cases) {
    benchmark::RegisterBenchmark(("Read/" + c.kind + "/" + c.name).c_str(), verdalin::ReadCase, &c)
        ->Unit(benchmark::kMicrosecond)
        ->MinTime(0.1);
  }
  benchmark::Initialize(&argc, argv);
  verdalin::WorstReporter reporter("answer read", verdalin::kGoalUs, benchmark::kMicrosecond);
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.PrintWorst();
  benchmark::ClearRegisteredBenchmarks();
  for (const verdalin::AnswerCase& c : cases) {
    if (c.kind != "broadcom" && c.kind != "draytek") continue;
    if (c.name.find("showtime") == std::string::npos) continue;
    benchmark::RegisterBenchmark(("Flood-1MiB/" + c.kind + "/" + c.name).c_str(),
                                 verdalin::ReadFlood, &c)
        ->Unit(benchmark::kMillisecond)
        ->MinTime(0.1);
  }
  benchmark::ConsoleReporter flood_reporter;
  benchmark::RunSpecifiedBenchmarks(&flood_reporter);
  benchmark::Shutdown();
  return 0;
}
