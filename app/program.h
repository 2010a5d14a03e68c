// The program's one entry point for every platform: the command line decides what runs.
#pragma once

#include <functional>
#include <istream>
#include <memory>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "app/application.h"
#include "app/front_end.h"
#include "base/clock.h"
#include "base/file_system.h"
#include "base/locale_number.h"
#include "export/webhook.h"
#include "monitor/page_fetcher.h"

namespace verdalin {

// Something watched until it is destroyed.
class Watch {
 public:
  virtual ~Watch() = default;
};

// What a platform offers beside its desktop front end, which it builds only when asked.
class ProgramHost {
 public:
  virtual ~ProgramHost() = default;
  virtual FileSystem& Files() = 0;
  virtual const Clock& LocalClock() = 0;
  virtual ShellServices& Shell() = 0;
  virtual ProcessServices& Process() = 0;
  virtual NumberFormatService& Numbers() = 0;
  virtual PageFetcher& Fetcher() = 0;
  // A new client for the webhook's POSTs, with the page fetch's time limits.
  virtual std::shared_ptr<HttpPoster> MakePoster() = 0;
  // One line on standard error (on Windows, the console the program was started from, if any).
  virtual void WriteError(const std::string& line) = 0;
  // Builds the desktop front end and runs `program` on it; its result is the exit code.
  virtual int RunDesktop(const std::function<int(Platform&)>& program) = 0;
  // Turns the termination signals into Event{kTerminationRequested} posted to `loop` until the
  // watch ends; null where the platform runs no headless program.
  virtual std::unique_ptr<Watch> WatchTermination(WindowSystem& loop) = 0;
};

// The platform of a front end on this host: the host's services beside the front end's parts.
Platform HostPlatform(ProgramHost& host, WindowControls& window, WindowSystem& windows,
                      IntervalTimer& timer, TrayArea& tray, Dialogs& dialogs, EventRelay& events);

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
// The first of them, or "".
std::string FirstParameter(std::string_view command_line);

inline constexpr std::string_view kReportOption = "--report";
inline constexpr std::string_view kHeadlessOption = "--headless";
inline constexpr std::string_view kConfigOption = "--config";
inline constexpr std::string_view kScrambleOption = "--scramble-password";

// "--scramble-password": the stored form of the password on the first line of `in`, for the
// crypted_password keys of a program without a window. 2 when there is no line.
int ScramblePassword(std::istream& in, std::ostream& out, ProgramHost& host);

}  // namespace verdalin
