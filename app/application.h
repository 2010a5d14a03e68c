// The program's main line: start-up, the event dispatch, the interval timer, the poll, shutdown.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "app/events.h"
#include "app/front_end.h"
#include "app/poll.h"
#include "base/clock.h"
#include "base/file_layer.h"
#include "base/file_system.h"
#include "base/locale_number.h"
#include "export/export_server.h"
#include "export/line_metrics.h"
#include "export/webhook.h"
#include "monitor/alerts.h"
#include "monitor/fetch_worker.h"
#include "monitor/line_events.h"
#include "monitor/page_fetcher.h"
#include "monitor/preset.h"
#include "ui/interface_texts.h"

namespace verdalin {

// Everything the core needs of a platform: the front end and the services beside it. The front
// end reports to `events` from the moment it is built; RunProgram connects the relay.
struct Platform {
  Platform(FrontEnd front_end, FileSystem& file_system, const Clock& local_clock,
           NumberFormatService& number_format, PageFetcher& page_fetcher, EventRelay& relay)
      : front(front_end),
        files(file_system),
        clock(local_clock),
        numbers(number_format),
        fetcher(page_fetcher),
        events(relay) {}

  FrontEnd front;
  FileSystem& files;
  const Clock& clock;
  NumberFormatService& numbers;
  PageFetcher& fetcher;
  EventRelay& events;
  // Without a window: each line event is said through `say`, and the metrics endpoint listens
  // on 127.0.0.1:9469 unless the settings name another place.
  bool headless = false;
  std::function<void(const std::string&)> say;
  // The folder of the INI files when given (--config); otherwise beside the executable.
  std::string settings_folder;
  // Makes the client that sends the webhook's messages, asked for only when a webhook is set.
  std::function<std::shared_ptr<HttpPoster>()> make_poster;
};

// The whole program on a platform: start-up, the event loop, shutdown. Returns the exit code.
int RunProgram(Platform& platform, std::string_view first_parameter);

inline constexpr int kIntervalTimerId = 1;
// How long the end of the program waits for a cancelled fetch.
inline constexpr std::chrono::milliseconds kFetchEndWait{1000};

// Whether a first parameter asks for a start in the tray with monitoring on.
bool IsStartupParameter(std::string_view first_parameter);
// The timer period for a delay field text: whole seconds times 1000, but never under a second
// (a delay of 0, a negative one or text that reads as 0 would poll without a pause) and never
// beyond the longest period the platform timers take.
int64_t TimerPeriod(std::string_view delay_text);
// The browse dialog's request for an output file field text.
FileDialogRequest OutputFileRequest(std::string_view field_text, char separator);

class Application : public EventSink {
 public:
  explicit Application(Platform& platform);
  Application(const Application&) = delete;
  Application& operator=(const Application&) = delete;

  // Start-up after the front end's own steps (link font, pictures): the interface texts, presets,
  // locale snapshot, socket check, window, tray, statistics, settings and the "-startup" rule.
  // False after the fatal socket error: the message was shown, nothing was written, and the
  // program ends at once with ExitCode(), without a loop and without Shutdown().
  bool Start(std::string_view first_parameter);

  // One event of the loop.
  void Dispatch(const Event& event) override;

  bool QuitRequested() const { return quit_; }
  // After the loop: a poll still fetching is cancelled, the settings are saved and the tray
  // icon removed. Returns the exit code.
  int Shutdown();
  static constexpr int ExitCode() { return 0; }

  const PresetTable& Presets() const { return presets_; }
  const LocaleSnapshot& Locale() const { return locale_; }
  bool PollBusy() const { return poller_.PollBusy(); }

 private:
  void OnControl(int id);
  void OnMenuItem(int item);
  void BuildWindow();
  void AddTray();
  void AddTrayIcon();
  void StartMonitoring();
  void StopMonitoring();
  void ShowStopped();
  void ChooseOutputFile();
  void ShowHistoryReport();
  void HideToTray();
  void HideIfMinimised();
  void Restore(bool priority_first);
  void OnTrayAreaBack();
  void OnTrayAreaLost();
  void SaveSettingsNow();
  void ShowStartupProblem(std::string_view text);
  void RunPoll();
  void FinishPoll();
  void FollowTheLine(const PollResult& result);
  void Publish(const PollResult& result);
  void RecordEvent(const LineEvent& event, const std::string& event_log);
  void StartWebhook();
  void SendToWebhook(const LineEvent& event);
  void ReportWebhookFailures();
  void StartEndpoint(const IniFile& settings);
  std::string ResyncNote() const;
  void RequestQuit();

  FrontEnd& front_;
  Platform& platform_;
  InterfaceTexts texts_;
  PresetTable presets_;
  LocaleSnapshot locale_;
  DataFiles data_files_;
  Poller poller_;
  FetchWorker worker_;
  AlertsLoaded alerts_;
  LineEventDetector detector_;
  Notifier notifier_{AlertSettings{}};
  bool event_log_failed_ = false;
  std::unique_ptr<WebhookSender> webhook_;
  std::optional<std::chrono::steady_clock::time_point> webhook_reported_;
  std::string last_device_;  // the device of the last sample, for the webhook's messages
  std::chrono::steady_clock::time_point poll_started_;
  LineSnapshot snapshot_;
  MetricsBoard board_;
  ExportLoaded export_;  // [Export] as it was read
  std::unique_ptr<ExportSite> site_;
  std::unique_ptr<HttpServer> server_;
  std::string program_directory_;
  std::string settings_path_;
  bool quit_ = false;
  bool window_built_ = false;
  bool menu_created_ = false;
  bool tray_icon_present_ = false;
  bool hidden_in_tray_ = false;
  bool startup_hide_pending_ = false;  // "-startup" before any notification area existed
  bool stop_pending_ = false;          // STOP pressed while a poll was fetching
};

}  // namespace verdalin
