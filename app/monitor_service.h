// The monitor as both programs run it, without any window: the session with the sources of the
// host, and what each poll feeds beyond the logs (the webhook, the metrics endpoint's snapshot).
#pragma once

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "app/events.h"
#include "app/host.h"
#include "app/ssh_host_keys.h"
#include "export/export_server.h"
#include "export/http_server.h"
#include "export/line_metrics.h"
#include "export/mqtt_messages.h"
#include "export/mqtt_publisher.h"
#include "export/webhook.h"
#include "monitor/alerts.h"
#include "monitor/line_sources.h"
#include "monitor/monitor_session.h"

namespace verdalin {

// How long the end of the program waits for a cancelled reading.
inline constexpr std::chrono::milliseconds kFetchEndWait{1000};

// A WEBHOOK_FAILED or MQTT_FAILED event recorded after failed sends.
struct WebhookReport {
  LineEvent event;
  bool event_log_failed = false;
};

// Registers the sources of the kinds beyond the HTML status page: those over the host's HTTP
// transports and the command-line kinds, whose SSH host keys `host_keys` keeps.
void AddHostSources(LineSources& sources, ProgramHost& host, HostKeyStore& host_keys);

class MonitorService {
 public:
  // The poll's timer and the loop its reading's end and the webhook's failures are posted to;
  // the settings file keeps the SSH host keys.
  MonitorService(ProgramHost& host, Timer& timer, EventLoop& loop, const LocaleSnapshot& locale,
                 const AlertSettings& alerts, const std::string& settings_file);
  ~MonitorService();
  MonitorService(const MonitorService&) = delete;
  MonitorService& operator=(const MonitorService&) = delete;

  MonitorSession& Session() { return session_; }

  // The endpoint at [Export] listen= (or `default_listen` when that is empty; nothing when both
  // are); the line to say when it does not listen or listens unguarded.
  std::optional<std::string> StartEndpoint(const ExportLoaded& loaded,
                                           std::string_view default_listen);
  // New alert settings (thresholds, notices, cooldown, webhook) for what comes from now on.
  void ApplyAlerts(const AlertSettings& alerts);
  // The endpoint taken down and started again with new settings; as StartEndpoint.
  std::optional<std::string> RestartEndpoint(const ExportLoaded& loaded,
                                             std::string_view default_listen);
  // The address the endpoint listens on ("host:port"); empty when it does not.
  const std::string& Listening() const { return listening_; }

  // The MQTT publisher for [MQTT] (nothing when its broker is empty); its failures are posted to
  // the loop as kMqttFailed.
  void StartMqtt(const MqttSettings& settings);
  // The publisher stopped ("offline" published) and started again with new settings.
  void RestartMqtt(const MqttSettings& settings);

  // The end of the poll's reading: the session's result, sent on to the webhook and the MQTT
  // broker and published to the endpoint. Nothing when no poll was reading.
  std::optional<PollResult> Finish();

  // Failed sends become one WEBHOOK_FAILED row beside `data_log` at most once per cooldown;
  // those that fail in the meantime are counted and told with the next row.
  std::optional<WebhookReport> ReportWebhookFailures(const std::string& data_log);

  // Each MQTT failure not said since the broker was last reached becomes one MQTT_FAILED row.
  std::vector<WebhookReport> ReportMqttFailures(const std::string& data_log);

  // The end: no request answered any more, the reading, the webhook's and MQTT threads stopped,
  // "offline" published. False when one of them had to be left behind (the process must then end
  // soon).
  bool End();

  // The values of the last poll that found them (all unset before one).
  const LineSample& LastSample() const { return snapshot_.sample; }

 private:
  void Count(const LineEvent& event);
  void MakeWebhookSender();
  WebhookReport Record(LineEventKind kind, const std::string& detail, const std::string& data_log);
  void PublishMqtt(const std::vector<WebhookMessage>& messages);

  ProgramHost& host_;
  EventLoop& loop_;
  AlertSettings alerts_;
  SettingsHostKeys host_keys_;
  LineSources sources_;
  MonitorSession session_;
  std::unique_ptr<WebhookSender> webhook_;
  std::unique_ptr<MqttPublisher> mqtt_;
  std::optional<std::chrono::milliseconds> webhook_reported_;
  std::string last_device_;  // the device of the last sample, for the webhook's messages
  LineSnapshot snapshot_;
  MetricsBoard board_;
  std::unique_ptr<ExportSite> site_;
  std::unique_ptr<HttpServer> server_;
  std::string listening_;
};

}  // namespace verdalin
