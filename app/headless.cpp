// The program without a window: its loop, its start from the settings folder, what it says.
#include "app/headless.h"

#include <algorithm>
#include <memory>

#include "app/monitor_service.h"
#include "app/settings.h"
#include "app/settings_folder.h"
#include "base/ini_store.h"
#include "ui/control_table.h"
#include "ui/status_line.h"

namespace verdalin {

void HeadlessLoop::Post(const Event& event) {
  {
    std::lock_guard lock(mutex_);
    posted_.push_back(event);
  }
  posted_signal_.notify_one();
}

bool HeadlessLoop::Start(int64_t period_ms) {
  std::lock_guard lock(mutex_);
  period_ = std::chrono::milliseconds(period_ms);
  due_ = clock_.Now() + *period_;
  posted_signal_.notify_one();
  return true;
}

void HeadlessLoop::Stop() {
  std::lock_guard lock(mutex_);
  period_.reset();
}

Event HeadlessLoop::Next() {
  std::unique_lock lock(mutex_);
  for (;;) {
    if (!posted_.empty()) {
      const Event event = posted_.front();
      posted_.pop_front();
      return event;
    }
    const std::chrono::milliseconds now = clock_.Now();
    if (period_ && due_ <= now) {
      // A tick late by more than a period starts the count again rather than catching up.
      due_ += *period_;
      if (due_ <= now) due_ = now + *period_;
      return {EventKind::kTimerTick};
    }
    if (period_)
      posted_signal_.wait_for(lock, due_ - now);
    else
      posted_signal_.wait(lock);
  }
}

void HeadlessLoop::Run() {
  ended_ = false;
  while (!ended_) events_.Dispatch(Next());
}

namespace {

// An event as one line.
std::string EventLine(const LineEvent& event) {
  std::string line(LineEventName(event.kind));
  if (!event.detail.empty()) line += " " + event.detail;
  return line + ": " + Notifier::Message(event);
}

// A folder given on the command line, with its trailing separator.
std::string WithSeparator(const std::string& folder, char separator) {
  return folder.empty() || folder.back() == separator ? folder : folder + separator;
}

class HeadlessProgram : public EventSink {
 public:
  HeadlessProgram(ProgramHost& host, std::string folder, LineSink say)
      : host_(host), folder_(std::move(folder)), say_(std::move(say)) {}

  void Start(HeadlessLoop& loop);
  void Dispatch(const Event& event) override;
  int Shutdown();

 private:
  void ReadFiles();
  void FinishPoll();
  void ReportWebhookFailures();
  // Problems are said once, and again only after a poll without them.
  void SayProblems(const std::vector<std::string_view>& problems);

