// The program's main line: start-up, the event dispatch, the interval timer and shutdown.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "app/front_end.h"
#include "app/preset.h"
#include "text/clock.h"
#include "text/file_system.h"
#include "ui/interface_texts.h"
#include "ui/locale_number.h"

namespace verdalin {

// The poll of the line monitor as the application calls it.
class PollRunner {
 public:
  virtual ~PollRunner() = default;
  virtual void Poll() = 0;
};

// The platform services the core uses beside the front end.
struct CoreServices {
  FileSystem& files;
  Clock& clock;
  NumberFormatService& numbers;
};

// Mouse actions on the tray icon that the window callback passes on.
enum class TrayMouse { kRightPress, kDoubleClick, kOther };

inline constexpr int kIntervalTimerId = 1;

// The first parameter after the program's own path in a raw command line (Windows), blank
// separated; a parameter that begins with a double quote runs to the next one, without quotes.
std::string FirstParameter(std::string_view command_line);
// Whether a first parameter asks for a start in the tray with monitoring on.
bool IsStartupParameter(std::string_view first_parameter);
// The timer period for a delay field text: whole seconds times 1000, unchecked.
int64_t TimerPeriod(std::string_view delay_text);
// The browse dialog's request for an output file field text.
FileDialogRequest OutputFileRequest(std::string_view field_text, char separator);

// How a front end drives the core, after its own first steps (link font, pictures):
//   Application app(front, services);
//   app.SetPollRunner(&poll);  // the poll may hold references to app.Presets() and app.Locale()
//   if (!app.Start(first_parameter)) return Application::ExitCode();
//   loop: close -> OnClose, tray menu -> OnMenuItem, control notification -> OnControl(id),
//         anything else -> OnOtherEvent; timer 1 -> OnTimer; tray icon mouse -> OnTrayMouse;
//         leave when EndEventLoop was called (QuitRequested());
//   return app.Shutdown();
class Application {
 public:
  Application(FrontEnd& front, CoreServices services);
  Application(const Application&) = delete;
  Application& operator=(const Application&) = delete;

  // The poll that the timer and START run; none set: they run nothing.
  void SetPollRunner(PollRunner* poll) { poll_ = poll; }

  // Start-up after the front end's own steps (link font, pictures): the interface texts, presets,
  // locale snapshot, socket check, window, tray, statistics, settings and the "-startup" rule.
  // False after the fatal socket error: the message was shown, nothing was written, and the
  // program ends at once with ExitCode(), without a loop and without Shutdown().
  bool Start(std::string_view first_parameter);

  // Events of the loop.
  void OnClose();
  void OnMenuItem(int item);
  void OnControl(int id);
  void OnOtherEvent();  // anything that is neither a close, a menu item nor a control event

  // From the window callback and the platform.
  void OnTrayMouse(TrayMouse action);
  void OnTimer();
  // The session ends (logoff, shutdown, SIGTERM): saves the settings now, as a normal exit would.
  void OnSessionEnd();
  // The notification area came (back): the icon is added again.
  void OnTrayRecreated();
  // The notification area went away: a window hidden in it is shown again.
  void OnTrayLost();

  bool QuitRequested() const { return quit_; }
  // After the loop: saves the settings (unless the session end did), removes the tray icon.
  // Returns the exit code.
  int Shutdown();
  static constexpr int ExitCode() { return 0; }

  // What the poll needs from the start-up; the references stay valid for the object's life.
  const PresetTable& Presets() const { return presets_; }
  const LocaleSnapshot& Locale() const { return locale_; }
  const InterfaceTexts& Texts() const { return texts_; }
  const std::string& ProgramDirectory() const { return program_directory_; }
  const std::string& SettingsPath() const { return settings_path_; }

 private:
  void BuildWindow();
  void AddTray();
  void StartMonitoring();
  void StopMonitoring();
  void ChooseOutputFile();
  void HideToTray();
  void Restore();
  void SaveSettingsOnce();
  void RunPoll();
  void RequestQuit();

  FrontEnd& front_;
  CoreServices services_;
  PollRunner* poll_ = nullptr;
  InterfaceTexts texts_;
  PresetTable presets_;
  LocaleSnapshot locale_;
  std::string program_directory_;
  std::string settings_path_;
  bool quit_ = false;
  bool window_built_ = false;
  bool menu_created_ = false;
  bool settings_saved_ = false;
  bool tray_icon_present_ = false;
  bool hidden_in_tray_ = false;
};

}  // namespace verdalin
