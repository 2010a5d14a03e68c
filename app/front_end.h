// Services the application core asks of a front end (Win32 or Qt), grouped by what realises them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "app/events.h"
#include "ui/interface_texts.h"
#include "ui/window_controls.h"

namespace verdalin {

// Texts crossing these interfaces are in the system's code page (Windows-1252 on Windows, UTF-8
// on Linux), except the interface text table, which stays Windows-1252 as stored.
//
// Every front end reports what happens to the EventSink it was built with (see app/events.h):
// a close request, control notifications, tray icon actions and menu choices, a minimised
// window, timer ticks, the notification area coming and going, and the session's end.

// The window system: building the main window and running the event loop.
class WindowSystem {
 public:
  virtual ~WindowSystem() = default;
  // Opens the main window titled "Verdalin" with its status bar and 24 controls from the control
  // table and `texts`, attaches the five balloon tooltips and the link font, and shows it as the
  // current window. From then on its events go to the front end's EventSink.
  virtual void BuildMainWindow(const InterfaceTexts& texts) = 0;
  virtual void SetWhiteBackground() = 0;
  // Black text on a transparent background over white, for one control.
  virtual void ApplyBlackOnWhite(int id) = 0;
  // Waits for events and dispatches them until EndEventLoop.
  virtual void RunEventLoop() = 0;
  // Leaves the event loop after the event being handled.
  virtual void EndEventLoop() = 0;
  // Safe from any thread: the event reaches the EventSink on the loop's thread, after the events
  // already waiting.
  virtual void PostEvent(const Event& event) = 0;
};

// Periods every front end's timer runs exactly as given.
inline constexpr int64_t kShortestTimerPeriod = 1000;
inline constexpr int64_t kLongestTimerPeriod = 2147483647;  // about 24.8 days

// The main window's timers. Each tick reports Event{kTimerTick, identity}.
class IntervalTimer {
 public:
  virtual ~IntervalTimer() = default;
  // Starts timer `identity` with a period from kShortestTimerPeriod to kLongestTimerPeriod,
  // replacing a running one with the same identity and its period. False when the platform
  // refuses the timer.
  virtual bool StartTimer(int identity, int64_t period_ms) = 0;
  // Does nothing when no such timer runs.
  virtual void StopTimer(int identity) = 0;
};

// One entry of a popup menu: an item with its identifier and text, or a separator.
struct MenuEntry {
  int item = 0;  // kMenuSeparator: a separator
  std::string text;
};
inline constexpr int kMenuSeparator = 0;

// The notification area: the tray icon and the popup menu it opens.
class TrayArea {
 public:
  virtual ~TrayArea() = default;
  // Whether a notification area exists now, so that an icon in it can bring the window back.
  virtual bool TrayAvailable() = 0;
  // Adds the icon with the executable's first icon image and `tooltip`; false on failure.
  virtual bool AddTrayIcon(int identity, const std::string& tooltip) = 0;
  // Clears the icon's hidden state; false where the platform cannot.
  virtual bool ShowTrayIcon(int identity) = 0;
  virtual void RemoveTrayIcon(int identity) = 0;
  // Shows a notice from the icon (a balloon, or the desktop's notification); false where none
  // can show.
  virtual bool ShowNotice(int identity, const std::string& title, const std::string& text) = 0;
  // Makes the popup menu with its entries in order; false when it cannot be made.
  virtual bool CreatePopupMenu(int menu, const std::vector<MenuEntry>& entries) = 0;
  // Opens the menu at the mouse pointer, less one pixel each way; returns when the user has chosen
  // (the choice arrives later as Event{kTrayMenuItem, item}) or dismissed it.
  virtual void DisplayPopupMenu(int menu) = 0;
};

enum class MessageIcon { kError, kWarning, kInformation };

struct FileDialogRequest {
  std::string title;
  std::string filter;  // "description|pattern;pattern"
  std::string initial_folder;
  std::string initial_name;  // empty: none
};

class Dialogs {
 public:
  virtual ~Dialogs() = default;
  // A modal message box with an OK button.
  virtual void ShowMessage(const std::string& title, const std::string& text, MessageIcon icon) = 0;
  // The file-open dialog: the chosen path (its folder must exist, the file need not), or nothing
  // when cancelled or failed. Does not change the current directory; no read-only option.
  virtual std::optional<std::string> ChooseFile(const FileDialogRequest& request) = 0;
};

// kSettings: the user's own folder for this program's settings ($XDG_CONFIG_HOME/verdalin,
// %APPDATA%\Verdalin), which may not exist yet.
enum class SpecialFolder { kDocuments, kStartup, kSettings };

// The start-at-logon entry's properties (a shell link on Windows, an XDG autostart entry on Linux).
struct StartupEntrySpec {
  std::string target;     // the executable path
  std::string arguments;  // "-startup"
  std::string description;
  std::string working_directory;  // empty: none
  int show_command = 2;           // 2: minimised
  int hot_key = 0;
  std::string icon_file;
  int icon_index = 0;
};

// The shell: folders, the executable, the startup entry and the home page.
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

// The process: its priority class and the start-up check of the socket layer.
class ProcessServices {
 public:
  virtual ~ProcessServices() = default;
  virtual void SetPriority(PriorityClass priority) = 0;
  // Starts the socket layer (version 1.1 on Windows); false when it cannot.
  virtual bool StartSocketLayer() = 0;
  // Ends the process at once with `code`, whatever other threads are doing.
  virtual void EndProcessNow(int code) = 0;
};

// Everything a front end offers the core. The window object exists before it is built.
struct FrontEnd {
  WindowControls& window;
  WindowSystem& windows;
  IntervalTimer& timer;
  TrayArea& tray;
  Dialogs& dialogs;
  ShellServices& shell;
  ProcessServices& process;
};

}  // namespace verdalin
