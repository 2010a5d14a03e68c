// The program's one entry point for every platform: the command line decides what runs.
#pragma once

#include <istream>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "app/host.h"

namespace verdalin {

inline constexpr std::string_view kReportOption = "--report";
inline constexpr std::string_view kHeadlessOption = "--headless";
inline constexpr std::string_view kScrambleOption = "--scramble-password";

// "--report [options]" writes a history report and opens it, without a window;
// "--scramble-password" prints the stored form of a password read from standard input;
// "--headless [--config DIR]" monitors without a window or a display, events said on standard
// error and the metrics endpoint on; anything else runs the desktop program, in the tray with
// monitoring on when the first argument is "-startup". `arguments` are those after the program's
// own path. Returns the exit code.
int Main(ProgramHost& host, const std::vector<std::string>& arguments);

// The parameters after the program's own path in a raw command line (Windows), blank
// separated; a parameter that begins with a double quote runs to the next one, without quotes.
std::vector<std::string> CommandLineArguments(std::string_view command_line);

// "--scramble-password": the stored form of the password on the first line of `in`, for the
// crypted_password keys of a program without a window. 2 when there is no line.
int ScramblePassword(std::istream& in, std::ostream& out, ProgramHost& host);

}  // namespace verdalin
