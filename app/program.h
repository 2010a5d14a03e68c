// The program's one entry point for every platform: the command line decides what runs.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "app/application.h"
#include "app/front_end.h"
#include "text/clock.h"
#include "text/file_system.h"

namespace verdalin {

// What a platform offers beside its desktop front end, which it builds only when asked.
class ProgramHost {
 public:
  virtual ~ProgramHost() = default;
  virtual FileSystem& Files() = 0;
  virtual const Clock& LocalClock() = 0;
  virtual ShellServices& Shell() = 0;
  // One line on standard error (on Windows, the console the program was started from, if any).
  virtual void WriteError(const std::string& line) = 0;
  // Builds the desktop front end and runs `program` on it; its result is the exit code.
  virtual int RunDesktop(const std::function<int(Platform&)>& program) = 0;
};

// "--report [options]" writes a history report and opens it, without a window; anything else
// runs the desktop program, in the tray with monitoring on when the first argument is
// "-startup". `arguments` are those after the program's own path. Returns the exit code.
int Main(ProgramHost& host, const std::vector<std::string>& arguments);

// The parameters after the program's own path in a raw command line (Windows), blank
// separated; a parameter that begins with a double quote runs to the next one, without quotes.
std::vector<std::string> CommandLineArguments(std::string_view command_line);
// The first of them, or "".
std::string FirstParameter(std::string_view command_line);

inline constexpr std::string_view kReportOption = "--report";

}  // namespace verdalin
