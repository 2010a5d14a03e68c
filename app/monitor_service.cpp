// The monitor as both programs run it: session, webhook, MQTT publisher and metrics endpoint.
#include "app/monitor_service.h"

#include <cmath>

#include "base/date_format.h"
#include "monitor/broadcom_stats.h"
#include "monitor/command_line_source.h"
#include "monitor/draytek_status.h"
#include "monitor/web_sources.h"
#include "verdalin_version.h"

namespace verdalin {

namespace {

SessionServices ServicesOf(ProgramHost& host, Timer& timer, EventLoop& loop,
                           const LocaleSnapshot& locale, LineSources& sources) {
  return SessionServices{host.LocalClock(),
                         host.Monotonic(),
                         host.Files(),
                         host.Numbers(),
                         locale,
                         timer,
                         sources,
                         [&loop] { loop.Post({EventKind::kPollFetched}); }};
}

// The sources of the devices that speak HTTP, each over a transport of its own.
void AddWebSources(LineSources& sources, ProgramHost& host) {
  if (std::unique_ptr<HttpTransport> transport = host.MakeTransport())
    sources.Add("TR064", std::make_unique<Tr064Source>(std::move(transport), FetchLimits{}));
  if (std::unique_ptr<HttpTransport> transport = host.MakeTransport())
    sources.Add("OPENWRT", std::make_unique<UbusSource>(std::move(transport), FetchLimits{}));
}

// The command-line kinds: a Broadcom shell and a DrayTek console, over telnet or SSH.
void AddCommandLineSources(LineSources& sources, const MonotonicClock& clock,
                           HostKeyStore& host_keys) {
  sources.Add("BROADCOM", std::make_unique<CommandLineSource>(&ReadBroadcomStats, kBroadcomCommand,
                                                              clock, host_keys));
  sources.Add("DRAYTEK", std::make_unique<CommandLineSource>(&ReadDraytekStatus, kDraytekCommand,
                                                             clock, host_keys));
}

}  // namespace

void AddHostSources(LineSources& sources, ProgramHost& host, HostKeyStore& host_keys) {
  AddWebSources(sources, host);
  AddCommandLineSources(sources, host.Monotonic(), host_keys);
}

MonitorService::MonitorService(ProgramHost& host, Timer& timer, EventLoop& loop,
                               const LocaleSnapshot& locale, const AlertSettings& alerts,
                               const std::string& settings_file)
    : host_(host),
      loop_(loop),
      alerts_(alerts),
      host_keys_(host.Files(), settings_file),
      sources_(host.Fetcher()),
      session_(ServicesOf(host, timer, loop, locale, sources_), alerts) {
  AddHostSources(sources_, host, host_keys_);
  snapshot_.thresholds = alerts.thresholds;
  MakeWebhookSender();
}

// The sender's thread starts with its first message: one is made whenever an address is set.
void MonitorService::MakeWebhookSender() {
  if (webhook_ || alerts_.webhook.empty()) return;
  if (std::shared_ptr<HttpPoster> poster = host_.MakePoster())
    webhook_ = std::make_unique<WebhookSender>(std::move(poster),
                                               [this] { loop_.Post({EventKind::kWebhookFailed}); });
}

void MonitorService::ApplyAlerts(const AlertSettings& alerts) {
  alerts_ = alerts;
  session_.SetAlerts(alerts);
  snapshot_.thresholds = alerts.thresholds;
  board_.Publish(snapshot_);
  MakeWebhookSender();
}

std::optional<std::string> MonitorService::RestartEndpoint(const ExportLoaded& loaded,
                                                           std::string_view default_listen) {
  server_.reset();
  site_.reset();
  listening_.clear();
  return StartEndpoint(loaded, default_listen);
}

MonitorService::~MonitorService() {
  End();
}

// Settings it cannot start with, a place it cannot listen on, and an endpoint open beyond this
// computer without a password give the line to say.
std::optional<std::string> MonitorService::StartEndpoint(const ExportLoaded& loaded,
                                                         std::string_view default_listen) {
  ExportSettings endpoint = loaded.settings;
  if (endpoint.listen.empty()) endpoint.listen = std::string(default_listen);
  if (endpoint.listen.empty()) return std::nullopt;
  const EndpointPlan plan = PlanEndpoint(loaded, endpoint.listen);
  if (!plan.address) return plan.note;
  site_ = std::make_unique<ExportSite>(board_, host_.Files(), host_.LocalClock(), endpoint,
                                       VERDALIN_VERSION);
  server_ = MakeHttpServer(*site_);
  if (std::optional<std::string> error = server_->Start(*plan.address)) {
    server_.reset();
    return error;
  }
  listening_ = endpoint.listen;
  return plan.note;
}

void MonitorService::StartMqtt(const MqttSettings& settings) {
  if (!settings.broker) return;
  MqttSession session{*settings.broker,
                      settings.ca_file,
                      settings.user,
                      settings.password,
                      "verdalin-" + settings.node,
                      settings.topic + "/availability",
                      "offline"};
  MqttIdentity identity{settings.topic, settings.node, settings.discovery_prefix, VERDALIN_VERSION};
  EventLoop& loop = loop_;
  mqtt_ = std::make_unique<MqttPublisher>(MakeMqttClient(), std::move(session), std::move(identity),
                                          [&loop] { loop.Post({EventKind::kMqttFailed}); });
}

void MonitorService::RestartMqtt(const MqttSettings& settings) {
  mqtt_.reset();  // waits a moment for its thread, a thread stuck connecting left to end alone
  StartMqtt(settings);
}

std::optional<PollResult> MonitorService::Finish() {
  std::optional<PollResult> result = session_.Finish();
  if (!result) return result;
  if (result->outcome == PollOutcome::kSample) last_device_ = result->sample.Device;
  std::vector<WebhookMessage> messages;
  for (const LineEvent& event : result->events) {
    Count(event);
    messages.push_back(WebhookMessage{TimestampText(event.time),
                                      std::string(LineEventName(event.kind)), event.detail,
                                      last_device_, Notifier::Message(event)});
    if (webhook_ && !alerts_.webhook.empty()) webhook_->Send(alerts_.webhook, messages.back());
  }
  RecordPoll(snapshot_, *result, host_.LocalClock().UnixTime(), session_.Detector());
  board_.Publish(snapshot_);
  PublishMqtt(messages);
  return result;
}

// The state's time carries the local offset, whole minutes.
void MonitorService::PublishMqtt(const std::vector<WebhookMessage>& messages) {
  if (!mqtt_) return;
  for (const WebhookMessage& message : messages) mqtt_->PublishEvent(WebhookBody(message));
  const Clock& clock = host_.LocalClock();
  const auto offset = static_cast<double>(CurrentDate(clock) - clock.UnixTime());
  mqtt_->PublishState(StateOf(snapshot_, std::llround(offset / 60) * 60, mqtt_->DroppedEvents()));
}

std::vector<WebhookReport> MonitorService::ReportMqttFailures(const std::string& data_log) {
  std::vector<WebhookReport> reports;
  if (!mqtt_) return reports;
  for (const std::string& reason : mqtt_->TakeFailures())
    reports.push_back(Record(LineEventKind::kMqttFailed, "reason=" + reason, data_log));
  return reports;
}

WebhookReport MonitorService::Record(LineEventKind kind, const std::string& detail,
                                     const std::string& data_log) {
  WebhookReport report{LineEvent{kind, CurrentDate(host_.LocalClock()), detail}};
  report.event_log_failed = !session_.Record(report.event, data_log);
  Count(report.event);
  board_.Publish(snapshot_);
  return report;
}

void MonitorService::Count(const LineEvent& event) {
  snapshot_.Count(event, host_.LocalClock().UnixTime());
}

std::optional<WebhookReport> MonitorService::ReportWebhookFailures(const std::string& data_log) {
  if (!webhook_) return std::nullopt;
  const std::chrono::milliseconds now = host_.Monotonic().Now();
  const std::chrono::milliseconds cooldown = std::chrono::minutes(alerts_.cooldown_minutes);
  if (webhook_reported_ && now - *webhook_reported_ < cooldown) return std::nullopt;
  const std::vector<WebhookFailure> failures = webhook_->TakeFailures();
  if (failures.empty()) return std::nullopt;
  webhook_reported_ = now;
  return Record(LineEventKind::kWebhookFailed, WebhookFailureDetail(failures), data_log);
}

bool MonitorService::End() {
  server_.reset();  // no request is answered from what is being taken down
  listening_.clear();
  const bool reading_ended = session_.End(kFetchEndWait);
  const bool sender_ended = !webhook_ || webhook_->Stop();
  const bool mqtt_ended = !mqtt_ || mqtt_->Stop();
  return reading_ended && sender_ended && mqtt_ended;
}

}  // namespace verdalin
