// The program's command line: what it asks for, and the texts of --help and --version.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace verdalin {

inline constexpr std::string_view kReportOption = "--report";
inline constexpr std::string_view kHeadlessOption = "--headless";
inline constexpr std::string_view kSetupOption = "--setup";
inline constexpr std::string_view kScrambleOption = "--scramble-password";
inline constexpr std::string_view kHelpOption = "--help";
inline constexpr std::string_view kVersionOption = "--version";

enum class ProgramMode {
  kDesktop,           // the window; in the tray with monitoring on when asked with -startup
  kReport,            // the history report; its own options follow
  kHeadless,          // the monitor without a window; its own options follow
  kSetup,             // the gateway asked on the terminal and stored; its own options follow
  kScramblePassword,  // the stored form of a password read from standard input
  kHelp,
  kVersion,
  kUsageError,  // nothing the program knows: the problem, then the usage, and exit code 2
};

struct CommandLine {
  ProgramMode mode = ProgramMode::kDesktop;
  bool at_startup = false;  // kDesktop: "-startup", in any case
  std::string problem;      // kUsageError: what is wrong
};

// Reads the arguments after the program's own path. The report, the headless monitor and the
// setup read the options after their own; the other commands take no argument; the desktop takes
// words that are no option and passes over them.
CommandLine ParseCommandLine(const std::vector<std::string>& arguments);

// "verdalin 1.7.2".
std::string VersionText();

// The commands and their options, without the files.
std::string UsageText();

// --help: the usage, then the files: those of `settings_folder` (with its trailing separator)
// and the presets file that is read (the user's own or the shipped one).
std::string HelpText(std::string_view settings_folder, std::string_view presets_file);

}  // namespace verdalin
