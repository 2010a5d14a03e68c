// The monitor as both programs run it: session, webhook and metrics endpoint.
#include "app/monitor_service.h"

#include "base/date_format.h"
#include "monitor/broadcom_stats.h"
#include "monitor/command_line_source.h"
#include "monitor/draytek_status.h"
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

// The command-line kinds: a Broadcom shell and a DrayTek console, over telnet or SSH.
void AddCommandLineSources(LineSources& sources, const MonotonicClock& clock,
                           HostKeyStore& host_keys) {
  sources.Add("BROADCOM", std::make_unique<CommandLineSource>(&ReadBroadcomStats, kBroadcomCommand,
                                                              clock, host_keys));
  sources.Add("DRAYTEK", std::make_unique<CommandLineSource>(&ReadDraytekStatus, kDraytekCommand,
                                                             clock, host_keys));
}

}  // namespace

MonitorService::MonitorService(ProgramHost& host, Timer& timer, EventLoop& loop,
                               const LocaleSnapshot& locale, const AlertSettings& alerts,
                               const std::string& settings_file)
    : host_(host),
      alerts_(alerts),
      host_keys_(host.Files(), settings_file),
      sources_(host.Fetcher()),
      session_(ServicesOf(host, timer, loop, locale, sources_), alerts) {
  AddCommandLineSources(sources_, host.Monotonic(), host_keys_);
  snapshot_.thresholds = alerts.thresholds;
  if (alerts.webhook.empty()) return;
  if (std::shared_ptr<HttpPoster> poster = host.MakePoster())
    webhook_ = std::make_unique<WebhookSender>(std::move(poster),
                                               [&loop] { loop.Post({EventKind::kWebhookFailed}); });
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

std::optional<PollResult> MonitorService::Finish() {
  std::optional<PollResult> result = session_.Finish();
  if (!result) return result;
  if (result->outcome == PollOutcome::kSample) last_device_ = result->sample.Device;
  for (const LineEvent& event : result->events) {
    Count(event);
    if (webhook_)
      webhook_->Send(
          alerts_.webhook,
          WebhookMessage{TimestampText(event.time), std::string(LineEventName(event.kind)),
                         event.detail, last_device_, Notifier::Message(event)});
  }
  RecordPoll(snapshot_, *result, host_.LocalClock().UnixTime(), session_.Detector());
  board_.Publish(snapshot_);
  return result;
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
  WebhookReport report{LineEvent{LineEventKind::kWebhookFailed, CurrentDate(host_.LocalClock()),
                                 WebhookFailureDetail(failures)}};
  report.event_log_failed = !session_.Record(report.event, data_log);
  Count(report.event);
  board_.Publish(snapshot_);
  return report;
}

bool MonitorService::End() {
  server_.reset();  // no request is answered from what is being taken down
  listening_.clear();
  const bool reading_ended = session_.End(kFetchEndWait);
  const bool sender_ended = !webhook_ || webhook_->Stop();
  return reading_ended && sender_ended;
}

}  // namespace verdalin
