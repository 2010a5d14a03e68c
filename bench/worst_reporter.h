// A console reporter that also keeps the slowest run, to print it against a goal at the end.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <vector>

namespace verdalin {

class WorstReporter : public benchmark::ConsoleReporter {
 public:
  // `what` names a run ("page parse"); `goal` is in `unit`, as the runs are shown.
  WorstReporter(const char* what, double goal, benchmark::TimeUnit unit)
      : what_(what), goal_(goal), unit_(unit) {}

  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      const double time = run.GetAdjustedRealTime() *
                          benchmark::GetTimeUnitMultiplier(run.time_unit) /
                          benchmark::GetTimeUnitMultiplier(unit_);
      if (time > worst_) {
        worst_ = time;
        worst_name_ = run.benchmark_name();
      }
    }
    ConsoleReporter::ReportRuns(runs);
  }

  void PrintWorst() const {
    const char* unit = benchmark::GetTimeUnitString(unit_);
    std::printf("\nWorst %s time: %.2f %s (%s); goal under %.0f %s: %s\n", what_, worst_, unit,
                worst_name_.c_str(), goal_, unit, worst_ < goal_ ? "met" : "NOT MET");
  }

 private:
  const char* what_;
  double goal_;
  benchmark::TimeUnit unit_;
  double worst_ = 0;
  std::string worst_name_;
};

}  // namespace verdalin
