// The program's one entry point: the report command, the password scrambler, the headless monitor,
// the help and version texts or the desktop program.
#include "app/program.h"

#include <iostream>

#include "app/desktop_controller.h"
#include "app/headless.h"
#include "app/report_command.h"
#include "app/settings_folder.h"
#include "app/setup_command.h"
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

int RunReport(ProgramHost& host, const std::vector<std::string>& arguments) {
  HostReports reports(host,
                      [&host](const std::string& line) { host.WriteError("verdalin: " + line); });
  const std::vector<std::string> options(arguments.begin() + 1, arguments.end());
  return RunReportCommand(reports, StoredReportPlaces(host.Files(), host.Shell()), options);
}

// The problem, then the usage, on standard error.
int RefuseCommandLine(ProgramHost& host, const std::string& problem) {
  std::string usage = UsageText();
  usage.pop_back();  // the last line's end: WriteError ends each line itself
  host.WriteError("verdalin: " + problem);
  host.WriteError(usage);
  return 2;
}

// --help with the files this copy reads.
std::string Help(ProgramHost& host) {
  const std::string folder = SettingsFolder(host.Files(), host.Shell());
  return HelpText(folder, PresetsFile(host.Files(), host.Shell(), folder));
}

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
  const CommandLine command = ParseCommandLine(arguments);
  switch (command.mode) {
    case ProgramMode::kHeadless:
      return RunHeadless(host, arguments);
    case ProgramMode::kSetup:
      return RunSetup(host, arguments);
    case ProgramMode::kScramblePassword:
      return ScramblePassword(std::cin, std::cout, host);
    case ProgramMode::kReport:
      return RunReport(host, arguments);
    case ProgramMode::kHelp:
      host.WriteOutput(Help(host));
      return 0;
    case ProgramMode::kVersion:
      host.WriteOutput(VersionText());
      return 0;
    case ProgramMode::kUsageError:
      return RefuseCommandLine(host, command.problem);
    case ProgramMode::kDesktop:
      break;
  }
  const std::string_view first = command.at_startup ? kStartupArgument : std::string_view();
  return host.RunDesktop(
      [&host, first](Desktop& desktop) { return RunDesktopProgram(host, desktop, first); });
}

}  // namespace verdalin
