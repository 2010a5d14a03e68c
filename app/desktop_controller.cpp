// The desktop program: start-up steps, event dispatch, the polls it shows, shutdown.
#include "app/desktop_controller.h"

#include <utility>

#include "app/report_command.h"
#include "app/settings_folder.h"
#include "app/settings_form.h"
#include "app/startup_link.h"
#include "base/text_ops.h"
#include "ui/control_ids.h"
#include "ui/control_table.h"
#include "ui/status_line.h"

namespace verdalin {

namespace {

// Characters that no file name may hold on either platform.
bool IsValidFileName(std::string_view name) {
  for (char ch : name)
    if (static_cast<unsigned char>(ch) < 32 ||
        std::string_view("<>:\"/\\|?*").find(ch) != std::string_view::npos)
      return false;
  return true;
}

// A minimised window goes to the tray after any event but a close, a control and a menu choice.
bool HidesAMinimisedWindow(EventKind kind) {
  return kind != EventKind::kCloseRequested && kind != EventKind::kControl &&
         kind != EventKind::kListPick && kind != EventKind::kTrayMenuItem;
}

}  // namespace

bool IsStartupParameter(std::string_view first_parameter) {
  return LowerCase(first_parameter) == kStartupArgument;
}

FileDialogRequest OutputFileRequest(std::string_view field_text, char separator) {
  FileDialogRequest request;
  request.title = kFileDialogTitle;
  request.filter = kFileDialogFilter;
  const std::size_t last = field_text.rfind(separator);
  const std::size_t name_start = last == std::string_view::npos ? 0 : last + 1;
  if (last != std::string_view::npos) request.initial_folder = field_text.substr(0, last);
  const std::string_view name = field_text.substr(name_start);
  if (IsValidFileName(name)) request.initial_name = name;
  return request;
}

DesktopController::DesktopController(ProgramHost& host, Desktop& desktop)
    : host_(host), desktop_(desktop), presence_(desktop, host.Process()) {}

bool DesktopController::Start(std::string_view first_parameter) {
  locale_ = host_.Numbers().TakeSnapshot();
  folder_ = SettingsFolder(host_.Files(), host_.Shell());
  settings_path_ = folder_ + std::string(kSettingsFileName);
  // Read once, before the statistics are written into it: they change nothing read here.
  const IniFile settings(host_.Files(), settings_path_);
  texts_.Load(LanguageOf(settings));
  const IniFile presets_file(host_.Files(), PresetsFile(host_.Files(), host_.Shell(), folder_));
  presets_ = ReadPresets(presets_file);
  presets_outcome_ = presets_file.outcome();
  if (!host_.Process().StartNetwork()) {
    desktop_.dialogs.ShowMessage(std::string(kFatalTitle), std::string(kFatalText),
                                 MessageIcon::kError);
    return false;
  }
  BuildWindow();
  ReadFiles(settings);
  StartMonitor();
  if (IsStartupParameter(first_parameter)) {
    presence_.HideAtStart();
    monitor_->Session().StartRegardless(Config());
  }
  return true;
}

void DesktopController::BuildWindow() {
  WindowControls& window = desktop_.window;
  window.Build(texts_);
  built_ = true;
  window.SetWindowTitle(window.GetWindowTitle() + std::string(kVersionSuffix));
  FillPresetList(window, presets_);
  if (StartupEntryPresent(host_.Files(), StartupEntryPath(host_.Shell())))
    window.SetControlState(kRunAtStartupBox, 1);
  presence_.AddIconAndMenu();
}

// The statistics, then the settings into the window; a file that is there but was not read is
// said once in the status line.
void DesktopController::ReadFiles(const IniFile& settings) {
  FileSystem& files = host_.Files();
  ShellServices& shell = host_.Shell();
  RemoveLeftoverTempFiles(files, settings_path_);
  PrepareSettingsFolder(shell, folder_);
  const bool statistics_saved = UpdateRunStatistics(files, host_.LocalClock(), settings_path_);
  const std::string documents = shell.SpecialFolderPath(SpecialFolder::kDocuments);
  stored_ = ReadProgramSettings(settings, DefaultOutputFile(documents, shell.PathSeparator()),
                                host_.Process().HostName());
  ShowLineSettings(desktop_.window, stored_.line);
  if (presets_outcome_ == IniLoad::kRefused) ShowStatus(kPresetsFileRefused, kCentred | kRaised);
  if (stored_.outcome == IniLoad::kRefused) ShowStatus(kSettingsFileRefused, kCentred | kRaised);
  unwritable_said_ = !statistics_saved && stored_.outcome != IniLoad::kRefused;
  if (unwritable_said_) ShowStatus(kSettingsFileUnwritable, kCentred | kRaised);
  if (!stored_.alerts.problem.empty()) ShowStatus(stored_.alerts.problem, kCentred | kRaised);
  if (!stored_.mqtt.problem.empty()) ShowStatus(stored_.mqtt.problem, kCentred | kRaised);
}

void DesktopController::StartMonitor() {
  monitor_ = std::make_unique<MonitorService>(host_, desktop_.timer, desktop_.loop, locale_,
                                              stored_.alerts.settings, settings_path_);
  if (const auto error = monitor_->StartEndpoint(stored_.exports, ""))
    ShowStatus("METRICS ENDPOINT: " + *error, kCentred | kRaised);
  monitor_->StartMqtt(stored_.mqtt.settings);
}

MonitorConfig DesktopController::Config() {
  return ConfigOf(LineSettingsOf(desktop_.window), presets_);
}

void DesktopController::Dispatch(const Event& event) {
  if (!built_) return;
  switch (event.kind) {
    case EventKind::kCloseRequested:
    case EventKind::kTerminationRequested:
      RequestQuit();
      break;
    case EventKind::kControl:
      OnControl(event.value);
      break;
    case EventKind::kListPick:
      OnListPick(event.value);
      break;
    case EventKind::kTrayMenuItem:
      OnMenuItem(event.value);
      break;
    case EventKind::kTrayIconRightPress:
      presence_.OpenMenu();
      break;
    case EventKind::kTrayIconDoubleClick:
      presence_.Restore(/*priority_first=*/true);
      break;
    case EventKind::kTimerTick:
      if (!quit_) monitor_->Session().Tick(Config());
      break;
    case EventKind::kTrayAreaBack:
      presence_.OnAreaBack();
      break;
    case EventKind::kTrayAreaLost:
      presence_.OnAreaLost();
      break;
    case EventKind::kSessionSaveRequest:
      SaveSettings();
      break;
    case EventKind::kPollFetched:
      FinishPoll();
      break;
    case EventKind::kWebhookFailed:
      ReportWebhookFailures();
      break;
    case EventKind::kMqttFailed:
      ReportMqttFailures();
      break;
    case EventKind::kWindowMinimised:
      break;
  }
  if (HidesAMinimisedWindow(event.kind)) presence_.HideIfMinimised();
}

void DesktopController::RequestQuit() {
  if (quit_) return;
  quit_ = true;
  monitor_->Session().Cancel();  // a poll that is reading ends without a row
  desktop_.loop.End();
}

void DesktopController::OnMenuItem(int item) {
  if (item == kRestoreItem) presence_.Restore(false);
  if (item == kShowHistoryItem) ShowHistoryReport();
  if (item == kSettingsItem) EditSettings();
  if (item == kQuitItem) RequestQuit();
}

void DesktopController::OnControl(int id) {
  presence_.KeepShown();
  switch (id) {
    case kStopButton:
      StopMonitoring();
      break;
    case kStartButton:
      StartMonitoring();
      break;
    case kBrowseButton:
      ChooseOutputFile();
      break;
    case kHomePageLink:
      OpenProgramHomePage(host_.Shell());
      break;
    case kRunAtStartupBox:
      OnRunAtStartupBox(desktop_.window, host_.Shell(), desktop_.dialogs, host_.Files());
      break;
    default:
      break;
  }
}

// Only a pick copies a preset: the list's focus, opening and closing leave the typed fields be.
void DesktopController::OnListPick(int id) {
  presence_.KeepShown();
  if (id == kPresetList) ApplyPreset(desktop_.window, presets_);
}

void DesktopController::StartMonitoring() {
  stop_pending_ = false;
  if (!monitor_->Session().Start(Config())) ShowStatus(kTimerError, kCentred | kRaised);
}

// A STOP during a poll stops the timer at once and shows its message once the poll has shown
// its own, as if the poll had run to its end first.
void DesktopController::StopMonitoring() {
  monitor_->Session().Stop();
  if (monitor_->Session().Busy())
    stop_pending_ = true;
  else
    ShowStatus(kMonitoringStopped, kCentred | kBorderless);
}

void DesktopController::ChooseOutputFile() {
  const FileDialogRequest request = OutputFileRequest(
      desktop_.window.GetControlText(kOutputFileField), host_.Shell().PathSeparator());
  if (const auto chosen = desktop_.dialogs.ChooseFile(request))
    desktop_.window.SetControlText(kOutputFileField, *chosen);
}

// The report of the last 30 days of the log the window names now, with its subscribed rate.
void DesktopController::ShowHistoryReport() {
  Dialogs& dialogs = desktop_.dialogs;
  HostReports report_host(host_, [&dialogs](const std::string& line) {
    dialogs.ShowMessage(std::string(kHistoryMessageTitle), line, MessageIcon::kWarning);
  });
  ReportPlaces places = StoredReportPlaces(host_.Files(), host_.Shell());
  places.settings_file = settings_path_;
  const MonitorConfig config = Config();
  places.current_log = config.output_file;
  places.current_subscribed_kbps = static_cast<int32_t>(config.subscribed_kbps);
  places.current_thresholds = stored_.alerts.settings.thresholds;
  if (monitor_) places.current_attainable_kbps = monitor_->LastSample().extras.attainable_kbps;
  ShowHistory(report_host, places);
}

// The file, as it is when OK is pressed (the other groups untouched), takes the window's fields in
// one replacement; what runs takes them at once, the language at the next start.
void DesktopController::EditSettings() {
  if (settings_open_ || quit_) return;  // the tray's menu stays reachable while it is open
  SettingsForm form(host_.MakePoster(), host_.LocalClock());
  form.Load(IniFile(host_.Files(), settings_path_));
  settings_open_ = true;
  const bool accepted = desktop_.dialogs.EditSettings(form);
  settings_open_ = false;
  if (!accepted || quit_) return;
  IniFile file(host_.Files(), settings_path_);  // as it is now: the session's end may have saved
  if (!form.Store(file)) return;
  if (!file.Save()) {
    desktop_.dialogs.ShowMessage(std::string(kWindowTitle), std::string(kSettingsFileUnwritable),
                                 MessageIcon::kWarning);
    return;
  }
  stored_.alerts = ReadAlerts(file);
  stored_.exports = ReadExport(file);
  monitor_->ApplyAlerts(stored_.alerts.settings);
  MqttLoaded mqtt = ReadMqtt(file, host_.Process().HostName());
  const bool mqtt_changed = mqtt.stored != stored_.mqtt.stored;
  stored_.mqtt = std::move(mqtt);
  if (mqtt_changed) monitor_->RestartMqtt(stored_.mqtt.settings);
  if (const auto note = monitor_->RestartEndpoint(stored_.exports, ""))
    ShowStatus("METRICS ENDPOINT: " + *note, kCentred | kRaised);
}

void DesktopController::FinishPoll() {
  if (quit_) return;
  const std::optional<PollResult> result = monitor_->Finish();
  if (!result) return;
  const int64_t today = monitor_->Session().Detector().ResyncsToday();
  ShowPollResult(desktop_.window, *result,
                 today > 0 ? " | Resyncs today: " + std::to_string(today) : std::string());
  event_log_failed_ = result->event_log_failed;
  if (event_log_failed_) ShowStatus(kEventLogError, kCentred | kRaised);
  if (stop_pending_) ShowStatus(kMonitoringStopped, kCentred | kBorderless);
  stop_pending_ = false;
  for (const Notice& notice : result->notices) desktop_.tray.ShowNotice(notice.title, notice.text);
  ReportWebhookFailures();  // those held back by the cooldown
}

void DesktopController::ReportWebhookFailures() {
  if (quit_) return;
  const std::optional<WebhookReport> report =
      monitor_->ReportWebhookFailures(desktop_.window.GetControlText(kOutputFileField));
  if (report && report->event_log_failed && !event_log_failed_)
    ShowStatus(kEventLogError, kCentred | kRaised);
  if (report) event_log_failed_ = event_log_failed_ || report->event_log_failed;
}

// Each said once in the status line, as the event log records it.
void DesktopController::ReportMqttFailures() {
  if (quit_) return;
  for (const WebhookReport& report :
       monitor_->ReportMqttFailures(desktop_.window.GetControlText(kOutputFileField))) {
    ShowStatus(Notifier::Message(report.event), kCentred | kRaised);
    event_log_failed_ = event_log_failed_ || report.event_log_failed;
  }
}

void DesktopController::ShowStatus(std::string_view text, int appearance) {
  desktop_.window.SetStatusText(kStatusLineField, std::string(text), appearance);
}

// One replacement of the file holds every group of the save.
void DesktopController::SaveSettings() {
  if (SaveProgramSettings(host_.Files(), settings_path_, LineSettingsOf(desktop_.window),
                          stored_) ||
      unwritable_said_ || stored_.outcome == IniLoad::kRefused)
    return;
  unwritable_said_ = true;
  desktop_.dialogs.ShowMessage(std::string(kWindowTitle), std::string(kSettingsFileUnwritable),
                               MessageIcon::kWarning);
}

// The settings are saved at every end, also after a session-end request already saved them:
// the logout may have been cancelled and the fields edited since. A reading that does not stop
// when asked (a client blocked in a call it cannot break) is not waited for: once the settings
// are saved and the icon is gone, the process ends and takes the reading with it.
int DesktopController::Shutdown() {
  const bool ended = monitor_->End();
  SaveSettings();
  presence_.RemoveIcon();
  if (!ended) host_.Process().EndProcessNow(ExitCode());
  return ExitCode();
}

int RunDesktopProgram(ProgramHost& host, Desktop& desktop, std::string_view first_parameter) {
  EventRelay& relay = desktop.relay;
  DesktopController controller(host, desktop);
  relay.Connect(&controller);
  const std::unique_ptr<Watch> termination = host.WatchTermination(desktop.loop);
  int exit_code = DesktopController::ExitCode();
  if (controller.Start(first_parameter)) {
    desktop.loop.Run();
    exit_code = controller.Shutdown();
  }
  relay.Connect(nullptr);
  return exit_code;
}

}  // namespace verdalin
