// Read time of each device answer of tests/answers/ by its kind's reader, and of answers grown to
// the size a flooding device could send before a reading gives up.
//
// Prints each answer's time and the worst CPU time of them: each should be read in under 50 us.
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

// One answer file of a case, read as its kind's reader reads it.
struct Answer {
  const AnswerCase* from;
  std::string file;
  std::string_view text;
};

void ReadAnswer(const Answer& answer, LineSample& sample) {
  const std::string& file = answer.file;
  const std::string& kind = answer.from->kind;
  if (kind == "broadcom") {
    ReadBroadcomStats(answer.text, sample);
  } else if (kind == "draytek") {
    ReadDraytekStatus(answer.text, sample);
  } else if (file == "tr64desc.xml") {
    ReadTr064Description(answer.text);
  } else if (file.ends_with("Total.xml")) {
    ReadSoapAnswer(answer.text, "GetStatisticsTotal");  // read only after a GetInfo with values
  } else if (kind == "tr064") {
    Tr064Answers answers;
    (file.starts_with("DeviceInfo") ? answers.device_info : answers.dsl_info) = answer.text;
    ReadTr064Answers(answers, sample);
  } else if (file == "login.json") {
    ReadUbusLogin(answer.text);
  } else {
    ReadUbusMetrics(answer.text, sample);
  }
}

void ReadOne(benchmark::State& state, const Answer* answer) {
  for (auto _ : state) {
    LineSample sample;
    ReadAnswer(*answer, sample);
    benchmark::DoNotOptimize(sample);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * answer->text.size()));
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
  static std::vector<verdalin::Answer> answers;
  for (const verdalin::AnswerCase& c : cases) {
    for (const auto& [file, text] : c.files) {
      if (file != "expected.txt") answers.push_back({&c, file, text});
    }
  }
  for (const verdalin::Answer& answer : answers) {
    const std::string name = answer.from->kind + "/" + answer.from->name + "/" + answer.file;
    benchmark::RegisterBenchmark(("Read/" + name).c_str(), verdalin::ReadOne, &answer)
        ->Unit(benchmark::kMicrosecond)
        ->MinTime(0.05);
  }
  benchmark::Initialize(&argc, argv);
  verdalin::WorstReporter reporter("answer read", verdalin::kGoalUs, benchmark::kMicrosecond, true);
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
