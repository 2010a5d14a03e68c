// The program without a window: its loop, its start from the settings folder, what it says.
#include "app/headless.h"

#include <memory>

#include "app/monitor_service.h"
#include "app/settings.h"
#include "app/settings_folder.h"
#include "base/ini_store.h"
#include "base/text_ops.h"
#include "monitor/http.h"
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

constexpr const char* kEventLogBack = "the event log is written again";

// How to set what the settings lack: the file, its keys, and the presets to choose from.
std::vector<std::string> GatewaySetupLines(const std::vector<std::string>& missing,
                                           const std::string& settings_path,
                                           const std::string& presets_path,
                                           const PresetTable& presets) {
  std::string what;
  for (const std::string& item : missing) what += (what.empty() ? "" : ", ") + item;
  std::vector<std::string> lines = {
      "no gateway to monitor: " + what + "; nothing is polled",
      "set them in group [Settings] of " + settings_path + ":",
      "  url=     the address of the gateway's status page, such as " + std::string(kDefaultUrl),
      "  preset=  the gateway's kind: the number of its preset in " + presets_path + ":"};
  for (std::size_t i = 1; i < presets.size(); ++i)
    lines.push_back("    preset=" + IntegerToText(static_cast<int32_t>(i - 1)) + "  " +
                    presets[i].label + " (" + presets[i].type + ")");
  if (presets.size() == 1) lines.emplace_back("    (that file holds no presets)");
  lines.emplace_back("  login= and crypted_password= (what `verdalin --scramble-password` prints)");
  return lines;
}

// The line said at the start: the gateway's kind, host and port (never its credentials), the
// data log and the endpoint's address.
std::string StartLine(const MonitorConfig& config, const std::string& listening) {
  const std::optional<HttpAddress> address = ParseHttpAddress(config.address);
  const std::string gateway =
      address ? address->host + ":" + std::to_string(address->port) : "an address that is not HTTP";
  const std::string endpoint =
      listening.empty() ? "no metrics endpoint" : "metrics on http://" + listening + "/";
  return "monitoring the " + config.model + " gateway at " + gateway + ", data log " +
         config.output_file + ", " + endpoint;
}

class HeadlessProgram : public EventSink {
 public:
  HeadlessProgram(ProgramHost& host, std::string folder, LineSink say, LineSink tell)
      : host_(host), folder_(std::move(folder)), say_(std::move(say)), tell_(std::move(tell)) {}

  // False, with what is missing said, when the settings name no gateway: nothing is started.
  bool Start(HeadlessLoop& loop);
  void Dispatch(const Event& event) override;
  int Shutdown();

 private:
  bool GatewayConfigured();
  void ReadFiles();
  void FinishPoll();
  void ReportWebhookFailures();
  void ReportMqttFailures();
  void Tell(const WebhookReport& report);
  void TellEventLog(bool failed);

  ProgramHost& host_;
  std::string folder_;
  LineSink say_;
  LineSink tell_;  // standard output
  HeadlessLoop* loop_ = nullptr;
  std::string settings_path_;
  PresetTable presets_;
  ProgramSettings stored_;
  std::unique_ptr<MonitorService> monitor_;
  bool unreachable_said_ = false;
  bool unwritable_said_ = false;
  bool event_log_failed_ = false;
};

bool HeadlessProgram::Start(HeadlessLoop& loop) {
  loop_ = &loop;
  if (!GatewayConfigured()) return false;
  ReadFiles();
  monitor_ = std::make_unique<MonitorService>(host_, loop, loop, host_.Numbers().TakeSnapshot(),
                                              stored_.alerts.settings, settings_path_);
  if (const auto error = monitor_->StartEndpoint(stored_.exports, kDefaultHeadlessListen))
    say_("metrics endpoint: " + *error);
  monitor_->StartMqtt(stored_.mqtt.settings);
  const MonitorConfig config = ConfigOf(stored_.line, presets_);
  tell_(StartLine(config, monitor_->Listening()));
  monitor_->Session().StartRegardless(config);
  return true;
}

