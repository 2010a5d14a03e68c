// The program's one entry point for every platform: the command line decides what runs.
#pragma once

#include <istream>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "app/command_line.h"
#include "app/host.h"

namespace verdalin {

// "--report [options]" writes a history report and opens it, without a window;
// "--scramble-password" prints the stored form of a password read from standard input;
// "--headless [--config DIR]" monitors without a window or a display, events said on standard
// error and the metrics endpoint on; "--help" and "--version" print their text; no argument
// runs the desktop program, and "-startup" runs it in the tray with monitoring on. Anything
// else is refused with the usage on standard error and exit code 2, before any window or
// display. `arguments` are those after the program's own path. Returns the exit code.
int Main(ProgramHost& host, const std::vector<std::string>& arguments);

// The parameters after the program's own path in a raw command line (Windows), blank
// separated; a parameter that begins with a double quote runs to the next one, without quotes.
std::vector<std::string> CommandLineArguments(std::string_view command_line);

// "--scramble-password": the stored form of the password on the first line of `in`, for the
// crypted_password keys of a program without a window. 2 when there is no line.
int ScramblePassword(std::istream& in, std::ostream& out, ProgramHost& host);

}  // namespace verdalin
