// The program's main line: start-up steps, event dispatch, interval timer, tray moves, shutdown.
#include "app/application.h"

#include "app/settings.h"
#include "app/startup_link.h"
#include "text/text_ops.h"
#include "ui/control_ids.h"
#include "ui/control_table.h"

namespace verdalin {

namespace {

// Splits off the next blank-separated parameter at `i`; a quoted one loses its quotes.
std::string NextParameter(std::string_view line, std::size_t& i) {
  while (i < line.size() && line[i] == ' ') ++i;
  const bool quoted = i < line.size() && line[i] == '"';
  if (quoted) ++i;
  const std::size_t end = line.find(quoted ? '"' : ' ', i);
  const std::size_t stop = end == std::string_view::npos ? line.size() : end;
  std::string parameter(line.substr(i, stop - i));
  i = quoted && stop < line.size() ? stop + 1 : stop;
  return parameter;
}

// The folder of a path with its trailing separator; "" when it has none.
std::string FolderOf(std::string_view path, char separator) {
  const std::size_t last = path.rfind(separator);
  return last == std::string_view::npos ? std::string() : std::string(path.substr(0, last + 1));
}

// Characters that no file name may hold on either platform.
bool IsValidFileName(std::string_view name) {
  for (char ch : name)
    if (static_cast<unsigned char>(ch) < 32 ||
        std::string_view("<>:\"/\\|?*").find(ch) != std::string_view::npos)
      return false;
  return true;
}

}  // namespace

std::string FirstParameter(std::string_view command_line) {
  std::size_t i = 0;
  NextParameter(command_line, i);  // the program's own path
  return NextParameter(command_line, i);
}

bool IsStartupParameter(std::string_view first_parameter) {
  return LowerCase(first_parameter) == kStartupArgument;
}

int64_t TimerPeriod(std::string_view delay_text) {
  return static_cast<int64_t>(ParseInteger(delay_text)) * 1000;
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

Application::Application(FrontEnd& front, CoreServices services)
    : front_(front), services_(services), presets_(1) {}

bool Application::Start(std::string_view first_parameter) {
  texts_.Load();
  presets_.assign(1, Preset{});
  locale_ = services_.numbers.TakeSnapshot();
  const char separator = front_.shell.PathSeparator();
  program_directory_ = FolderOf(front_.shell.ExecutablePath(), separator);
  presets_ = LoadPresets(services_.files, program_directory_ + std::string(kPresetsFileName));
  if (!front_.process.StartSocketLayer()) {
    front_.dialogs.ShowMessage(std::string(kFatalTitle), std::string(kFatalText),
                               MessageIcon::kError);
    return false;
  }
  BuildWindow();
  FillPresetList(front_.window, presets_);
  if (StartupEntryPresent(services_.files, StartupEntryPath(front_.shell)))
    front_.window.SetControlState(kRunAtStartupBox, 1);
  AddTray();
  settings_path_ = program_directory_ + std::string(kSettingsFileName);
  UpdateRunStatistics(services_.files, services_.clock, settings_path_);
  const std::string documents = front_.shell.SpecialFolderPath(SpecialFolder::kDocuments);
  LoadSettings(services_.files, front_.window, settings_path_,
               DefaultOutputFile(documents, separator));
  if (IsStartupParameter(first_parameter)) {
    HideToTray();
    front_.timer.StartTimer(kIntervalTimerId,
                            TimerPeriod(front_.window.GetControlText(kDelayField)));
    RunPoll();  // whether or not the timer was accepted
  }
  quit_ = false;
  return true;
}

void Application::BuildWindow() {
  front_.windows.BuildMainWindow(texts_);
  window_built_ = true;
  front_.window.SetWindowTitle(front_.window.GetWindowTitle() + std::string(kVersionSuffix));
  front_.windows.SetWhiteBackground();
  for (int id : kBlackOnWhiteOrder) front_.windows.ApplyBlackOnWhite(id);
}

void Application::AddTray() {
  tray_icon_present_ = front_.tray.AddTrayIcon(kTrayIconId, std::string(kTrayTooltip));
  front_.tray.ShowTrayIcon(kTrayIconId);
  menu_created_ = front_.tray.CreatePopupMenu(kTrayMenu);
  if (!menu_created_) return;
  front_.tray.AddMenuItem(kTrayMenu, kRestoreItem, std::string(kRestoreItemText));
  front_.tray.AddMenuSeparator(kTrayMenu);
  front_.tray.AddMenuItem(kTrayMenu, kQuitItem, std::string(kQuitItemText));
}

void Application::RequestQuit() {
  quit_ = true;
  front_.windows.EndEventLoop();
}

void Application::OnClose() {
  RequestQuit();
}

void Application::OnMenuItem(int item) {
  if (item == kRestoreItem) Restore();
  if (item == kQuitItem) RequestQuit();
}

void Application::OnControl(int id) {
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
      OnRunAtStartupBox(front_, services_.files);
      break;
    default:
      break;
  }
}

void Application::OnOtherEvent() {
  if (front_.window.IsMinimised()) HideToTray();
}

void Application::StartMonitoring() {
  const int64_t period = TimerPeriod(front_.window.GetControlText(kDelayField));
  if (!front_.timer.StartTimer(kIntervalTimerId, period)) {
    front_.window.SetStatusText(kStatusLineField, std::string(kTimerError), kCentred | kRaised);
    return;
  }
  RunPoll();
}

void Application::StopMonitoring() {
  front_.timer.StopTimer(kIntervalTimerId);
  front_.window.SetStatusText(kStatusLineField, std::string(kMonitoringStopped),
                              kCentred | kBorderless);
}

void Application::ChooseOutputFile() {
  const FileDialogRequest request = OutputFileRequest(
      front_.window.GetControlText(kOutputFileField), front_.shell.PathSeparator());
  if (const auto chosen = front_.dialogs.ChooseFile(request))
    front_.window.SetControlText(kOutputFileField, *chosen);
}

// Without a notification area to come back from, the window stays where the user can reach it.
void Application::HideToTray() {
  if (!tray_icon_present_ || !front_.tray.TrayAvailable()) return;
  front_.window.ShowWindow(true);
  front_.process.SetPriority(PriorityClass::kIdle);
  hidden_in_tray_ = true;
}

void Application::Restore() {
  front_.window.ShowWindow(false);
  front_.process.SetPriority(PriorityClass::kNormal);
  hidden_in_tray_ = false;
}

void Application::OnTrayMouse(TrayMouse action) {
  if (action == TrayMouse::kRightPress && menu_created_) front_.tray.DisplayPopupMenu(kTrayMenu);
  if (action == TrayMouse::kDoubleClick) {
    front_.process.SetPriority(PriorityClass::kNormal);
    front_.window.ShowWindow(false);
    hidden_in_tray_ = false;
  }
}

void Application::OnTimer() {
  RunPoll();
}

void Application::RunPoll() {
  if (poll_ != nullptr) poll_->Poll();
}

void Application::OnSessionEnd() {
  SaveSettingsOnce();
}

void Application::OnTrayRecreated() {
  tray_icon_present_ = front_.tray.AddTrayIcon(kTrayIconId, std::string(kTrayTooltip));
  front_.tray.ShowTrayIcon(kTrayIconId);
}

void Application::OnTrayLost() {
  tray_icon_present_ = false;
  if (hidden_in_tray_) Restore();
}

void Application::SaveSettingsOnce() {
  if (!window_built_ || settings_saved_) return;
  SaveSettings(services_.files, front_.window, settings_path_);
  settings_saved_ = true;
}

int Application::Shutdown() {
  SaveSettingsOnce();
  front_.tray.RemoveTrayIcon(kTrayIconId);
  return ExitCode();
}

}  // namespace verdalin