// Reads the presets and the settings, writing nothing yet.
bool HeadlessProgram::GatewayConfigured() {
  FileSystem& files = host_.Files();
  const std::string presets_path = PresetsFile(files, host_.Shell(), folder_);
  const IniFile presets_file(files, presets_path);
  presets_ = ReadPresets(presets_file);
  if (presets_file.outcome() == IniLoad::kRefused) say_(std::string(kPresetsFileRefused));
  settings_path_ = folder_ + std::string(kSettingsFileName);
  const std::vector<std::string> missing =
      MissingGatewaySettings(IniFile(files, settings_path_), presets_);
  if (missing.empty()) return true;
  for (const std::string& line : GatewaySetupLines(missing, settings_path_, presets_path, presets_))
    say_(line);
  return false;
}

void HeadlessProgram::ReadFiles() {
  FileSystem& files = host_.Files();
  ShellServices& shell = host_.Shell();
  RemoveLeftoverTempFiles(files, settings_path_);
  PrepareSettingsFolder(shell, folder_);
  const bool statistics_saved = UpdateRunStatistics(files, host_.LocalClock(), settings_path_);
  // The logs of a program without a window default to its own folder, never the desktop's log.
  stored_ = ReadProgramSettings(IniFile(files, settings_path_),
                                folder_ + std::string(kDataFileName), host_.Process().HostName());
  // As the preset list would: a position outside the presets is no selection.
  if (&PresetAtPosition(presets_, stored_.line.preset) == &presets_.front())
    stored_.line.preset = -1;
  if (stored_.outcome == IniLoad::kRefused) say_(std::string(kSettingsFileRefused));
  unwritable_said_ = !statistics_saved && stored_.outcome != IniLoad::kRefused;
  if (unwritable_said_) say_(std::string(kSettingsFileUnwritable));
  if (!stored_.alerts.problem.empty()) say_(stored_.alerts.problem);
  if (!stored_.mqtt.problem.empty()) say_(stored_.mqtt.problem);
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
    case EventKind::kMqttFailed:
      ReportMqttFailures();
      break;
    default:
      break;
  }
}

// Each event is one line (the data log's failure and recovery among them); the unreachable
// gateway and the event log's failure are said once, and again after a change.
void HeadlessProgram::FinishPoll() {
  const std::optional<PollResult> result = monitor_->Finish();
  if (!result) return;
  const bool unreachable = result->outcome == PollOutcome::kUnreachable;
  if (unreachable && !unreachable_said_)
    say_(result->problem.empty() ? std::string(kConnectionError) : result->problem);
  unreachable_said_ = unreachable;
  for (const LineEvent& event : result->events) say_(EventLine(event));
  TellEventLog(result->event_log_failed);
  ReportWebhookFailures();
}

void HeadlessProgram::TellEventLog(bool failed) {
  if (failed != event_log_failed_) say_(failed ? std::string(kEventLogError) : kEventLogBack);
  event_log_failed_ = failed;
}

void HeadlessProgram::ReportWebhookFailures() {
  const std::optional<WebhookReport> report =
      monitor_->ReportWebhookFailures(stored_.line.output_file);
  if (report) Tell(*report);
}

void HeadlessProgram::ReportMqttFailures() {
  for (const WebhookReport& report : monitor_->ReportMqttFailures(stored_.line.output_file))
    Tell(report);
}

void HeadlessProgram::Tell(const WebhookReport& report) {
  say_(EventLine(report.event));
  TellEventLog(report.event_log_failed);
}

int HeadlessProgram::Shutdown() {
  const bool ended = monitor_->End();
  const bool saved = SaveProgramSettings(host_.Files(), settings_path_, stored_.line, stored_);
  if (!saved && !unwritable_said_ && stored_.outcome != IniLoad::kRefused)
    say_(std::string(kSettingsFileUnwritable));
  if (!ended) host_.Process().EndProcessNow(0);
  return 0;
}

}  // namespace

int RunHeadless(ProgramHost& host, const std::vector<std::string>& arguments) {
  if (arguments.size() != 1 && !IsConfigOption(arguments)) {
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
  std::string folder;
  if (const auto problem = CommandFolder(host.Files(), host.Shell(), arguments, folder)) {
    host.WriteError("verdalin: " + *problem);
    return 2;
  }
  HeadlessProgram program(
      host, folder, [&host](const std::string& line) { host.WriteError("verdalin: " + line); },
      [&host](const std::string& line) { host.WriteOutput("verdalin: " + line + "\n"); });
  if (!program.Start(loop)) return 2;
  relay.Connect(&program);
  loop.Run();
  const int exit_code = program.Shutdown();
  relay.Connect(nullptr);
  return exit_code;
}

}  // namespace verdalin
