// The program's main line: start-up steps, event dispatch, interval timer, poll, tray, shutdown.
#include "app/application.h"

#include <algorithm>
#include <utility>

#include "app/report_command.h"
#include "app/settings.h"
#include "app/settings_folder.h"
#include "app/startup_link.h"
#include "base/date_format.h"
#include "base/scramble.h"
#include "base/text_ops.h"
#include "monitor/event_log.h"
#include "ui/control_ids.h"
#include "ui/control_table.h"
#include "ui/status_line.h"
#include "verdalin_version.h"

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

int64_t UnixTime() {
  return std::chrono::duration_cast<std::chrono::seconds>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
}

// An event as one line for the log of a program without a window.
std::string EventLine(const LineEvent& event) {
  std::string line(LineEventName(event.kind));
  if (!event.detail.empty()) line += " " + event.detail;
  return line + ": " + Notifier::Message(event);
}

// A folder given on the command line, with its trailing separator.
std::string WithSeparator(const std::string& folder, char separator) {
  return folder.empty() || folder.back() == separator ? folder : folder + separator;
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
  program_directory_ = platform_.settings_folder.empty()
                           ? SettingsFolder(platform_.files, front_.shell)
                           : WithSeparator(platform_.settings_folder, separator);
  const IniFile presets_file(platform_.files, program_directory_ + std::string(kPresetsFileName));
  presets_ = ReadPresets(presets_file);
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
  RemoveLeftoverTempFiles(platform_.files, settings_path_);
  PrepareSettingsFolder(front_.shell, program_directory_);
  UpdateRunStatistics(platform_.files, platform_.clock, settings_path_);
  const std::string documents = front_.shell.SpecialFolderPath(SpecialFolder::kDocuments);
  const IniFile settings(platform_.files, settings_path_);
  ReadSettings(settings, front_.window, DefaultOutputFile(documents, separator));
  if (presets_file.outcome() == IniLoad::kRefused) ShowStartupProblem(kPresetsFileRefused);
  if (settings.outcome() == IniLoad::kRefused) ShowStartupProblem(kSettingsFileRefused);
  alerts_ = ReadAlerts(settings);
  detector_ = LineEventDetector(alerts_.settings.thresholds);
  notifier_ = Notifier(alerts_.settings);
  StartWebhook();
  StartEndpoint(settings);
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
    case EventKind::kWebhookFailed:
      ReportWebhookFailures();
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
  places.current_thresholds = alerts_.settings.thresholds;
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
  poll_started_ = std::chrono::steady_clock::now();
  WindowSystem& windows = front_.windows;
  worker_.Start(std::move(*request), [&windows] { windows.PostEvent({EventKind::kPollFetched}); });
}

void Application::FinishPoll() {
  if (!poller_.PollBusy() || quit_) return;
  const PollResult result = poller_.Record(worker_.TakePage());
  FollowTheLine(result);
  Publish(result);
  poller_.Show(result, ResyncNote());
  if (event_log_failed_)
    front_.window.SetStatusText(kStatusLineField, std::string(kEventLogError), kCentred | kRaised);
  if (stop_pending_) ShowStopped();
  stop_pending_ = false;
  ReportWebhookFailures();  // those held back by the cooldown
}

// What changed on the line: each event goes to the event log beside the data log and to the
// webhook, the notices to the tray. A log that cannot be written is tried again at the next event.
void Application::FollowTheLine(const PollResult& result) {
  const std::vector<LineEvent> events = detector_.Feed(result.time, result.outcome, result.sample);
  if (result.outcome == PollOutcome::kSample) last_device_ = result.sample.Device;
  const std::string path = EventLogPath(front_.window.GetControlText(kOutputFileField));
  event_log_failed_ = false;
  for (const LineEvent& event : events) {
    RecordEvent(event, path);
    SendToWebhook(event);
  }
  for (const Notice& notice : notifier_.Poll(result.time, result.outcome, events))
    front_.tray.ShowNotice(kTrayIconId, notice.title, notice.text);
}

void Application::RecordEvent(const LineEvent& event, const std::string& event_log) {
  event_log_failed_ =
      !AppendEventRow(data_files_, platform_.files, event_log, event) || event_log_failed_;
  snapshot_.Count(event, UnixTime());
  if (platform_.say) platform_.say(EventLine(event));
}

void Application::StartWebhook() {
  if (alerts_.settings.webhook.empty() || !platform_.make_poster) return;
  std::shared_ptr<HttpPoster> poster = platform_.make_poster();
  if (!poster) return;
  WindowSystem& windows = front_.windows;
  webhook_ = std::make_unique<WebhookSender>(
      std::move(poster), [&windows] { windows.PostEvent({EventKind::kWebhookFailed}); });
}

void Application::SendToWebhook(const LineEvent& event) {
  if (!webhook_) return;
  webhook_->Send(alerts_.settings.webhook,
                 WebhookMessage{TimestampText(event.time), std::string(LineEventName(event.kind)),
                                event.detail, last_device_, Notifier::Message(event)});
}

