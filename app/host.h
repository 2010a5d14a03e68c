// What a platform offers the programs beside its desktop front end: files, clocks, numbers, the
// shell, the process, the network clients, standard error, and the front end built on demand.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "app/desktop.h"
#include "base/clock.h"
#include "base/file_system.h"
#include "base/locale_number.h"
#include "export/webhook.h"
#include "monitor/page_fetcher.h"

namespace verdalin {

// kSettings: the user's own folder for this program's settings ($XDG_CONFIG_HOME/verdalin,
// %APPDATA%\Verdalin), which may not exist yet. kShippedData: the folder of the files installed
// with the program (the shipped presets): <prefix>/share/verdalin for an installed Linux program,
// else the executable's own folder.
enum class SpecialFolder { kDocuments, kStartup, kSettings, kShippedData };

// The start-at-logon entry (a shell link on Windows, an XDG autostart entry on Linux).
struct StartupEntrySpec {
  std::string target;     // the executable path
  std::string arguments;  // "-startup"
  std::string description;
};

// The shell: folders, the executable, the startup entry and the browser.
class ShellServices {
 public:
  virtual ~ShellServices() = default;
  // The folder's path without a trailing separator and blanks trimmed, or "" when unknown.
  // kStartup is the folder of start-at-logon entries (Windows Startup, XDG autostart).
  virtual std::string SpecialFolderPath(SpecialFolder folder) = 0;
  // The full path of the running executable.
  virtual std::string ExecutablePath() = 0;
  // '\\' on Windows, '/' on Linux.
  virtual char PathSeparator() = 0;
  // File name of the startup entry in the startup folder: "Verdalin.lnk" or "Verdalin.desktop".
  virtual std::string StartupEntryName() = 0;
  // Writes the entry at `path` (creating its folder where the platform needs); true on success.
  virtual bool CreateStartupEntry(const std::string& path, const StartupEntrySpec& entry) = 0;
  // Opens the address (a web address or a local file) in the user's browser; false when the
  // browser could not be started.
  virtual bool OpenAddress(const std::string& address) = 0;
  // Whether the program may create files in the folder (given without a trailing separator): it
  // exists, the user can write there, and it is no folder of the system's own programs.
  virtual bool CanCreateFilesIn(const std::string& folder) = 0;
  // Creates the folder (without a trailing separator) and its missing parents; true when it
  // exists afterwards.
  virtual bool CreateFolder(const std::string& folder) = 0;
};

enum class PriorityClass { kNormal, kIdle };

// The process: its priority class, the start of the network layer, and its end.
class ProcessServices {
 public:
  virtual ~ProcessServices() = default;
  virtual void SetPriority(PriorityClass priority) = 0;
  // Starts the network layer (Winsock on Windows); false when it cannot.
  virtual bool StartNetwork() = 0;
  // Ends the process at once with `code`, whatever other threads are doing.
  virtual void EndProcessNow(int code) = 0;
  // The computer's name on the network, "" when unknown.
  virtual std::string HostName() { return ""; }
};

// Something watched until it is destroyed.
class Watch {
 public:
  virtual ~Watch() = default;
};

// Standard input, line by line, for the questions the program asks on a terminal.
class LineInput {
 public:
  virtual ~LineInput() = default;
  // One line without its end; nullopt at the end of input. With `hidden`, what is typed on a
  // terminal is not echoed (input that is no terminal is read as it is).
  virtual std::optional<std::string> ReadLine(bool hidden) = 0;
};

class ProgramHost {
 public:
  virtual ~ProgramHost() = default;
  virtual FileSystem& Files() = 0;
  virtual const Clock& LocalClock() = 0;
  virtual const MonotonicClock& Monotonic() = 0;
  virtual ShellServices& Shell() = 0;
  virtual ProcessServices& Process() = 0;
  virtual NumberFormatService& Numbers() = 0;
  virtual PageFetcher& Fetcher() = 0;
  // A new client for the webhook's POSTs, with the page fetch's time limits.
  virtual std::shared_ptr<HttpPoster> MakePoster() = 0;
  // A new transport for a line source that speaks HTTP to the device; null where there is none.
  virtual std::unique_ptr<HttpTransport> MakeTransport() { return nullptr; }
  // One line on standard error (on Windows, the console the program was started from, if any).
  virtual void WriteError(const std::string& line) = 0;
  // Text as it is on standard output (on Windows, as standard error goes).
  virtual void WriteOutput(const std::string& text) = 0;
  // Writes `line` over the last one on standard error when that is a terminal (a console on
  // Windows), for a progress line; "" clears it. Nothing elsewhere.
  virtual void ShowProgress(const std::string& line) { (void)line; }
  // Standard input for questions; null where the platform asks none.
  virtual LineInput* Input() { return nullptr; }
  // Builds the desktop front end and runs `program` on it; its result is the exit code.
  virtual int RunDesktop(const std::function<int(Desktop&)>& program) = 0;
  // Turns the termination signals into Event{kTerminationRequested} posted to `loop` until the
  // watch ends; null where the platform has no such signals.
  virtual std::unique_ptr<Watch> WatchTermination(EventLoop& loop) = 0;
};

}  // namespace verdalin