  ProgramHost& host_;
  std::string folder_;
  LineSink say_;
  HeadlessLoop* loop_ = nullptr;
  std::string settings_path_;
  PresetTable presets_;
  ProgramSettings stored_;
  std::unique_ptr<MonitorService> monitor_;
  std::vector<std::string_view> said_;
};

void HeadlessProgram::Start(HeadlessLoop& loop) {
  loop_ = &loop;
  ReadFiles();
  monitor_ = std::make_unique<MonitorService>(host_, loop, loop, host_.Numbers().TakeSnapshot(),
                                              stored_.alerts.settings);
  if (const auto error = monitor_->StartEndpoint(stored_.exports.settings, kDefaultHeadlessListen))
    say_("metrics endpoint: " + *error);
  monitor_->Session().StartRegardless(ConfigOf(stored_.line, presets_));
}

void HeadlessProgram::ReadFiles() {
  FileSystem& files = host_.Files();
  ShellServices& shell = host_.Shell();
  const IniFile presets_file(files, folder_ + std::string(kPresetsFileName));
  presets_ = ReadPresets(presets_file);
  settings_path_ = folder_ + std::string(kSettingsFileName);
  RemoveLeftoverTempFiles(files, settings_path_);
  PrepareSettingsFolder(shell, folder_);
  UpdateRunStatistics(files, host_.LocalClock(), settings_path_);
  const std::string documents = shell.SpecialFolderPath(SpecialFolder::kDocuments);
  stored_ = ReadProgramSettings(IniFile(files, settings_path_),
                                DefaultOutputFile(documents, shell.PathSeparator()));
  // As the preset list would: a position outside the presets is no selection.
  if (&PresetAtPosition(presets_, stored_.line.preset) == &presets_.front())
    stored_.line.preset = -1;
  if (presets_file.outcome() == IniLoad::kRefused) say_(std::string(kPresetsFileRefused));
  if (stored_.outcome == IniLoad::kRefused) say_(std::string(kSettingsFileRefused));
}

void HeadlessProgram::Dispatch(const Event& event) {
  switch (event.kind) {
    case EventKind::kTerminationRequested:
      monitor_->Session().Cancel();
      loop_->End();
      break;
    case EventKind::kTimerTick:
      monitor_->Session().Tick(ConfigOf(stored_.line, presets_));
      break;
    case EventKind::kPollFetched:
      FinishPoll();
      break;
    case EventKind::kWebhookFailed:
      ReportWebhookFailures();
      break;
    default:
      break;
  }
}

void HeadlessProgram::FinishPoll() {
  const std::optional<PollResult> result = monitor_->Finish();
  if (!result) return;
  std::vector<std::string_view> problems;
  if (result->outcome == PollOutcome::kUnreachable) problems.push_back(kConnectionError);
  if (result->outcome != PollOutcome::kUnreachable && !result->row_written)
    problems.push_back(kOutputFileError);
  SayProblems(problems);
  for (const LineEvent& event : result->events) say_(EventLine(event));
  if (result->event_log_failed) {
    problems.push_back(kEventLogError);
    SayProblems(problems);
  }
  said_ = problems;
  ReportWebhookFailures();
}

void HeadlessProgram::SayProblems(const std::vector<std::string_view>& problems) {
  for (std::string_view problem : problems)
    if (std::find(said_.begin(), said_.end(), problem) == said_.end()) {
      say_(std::string(problem));
      said_.push_back(problem);
    }
}

void HeadlessProgram::ReportWebhookFailures() {
  const std::optional<WebhookReport> report =
      monitor_->ReportWebhookFailures(stored_.line.output_file);
  if (!report) return;
  say_(EventLine(report->event));
  if (report->event_log_failed) SayProblems({kEventLogError});
}

int HeadlessProgram::Shutdown() {
  const bool ended = monitor_->End();
  SaveProgramSettings(host_.Files(), settings_path_, stored_.line, stored_);
  if (!ended) host_.Process().EndProcessNow(0);
  return 0;
}

}  // namespace

int RunHeadless(ProgramHost& host, const std::vector<std::string>& arguments) {
  const bool config = arguments.size() == 3 && arguments[1] == "--config";
  if (arguments.size() != 1 && !config) {
    host.WriteError("verdalin: usage: --headless [--config DIR]");
    return 2;
  }
  EventRelay relay;
  HeadlessLoop loop(relay, host.Monotonic());
  const std::unique_ptr<Watch> termination = host.WatchTermination(loop);
  if (!termination) {
    host.WriteError("verdalin: --headless runs on Linux only");
    return 2;
  }
  const char separator = host.Shell().PathSeparator();
  const std::string folder =
      config ? WithSeparator(arguments[2], separator) : SettingsFolder(host.Files(), host.Shell());
  HeadlessProgram program(
      host, folder, [&host](const std::string& line) { host.WriteError("verdalin: " + line); });
  relay.Connect(&program);
  program.Start(loop);
  loop.Run();
  const int exit_code = program.Shutdown();
  relay.Connect(nullptr);
  return exit_code;
}

}  // namespace verdalin
