// A console reporter that also keeps the slowest run, to print it against a goal at the end.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <vector>

namespace verdalin {

class WorstReporter : public benchmark::ConsoleReporter {
 public:
  // `what` names a run ("page parse"); `goal` is in `unit`, as the runs are shown. With
  // `cpu_time` the goal is held against the CPU time a run took rather than the time that passed,
  // which other processes on a busy machine stretch.
  WorstReporter(const char* what, double goal, benchmark::TimeUnit unit, bool cpu_time = false)
      : what_(what), goal_(goal), unit_(unit), cpu_time_(cpu_time) {}

  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      const double time = (cpu_time_ ? run.GetAdjustedCPUTime() : run.GetAdjustedRealTime()) *
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
    std::printf("\nWorst %s %s: %.2f %s (%s); goal under %.0f %s: %s\n", what_,
                cpu_time_ ? "CPU time" : "time", worst_, unit, worst_name_.c_str(), goal_, unit,
                worst_ < goal_ ? "met" : "NOT MET");
  }

 private:
  const char* what_;
  double goal_;
  benchmark::TimeUnit unit_;
  bool cpu_time_;
  double worst_ = 0;
  std::string worst_name_;
};

}  // namespace verdalin
