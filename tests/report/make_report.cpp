// Writes a history report through the core's command on this machine's services, for the browser
// test and the year benchmark: make_report [--stats] LOG.csv [report options].
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "app/report_command.h"
#include "base/clock.h"
#include "base/file_system.h"

namespace {

class MachineHost : public verdalin::ReportHost {
 public:
  verdalin::FileSystem& Files() override { return verdalin::PlatformFileSystem(); }
  const verdalin::Clock& LocalClock() override { return verdalin::SystemClock(); }
  bool OpenInBrowser(const std::string&) override { return false; }
  void ShowError(const std::string& line) override { std::cerr << line << "\n"; }
};

// The option after --out, or the default name beside the log.
std::string OutputOf(const std::vector<std::string>& arguments) {
  for (std::size_t i = 0; i + 1 < arguments.size(); ++i)
    if (arguments[i] == "--out") return arguments[i + 1];
  return "";
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> arguments(argv + 1, argv + argc);
  const bool stats = !arguments.empty() && arguments[0] == "--stats";
  if (stats) arguments.erase(arguments.begin());
  MachineHost host;
  verdalin::ReportPlaces places;
  places.settings_file = "Verdalin_Settings.ini";
  places.version = "test";
  const auto start = std::chrono::steady_clock::now();
  const int result = verdalin::RunReportCommand(host, places, arguments);
  const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
  if (stats && result == 0) {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const verdalin::PathInfo out = host.Files().Stat(OutputOf(arguments));
    std::printf("report_seconds=%.3f peak_rss_mb=%.1f html_mb=%.2f\n", elapsed.count(),
                static_cast<double>(usage.ru_maxrss) / 1024.0,
                static_cast<double>(out.size) / (1024.0 * 1024.0));
  }
  return result;
}
