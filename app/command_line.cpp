// The program's command line: what it asks for, and the texts of --help and --version.
#include "app/command_line.h"

#include <utility>

#include "app/settings.h"
#include "base/text_ops.h"
#include "monitor/event_log.h"
#include "ui/control_table.h"
#include "verdalin_version.h"

namespace verdalin {

namespace {

constexpr std::string_view kUsage =
    "Usage: verdalin [-startup]\n"
    "       verdalin --report [LOG.csv] [--from YYYY/MM/DD] [--to YYYY/MM/DD]\n"
    "                         [--out FILE.html] [--no-open]\n"
    "       verdalin --headless [--config DIR]\n"
    "       verdalin --setup [--config DIR]\n"
    "       verdalin --scramble-password\n"
    "       verdalin --help | --version\n"
    "\n"
    "Keeps a record of the health of a home ADSL line: polls the gateway's status page, logs\n"
    "one CSV row per poll and shows the line in a window and in the notification area.\n"
    "\n"
    "Options:\n"
    "  -startup             start hidden in the notification area, monitoring on\n"
    "  --report [LOG.csv]   write the history report of the data log (by default the one of\n"
    "                       the settings) as one HTML page and open it, without a window:\n"
    "    --from YYYY/MM/DD  the first day of the report\n"
    "    --to YYYY/MM/DD    the last day of the report\n"
    "    --out FILE.html    where to write it (by default Verdalin_Report.html beside the log)\n"
    "    --no-open          write the page without opening it\n"
    "  --headless           monitor without a window or a display until SIGTERM, SIGINT or\n"
    "                       SIGHUP; line events on standard error, metrics on 127.0.0.1:9469\n"
    "    --config DIR       the folder of the settings files (by default the one below)\n"
    "  --setup              ask on the terminal for the gateway's kind (a preset), address,\n"
    "                       login and password, try one reading and store them in the\n"
    "                       settings (Linux); --config DIR as for --headless\n"
    "  --scramble-password  print the stored form of the password read from standard input,\n"
    "                       for crypted_password= in the settings\n"
    "  --help               print this help\n"
    "  --version            print the version\n";

struct Command {
  std::string_view option;
  ProgramMode mode;
  bool takes_options;
};

constexpr Command kCommands[] = {
    {kReportOption, ProgramMode::kReport, true},
    {kHeadlessOption, ProgramMode::kHeadless, true},
    {kSetupOption, ProgramMode::kSetup, true},
    {kScrambleOption, ProgramMode::kScramblePassword, false},
    {kHelpOption, ProgramMode::kHelp, false},
    {"-h", ProgramMode::kHelp, false},
    {kVersionOption, ProgramMode::kVersion, false},
};

CommandLine UsageError(std::string problem) {
  return {ProgramMode::kUsageError, false, std::move(problem)};
}

// The desktop acts on "-startup" as its first argument only, and passes over other words (a file
// dropped on the program, say); any other option is a mistake.
CommandLine DesktopCommand(const std::vector<std::string>& arguments) {
  for (const std::string& argument : arguments)
    if (!argument.empty() && argument.front() == '-' && LowerCase(argument) != kStartupArgument)
      return UsageError("unknown option '" + argument + "'");
  const bool at_startup = !arguments.empty() && LowerCase(arguments.front()) == kStartupArgument;
  return {ProgramMode::kDesktop, at_startup, {}};
}

}  // namespace

CommandLine ParseCommandLine(const std::vector<std::string>& arguments) {
  for (const Command& command : kCommands) {
    if (arguments.empty() || arguments.front() != command.option) continue;
    if (!command.takes_options && arguments.size() > 1)
      return UsageError(std::string(command.option) + " takes no argument");
    return {command.mode, false, {}};
  }
  return DesktopCommand(arguments);
}

std::string VersionText() {
  return "verdalin " VERDALIN_VERSION "\n";
}

std::string UsageText() {
  return std::string(kUsage);
}

std::string HelpText(std::string_view settings_folder, std::string_view presets_file) {
  const std::string folder(settings_folder);
  return UsageText() + "\nFiles:\n  " + folder + std::string(kSettingsFileName) +
         "\n      the settings, written from the window at each exit\n  " +
         std::string(presets_file) +
         "\n      the presets of the preset list, only read (the user's own file in the settings'\n"
         "      folder when there is one, else the one installed with the program)\n" +
         "  the data log (the output file of the settings) and " + std::string(kEventsLogFileName) +
         " beside it\n";
}

}  // namespace verdalin
