// The desktop program: its start-up, the events of its window and tray, the polls it shows, and
// its end. The monitor itself runs in a MonitorService; the window only shows it and holds the
// line's settings, which each poll takes as a snapshot.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "app/desktop.h"
#include "app/events.h"
#include "app/host.h"
#include "app/monitor_service.h"
#include "app/settings.h"
#include "app/tray_presence.h"
#include "base/locale_number.h"
#include "monitor/preset.h"
#include "ui/interface_texts.h"

namespace verdalin {

// Whether a first parameter asks for a start in the tray with monitoring on.
bool IsStartupParameter(std::string_view first_parameter);
// The browse dialog's request for an output file field text.
FileDialogRequest OutputFileRequest(std::string_view field_text, char separator);

class DesktopController : public EventSink {
 public:
  DesktopController(ProgramHost& host, Desktop& desktop);
  DesktopController(const DesktopController&) = delete;
  DesktopController& operator=(const DesktopController&) = delete;

  // Start-up: the interface texts, locale snapshot, presets, network check, window, tray,
  // statistics, settings, the monitor and the "-startup" rule. False after the fatal network
  // error: the message was shown, nothing was written, and the program ends at once without a
  // loop and without Shutdown().
  bool Start(std::string_view first_parameter);
  void Dispatch(const Event& event) override;
  // After the loop: a reading still running is cancelled, the settings are saved and the tray
  // icon removed. Returns the exit code.
  int Shutdown();
  static constexpr int ExitCode() { return 0; }

  bool PollBusy() const { return monitor_ && monitor_->Session().Busy(); }

 private:
  void ReadFiles(const IniFile& settings);
  void BuildWindow();
  void StartMonitor();
  void OnControl(int id);
  void OnListPick(int id);
  void OnMenuItem(int item);
  void StartMonitoring();
  void StopMonitoring();
  void ChooseOutputFile();
  void ShowHistoryReport();
  void EditSettings();
  void FinishPoll();
  void ReportWebhookFailures();
  void ReportMqttFailures();
  void ShowStatus(std::string_view text, int appearance);
  void SaveSettings();
  void RequestQuit();
  MonitorConfig Config();

  ProgramHost& host_;
  Desktop& desktop_;
  TrayPresence presence_;
  InterfaceTexts texts_;
  PresetTable presets_;
  LocaleSnapshot locale_;
  std::string folder_;  // of the settings and presets files
  std::string settings_path_;
  IniLoad presets_outcome_ = IniLoad::kMissing;
  ProgramSettings stored_;
  std::unique_ptr<MonitorService> monitor_;
  bool built_ = false;
  bool quit_ = false;
  bool stop_pending_ = false;      // STOP pressed while a poll was reading
  bool event_log_failed_ = false;  // the last poll could not write an event row
  bool unwritable_said_ = false;   // the settings file cannot be written, and the user knows
  bool settings_open_ = false;     // the settings window is showing
};

// The desktop program on the host's front end, from start-up to its end. Returns the exit code.
int RunDesktopProgram(ProgramHost& host, Desktop& desktop, std::string_view first_parameter);

}  // namespace verdalin
