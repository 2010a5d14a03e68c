// Drives verdalin.exe from another process: its program folder, its window, controls and tray.
#pragma once

#include <windows.h>

#include <chrono>
#include <functional>
#include <string>

namespace verdalin::driver {

using std::chrono::milliseconds;

// Waits until `done` holds, checking every 20 ms; false when `timeout` passed first.
bool WaitUntil(const std::function<bool()>& done, milliseconds timeout = milliseconds(10000));

// A Windows path for a path of the build (Unix paths are reached through drive Z:).
std::string WindowsPath(const std::string& path);

// A fresh program folder in the temporary folder with a copy of verdalin.exe; removed at the end.
class ProgramFolder {
 public:
  ProgramFolder();
  ~ProgramFolder();
  ProgramFolder(const ProgramFolder&) = delete;
  ProgramFolder& operator=(const ProgramFolder&) = delete;

  const std::string& Path() const { return path_; }  // with its trailing backslash
  std::string File(const std::string& name) const { return path_ + name; }
  std::string Program() const { return File("verdalin.exe"); }
  std::string SettingsFile() const { return File("Verdalin_Settings.ini"); }
  std::string PresetsFile() const { return File("Verdalin_Presets.ini"); }

 private:
  std::string path_;
};

// Removes a folder (given with its trailing backslash) and the files in it.
void RemoveFolder(const std::string& folder);

bool WriteTextFile(const std::string& path, const std::string& text);
// The whole file; "" when it cannot be read.
std::string ReadTextFile(const std::string& path);
bool FileExists(const std::string& path);
// A value of an INI file as the system reads it; `missing` when absent.
std::string IniValue(const std::string& file, const std::string& group, const std::string& key,
                     const std::string& missing = "<missing>");

// One running verdalin.exe and its main window.
class RemoteProgram {
 public:
  // Starts the folder's program with `arguments`; waits for its window and the end of its
  // start-up (the run count is written just before the settings are loaded).
  RemoteProgram(const ProgramFolder& folder, const std::string& arguments);
  // The same for a program elsewhere, whose run count goes to `settings_file`.
  RemoteProgram(const std::string& program, const std::string& settings_file,
                const std::string& arguments);
  ~RemoteProgram();  // ends the program if it still runs
  RemoteProgram(const RemoteProgram&) = delete;
  RemoteProgram& operator=(const RemoteProgram&) = delete;

  HWND Window() const { return window_; }
  HWND Control(int id) const { return GetDlgItem(window_, id); }
  HANDLE Process() const { return process_.hProcess; }
  DWORD ProcessId() const { return process_.dwProcessId; }

  // Returns when the program's thread has handled everything sent and posted so far.
  void Sync() const;
  std::string Text(int id) const;
  void SetText(int id, const std::string& text) const;
  // Clicks a button (BM_CLICK returns after the program's click handler).
  void Click(int id) const;
  // Clicks a button that starts a poll and waits for the poll's end: the poll fetches beside
  // the window's thread, and its status text marks its end.
  void ClickAndWaitForPoll(int id) const;
  // Selects a preset list entry and reports it as the list does for a pick: the selection's
  // change, then CBN_SELENDOK.
  void SelectPreset(int position) const;
  // One notification of the preset list (CBN_*), as the list sends it to the window.
  void NotifyPresetList(WORD code) const;
  // The text and the drawing type (SBT_* bits) of a status bar field.
  std::string StatusText(int field, int* type = nullptr) const;
  // A mouse message on the tray icon, as the shell posts it.
  void TrayMouse(UINT mouse_message) const;
  DWORD PriorityClass() const;
  bool Visible() const { return IsWindowVisible(window_) != 0; }

  // Waits for the end of the process; its exit code, or STILL_ACTIVE on timeout.
  DWORD WaitForExit(milliseconds timeout = milliseconds(15000));

 private:
  PROCESS_INFORMATION process_ = {};
  HWND window_ = nullptr;
};

// Runs the folder's program with `arguments` to its end, its standard error into `errors`;
// its exit code, or STILL_ACTIVE when it did not end within `timeout`.
DWORD RunToEnd(const ProgramFolder& folder, const std::string& arguments, std::string* errors,
               milliseconds timeout = milliseconds(30000));

// The popup menu window (#32768) of a process, or null.
HWND FindPopupMenu(DWORD process_id);
// A dialog window (#32770) the process shows, or null.
HWND FindShownDialog(DWORD process_id);
// The Startup folder of this prefix's user and the path of the program's shortcut in it.
std::string StartupShortcutPath();

}  // namespace verdalin::driver
