// The program's one entry point: the report command, the password scrambler, the headless monitor
// or the desktop program.
#include "app/program.h"

#include <iostream>

#include "app/headless.h"
#include "app/report_command.h"
#include "app/settings.h"
#include "base/scramble.h"
#include "ui/control_table.h"

namespace verdalin {

namespace {

// Splits off the next blank-separated parameter at `i`; a quoted one loses its quotes.
std::string NextParameter(std::string_view line, std::size_t& i) {
  while (i < line.size() && line[i] == ' ') ++i;
  const bool quoted = i < line.size() && line[i] == '"';
  if (quoted) ++i;
  const std::size_t end = line.find(quoted ? '"' : ' ', i);
  const std::size_t stop = end == std::string_view::npos ? line.size() : end;
  std::string parameter(line.substr(i, stop - i));
  i = quoted && stop < line.size() ? stop + 1 : stop;
  return parameter;
}

// The report command's view of the platform: errors go to standard error.
class CommandReportHost : public ReportHost {
 public:
  explicit CommandReportHost(ProgramHost& host) : host_(host) {}
  FileSystem& Files() override { return host_.Files(); }
  const Clock& LocalClock() override { return host_.LocalClock(); }
  bool OpenInBrowser(const std::string& path) override { return host_.Shell().OpenAddress(path); }
  void ShowError(const std::string& line) override { host_.WriteError("verdalin: " + line); }

 private:
  ProgramHost& host_;
};

}  // namespace

std::vector<std::string> CommandLineArguments(std::string_view command_line) {
  std::vector<std::string> arguments;
  std::size_t i = 0;
  NextParameter(command_line, i);  // the program's own path
  while (true) {
    while (i < command_line.size() && command_line[i] == ' ') ++i;
    if (i >= command_line.size()) return arguments;
    arguments.push_back(NextParameter(command_line, i));
  }
}

std::string FirstParameter(std::string_view command_line) {
  const std::vector<std::string> arguments = CommandLineArguments(command_line);
  return arguments.empty() ? std::string() : arguments.front();
}

Platform HostPlatform(ProgramHost& host, WindowControls& window, WindowSystem& windows,
                      IntervalTimer& timer, TrayArea& tray, Dialogs& dialogs, EventRelay& events) {
  return Platform{FrontEnd{window, windows, timer, tray, dialogs, host.Shell(), host.Process()},
                  host.Files(),
                  host.LocalClock(),
                  host.Numbers(),
                  host.Fetcher(),
                  events};
}

namespace {

// The program without a window: the same core on a front end in memory, monitoring on from the
// start, events and problems said on standard error.
int RunHeadless(ProgramHost& host, const std::vector<std::string>& arguments) {
  const bool config = arguments.size() == 3 && arguments[1] == kConfigOption;
  if (arguments.size() != 1 && !config) {
    host.WriteError("verdalin: usage: --headless [--config DIR]");
    return 2;
  }
  EventRelay events;
  HeadlessLoop loop(events);
  const std::unique_ptr<Watch> termination = host.WatchTermination(loop);
  if (!termination) {
    host.WriteError("verdalin: --headless runs on Linux only");
    return 2;
  }
  const LineSink say = [&host](const std::string& line) { host.WriteError("verdalin: " + line); };
  HeadlessWindow window(say);
  HeadlessTray tray;
  HeadlessDialogs dialogs(say);
  Platform platform = HostPlatform(host, window, loop, loop, tray, dialogs, events);
  platform.headless = true;
  platform.make_poster = [&host] { return host.MakePoster(); };
  platform.say = say;
  if (config) platform.settings_folder = arguments[2];
  return RunProgram(platform, kStartupArgument);
}

}  // namespace

int ScramblePassword(std::istream& in, std::ostream& out, ProgramHost& host) {
  std::string password;
  if (!std::getline(in, password)) {
    host.WriteError("verdalin: --scramble-password reads the password from standard input");
    return 2;
  }
  if (!password.empty() && password.back() == '\r') password.pop_back();
  out << StorePassword(password) << '\n';
  return out.flush() ? 0 : 1;
}

int Main(ProgramHost& host, const std::vector<std::string>& arguments) {
  if (!arguments.empty() && arguments.front() == kHeadlessOption)
    return RunHeadless(host, arguments);
  if (arguments.size() == 1 && arguments.front() == kScrambleOption)
    return ScramblePassword(std::cin, std::cout, host);
  if (!arguments.empty() && arguments.front() == kReportOption) {
    CommandReportHost report_host(host);
    const std::vector<std::string> options(arguments.begin() + 1, arguments.end());
    return RunReportCommand(report_host, StoredReportPlaces(host.Files(), host.Shell()), options);
  }
  const std::string first = arguments.empty() ? std::string() : arguments.front();
  return host.RunDesktop([&first, &host](Platform& platform) {
    platform.make_poster = [&host] { return host.MakePoster(); };
    return RunProgram(platform, first);
  });
}

}  // namespace verdalin
