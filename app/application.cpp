// The program's main line: start-up steps, event dispatch, interval timer, poll, tray, shutdown.
#include "app/application.h"

#include <algorithm>

#include "app/report_command.h"
#include "app/settings.h"
#include "app/settings_folder.h"
#include "app/startup_link.h"
#include "text/text_ops.h"
#include "ui/control_ids.h"
#include "ui/control_table.h"

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

std::vector<MenuEntry> TrayMenu() {
  std::vector<MenuEntry> entries;
  for (const TrayMenuEntry& entry : kTrayMenuEntries)
    entries.push_back({entry.item, std::string(entry.text)});
  return entries;
}

// A minimised window goes to the tray after any event but a close, a control and a menu choice.
bool HidesAMinimisedWindow(EventKind kind) {
  return kind != EventKind::kCloseRequested && kind != EventKind::kControl &&
         kind != EventKind::kTrayMenuItem;
}

}  // namespace

bool IsStartupParameter(std::string_view first_parameter) {
  return LowerCase(first_parameter) == kStartupArgument;
}

int64_t TimerPeriod(std::string_view delay_text) {
  const int64_t period = static_cast<int64_t>(ParseInteger(delay_text)) * 1000;
  return std::clamp(period, kShortestTimerPeriod, kLongestTimerPeriod);
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

int RunProgram(Platform& platform, std::string_view first_parameter) {
  Application app(platform);
  platform.events.Connect(&app);
  int exit_code = Application::ExitCode();
  if (app.Start(first_parameter)) {
    platform.front.windows.RunEventLoop();
    exit_code = app.Shutdown();
  }
  platform.events.Connect(nullptr);
  return exit_code;
}

Application::Application(Platform& platform)
    : front_(platform.front),
      platform_(platform),
      presets_(1),
      data_files_(platform.files),
      poller_(PollServices{platform.front.window, platform.clock, platform.files, data_files_,
                           platform.numbers, locale_, presets_}),
      worker_(platform.fetcher) {}

bool Application::Start(std::string_view first_parameter) {
  texts_.Load();
  locale_ = platform_.numbers.TakeSnapshot();
  const char separator = front_.shell.PathSeparator();
  program_directory_ = SettingsFolder(platform_.files, front_.shell);
  presets_ = LoadPresets(platform_.files, program_directory_ + std::string(kPresetsFileName));
  if (!front_.process.StartSocketLayer()) {
    front_.dialogs.ShowMessage(std::string(kFatalTitle), std::string(kFatalText),
                               MessageIcon::kError);
    return false;
  }
  BuildWindow();
  FillPresetList(front_.window, presets_);
  if (StartupEntryPresent(platform_.files, StartupEntryPath(front_.shell)))
    front_.window.SetControlState(kRunAtStartupBox, 1);
  AddTray();
  settings_path_ = program_directory_ + std::string(kSettingsFileName);
  PrepareSettingsFolder(front_.shell, program_directory_);
  UpdateRunStatistics(platform_.files, platform_.clock, settings_path_);
  const std::string documents = front_.shell.SpecialFolderPath(SpecialFolder::kDocuments);
  LoadSettings(platform_.files, front_.window, settings_path_,
               DefaultOutputFile(documents, separator));
  if (IsStartupParameter(first_parameter)) {
    startup_hide_pending_ = true;
    HideToTray();
    front_.timer.StartTimer(kIntervalTimerId,
                            TimerPeriod(front_.window.GetControlText(kDelayField)));
    RunPoll();  // whether or not the timer was accepted
  }
  return true;
}

void Application::BuildWindow() {
  front_.windows.BuildMainWindow(texts_);
  window_built_ = true;
  front_.window.SetWindowTitle(front_.window.GetWindowTitle() + std::string(kVersionSuffix));
  front_.windows.SetWhiteBackground();
  for (int id : kBlackOnWhiteOrder) front_.windows.ApplyBlackOnWhite(id);
}

void Application::AddTrayIcon() {
  tray_icon_present_ = front_.tray.AddTrayIcon(kTrayIconId, std::string(kTrayTooltip));
  front_.tray.ShowTrayIcon(kTrayIconId);
}

void Application::AddTray() {
  AddTrayIcon();
  menu_created_ = front_.tray.CreatePopupMenu(kTrayMenu, TrayMenu());
}

void Application::Dispatch(const Event& event) {
  switch (event.kind) {
    case EventKind::kCloseRequested:
    case EventKind::kTerminationRequested:
      RequestQuit();
      break;
    case EventKind::kControl:
      OnControl(event.value);
      break;
    case EventKind::kTrayMenuItem:
      OnMenuItem(event.value);
      break;
    case EventKind::kTrayIconRightPress:
      if (menu_created_) front_.tray.DisplayPopupMenu(kTrayMenu);
      break;
    case EventKind::kTrayIconDoubleClick:
      Restore(/*priority_first=*/true);
      break;
    case EventKind::kTimerTick:
      if (event.value == kIntervalTimerId) RunPoll();
      break;
    case EventKind::kTrayAreaBack:
      OnTrayAreaBack();
      break;
    case EventKind::kTrayAreaLost:
      OnTrayAreaLost();
      break;
    case EventKind::kSessionSaveRequest:
      SaveSettingsNow();
      break;
    case EventKind::kPollFetched:
      FinishPoll();
      break;
    case EventKind::kWindowMinimised:
      break;
  }
  if (HidesAMinimisedWindow(event.kind)) HideIfMinimised();
}

void Application::RequestQuit() {
  if (quit_) return;
  quit_ = true;
  worker_.Cancel();  // a poll that is fetching ends without a row
  front_.windows.EndEventLoop();
}

void Application::OnMenuItem(int item) {
  if (item == kRestoreItem) Restore(false);
  if (item == kShowHistoryItem) ShowHistoryReport();
  if (item == kQuitItem) RequestQuit();
}

namespace {

// "Show history" from the tray: the report opens in the browser, problems show in a box.
class DesktopReportHost : public ReportHost {
 public:
  DesktopReportHost(Platform& platform) : platform_(platform) {}
  FileSystem& Files() override { return platform_.files; }
  const Clock& LocalClock() override { return platform_.clock; }
  bool OpenInBrowser(const std::string& path) override {
    return platform_.front.shell.OpenAddress(path);
  }
  void ShowError(const std::string& line) override {
    platform_.front.dialogs.ShowMessage(std::string(kHistoryMessageTitle), line,
                                        MessageIcon::kWarning);
  }

 private:
  Platform& platform_;
};

}  // namespace

// The report of the last 30 days of the log the window names now, with its subscribed rate.
void Application::ShowHistoryReport() {
  DesktopReportHost host(platform_);
  ReportPlaces places = StoredReportPlaces(platform_.files, front_.shell);
  places.settings_file = settings_path_;
  places.current_log = front_.window.GetControlText(kOutputFileField);
  places.current_subscribed_kbps = ParseInteger(front_.window.GetControlText(kDownstreamMaxField));
  ShowHistory(host, places);
}

void Application::OnControl(int id) {
  startup_hide_pending_ = false;  // the user has the window in hand
  switch (id) {
    case kStopButton:
      StopMonitoring();
      break;
    case kStartButton:
      StartMonitoring();
      break;
    case kPresetList:
      ApplyPreset(front_.window, presets_);
      break;
    case kBrowseButton:
      ChooseOutputFile();
      break;
    case kHomePageLink:
      OpenProgramHomePage(front_.shell);
      break;
    case kRunAtStartupBox:
      OnRunAtStartupBox(front_, platform_.files);
      break;
    default:
      break;
  }
}

void Application::StartMonitoring() {
  stop_pending_ = false;
  const int64_t period = TimerPeriod(front_.window.GetControlText(kDelayField));
  if (!front_.timer.StartTimer(kIntervalTimerId, period)) {
    front_.window.SetStatusText(kStatusLineField, std::string(kTimerError), kCentred | kRaised);
    return;
  }
  RunPoll();
}

// A STOP during a poll stops the timer at once and shows its message once the poll has shown
// its own, as if the poll had run to its end first.
void Application::StopMonitoring() {
  front_.timer.StopTimer(kIntervalTimerId);
  if (poller_.PollBusy())
    stop_pending_ = true;
  else
    ShowStopped();
}

void Application::ShowStopped() {
  front_.window.SetStatusText(kStatusLineField, std::string(kMonitoringStopped),
                              kCentred | kBorderless);
}

void Application::ChooseOutputFile() {
  const FileDialogRequest request = OutputFileRequest(
      front_.window.GetControlText(kOutputFileField), front_.shell.PathSeparator());
  if (const auto chosen = front_.dialogs.ChooseFile(request))
    front_.window.SetControlText(kOutputFileField, *chosen);
}

// Without a notification area to come back from, the window stays where the user can reach it;
// a "-startup" hide then waits for the area to appear.
void Application::HideToTray() {
  if (!tray_icon_present_ || !front_.tray.TrayAvailable()) return;
  startup_hide_pending_ = false;
  front_.window.HideWindow();
  front_.process.SetPriority(PriorityClass::kIdle);
  hidden_in_tray_ = true;
}

void Application::HideIfMinimised() {
  if (window_built_ && !hidden_in_tray_ && front_.window.IsMinimised()) HideToTray();
}

// The menu item shows the window first, a double click on the icon raises the priority first.
void Application::Restore(bool priority_first) {
  startup_hide_pending_ = false;
  if (priority_first) front_.process.SetPriority(PriorityClass::kNormal);
  front_.window.RestoreWindow();
  if (!priority_first) front_.process.SetPriority(PriorityClass::kNormal);
  hidden_in_tray_ = false;
}

void Application::OnTrayAreaBack() {
  AddTrayIcon();
  if (startup_hide_pending_) HideToTray();
}

void Application::OnTrayAreaLost() {
  tray_icon_present_ = false;
  if (hidden_in_tray_) Restore(false);
}

void Application::RunPoll() {
  std::optional<FetchRequest> request = poller_.Begin();
  if (!request) return;  // a poll is fetching: this one is dropped
  WindowSystem& windows = front_.windows;
  worker_.Start(std::move(*request), [&windows] { windows.PostEvent({EventKind::kPollFetched}); });
}

void Application::FinishPoll() {
  if (!poller_.PollBusy() || quit_) return;
  poller_.Finish(worker_.TakePage());
  if (stop_pending_) ShowStopped();
  stop_pending_ = false;
}

void Application::SaveSettingsNow() {
  if (window_built_) SaveSettings(platform_.files, front_.window, settings_path_);
}

// The settings are saved at every end, also after a session-end request already saved them:
// the logout may have been cancelled and the fields edited since. A fetch that does not stop
// when asked (a client blocked in a call it cannot break) is not waited for: once the settings
// are saved and the icon is gone, the process ends and takes the fetch with it.
int Application::Shutdown() {
  worker_.Cancel();
  const bool fetch_ended = worker_.FinishOrLeave(kFetchEndWait);
  poller_.Abandon();
  SaveSettingsNow();
  front_.tray.RemoveTrayIcon(kTrayIconId);
  if (!fetch_ended) front_.process.EndProcessNow(ExitCode());
  return ExitCode();
}

}  // namespace verdalin