// Failed sends become one WEBHOOK_FAILED row at most once per cooldown; those that fail in the
// meantime are counted and told with the next row. They are never sent again.
void Application::ReportWebhookFailures() {
  if (!webhook_ || quit_) return;
  const auto now = std::chrono::steady_clock::now();
  const auto cooldown = std::chrono::minutes(alerts_.settings.cooldown_minutes);
  if (webhook_reported_ && now - *webhook_reported_ < cooldown) return;
  const std::vector<WebhookFailure> failures = webhook_->TakeFailures();
  if (failures.empty()) return;
  webhook_reported_ = now;
  const LineEvent event{LineEventKind::kWebhookFailed, CurrentDate(platform_.clock),
                        WebhookFailureDetail(failures)};
  const bool failed_before = event_log_failed_;
  RecordEvent(event, EventLogPath(front_.window.GetControlText(kOutputFileField)));
  if (event_log_failed_ && !failed_before)
    front_.window.SetStatusText(kStatusLineField, std::string(kEventLogError), kCentred | kRaised);
}

// What the metrics endpoint serves from now on.
void Application::Publish(const PollResult& result) {
  LineSnapshot& s = snapshot_;
  s.polled = true;
  s.last_outcome = result.outcome;
  s.last_poll_unix_time = UnixTime();
  s.last_poll_seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - poll_started_).count();
  ++s.polls[result.outcome == PollOutcome::kSample        ? 0
            : result.outcome == PollOutcome::kUnreachable ? 1
                                                          : 2];
  s.subscribed_kbps = ParseFloat(front_.window.GetControlText(kDownstreamMaxField));
  if (result.outcome == PollOutcome::kSample) {
    s.have_sample = true;
    s.sample = result.sample;
    s.quality_percent = result.sample.Connected != 0
                            ? QualityIndex(result.sample.Downstream_kbps, result.sample.SNR_local,
                                           static_cast<float>(s.subscribed_kbps))
                            : 0;
  }
  s.resyncs_total = detector_.ResyncsTotal();
  s.resyncs_today = detector_.ResyncsToday();
  s.data_log = front_.window.GetControlText(kOutputFileField);
  s.thresholds = alerts_.settings.thresholds;
  board_.Publish(s);
}

// [Export] listen= starts the metrics endpoint (by default at 127.0.0.1:9469 without a window);
// settings it cannot start with, a place it cannot listen on, and an endpoint open beyond this
// computer without a password are said once. The group is stored back as it was read.
void Application::StartEndpoint(const IniFile& settings) {
  export_ = ReadExport(settings);
  ExportSettings endpoint = export_.settings;
  if (endpoint.listen.empty() && platform_.headless) endpoint.listen = kDefaultHeadlessListen;
  if (endpoint.listen.empty()) return;
  const EndpointPlan plan = PlanEndpoint(export_, endpoint.listen);
  std::optional<std::string> note = plan.note;
  if (plan.address) {
    site_ = std::make_unique<ExportSite>(board_, platform_.files, platform_.clock, endpoint,
                                         VERDALIN_VERSION);
    server_ = MakeHttpServer(*site_);
    if (const std::optional<std::string> error = server_->Start(*plan.address)) {
      server_.reset();
      note = error;
    }
  }
  if (!note) return;
  if (platform_.say)
    platform_.say("metrics endpoint: " + *note);
  else
    ShowStartupProblem("METRICS ENDPOINT: " + *note);
}

std::string Application::ResyncNote() const {
  const int64_t today = detector_.ResyncsToday();
  return today > 0 ? " | Resyncs today: " + std::to_string(today) : std::string();
}

// One replacement of the file holds every group of the save.
void Application::SaveSettingsNow() {
  if (!window_built_) return;
  IniFile file(platform_.files, settings_path_);
  StoreSettings(file, front_.window);
  StoreAlerts(file, alerts_);
  StoreExport(file, export_);
  file.Save();
}

// An INI file that is there but was not read (not a regular file, too large) is said once.
void Application::ShowStartupProblem(std::string_view text) {
  if (platform_.say) {
    platform_.say(std::string(text));
    return;
  }
  front_.window.SetStatusText(kStatusLineField, std::string(text), kCentred | kRaised);
}

// The settings are saved at every end, also after a session-end request already saved them:
// the logout may have been cancelled and the fields edited since. A fetch that does not stop
// when asked (a client blocked in a call it cannot break) is not waited for: once the settings
// are saved and the icon is gone, the process ends and takes the fetch with it.
int Application::Shutdown() {
  server_.reset();  // no request is answered from what is being taken down
  worker_.Cancel();
  const bool fetch_ended = worker_.FinishOrLeave(kFetchEndWait);
  poller_.Abandon();
  const bool sender_ended = !webhook_ || webhook_->Stop();
  SaveSettingsNow();
  front_.tray.RemoveTrayIcon(kTrayIconId);
  if (!fetch_ended || !sender_ended) front_.process.EndProcessNow(ExitCode());
  return ExitCode();
}

}  // namespace verdalin
