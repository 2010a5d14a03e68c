// The line's snapshot and its views: Prometheus text exposition and the status JSON.
#include "export/line_metrics.h"

#include "base/date_format.h"
#include "base/encoding.h"
#include "monitor/quality.h"
#include "report/report_text.h"

namespace verdalin {

namespace {

constexpr std::array<std::string_view, 3> kOutcomes = {"ok", "unreachable", "unrecognised"};

std::size_t OutcomeIndex(PollOutcome outcome) {
  switch (outcome) {
    case PollOutcome::kSample:
      return 0;
    case PollOutcome::kUnreachable:
      return 1;
    case PollOutcome::kUnrecognised:
      return 2;
  }
  return 1;
}

std::string Number(double value, int decimals) {
  std::string text;
  AppendFixed(text, value, decimals);
  return text;
}

// The exposition: one family at a time, its HELP and TYPE before its samples.
class Exposition {
 public:
  void Family(std::string_view name, std::string_view type, std::string_view help) {
    out_ += "# HELP " + std::string(name) + " " + std::string(help) + "\n";
    out_ += "# TYPE " + std::string(name) + " " + std::string(type) + "\n";
  }
  void Sample(std::string_view name, std::string_view labels, const std::string& value) {
    out_ += std::string(name);
    if (!labels.empty()) out_ += "{" + std::string(labels) + "}";
    out_ += " " + value + "\n";
  }
  std::string Take() { return std::move(out_); }

 private:
  std::string out_;
};

std::string Label(std::string_view name, std::string_view value) {
  return std::string(name) + "=\"" + PrometheusLabel(value) + "\"";
}

// A line value in `unit`s of what it is measured in (1000: kbit/s as bit/s); "" for no value.
std::string LineNumber(double value, LineQuantity quantity, int decimals, double unit = 1) {
  const std::optional<double> held = LineValue(value, quantity);
  return held ? Number(*held * unit, decimals) : "";
}

// A pair of line values; one that does not hold is left out.
void DirectionPair(Exposition& out, std::string_view name, double down, double up,
                   LineQuantity quantity, int decimals, double unit = 1) {
  for (const auto& [direction, value] : {std::pair{"down", down}, {"up", up}}) {
    const std::string text = LineNumber(value, quantity, decimals, unit);
    if (!text.empty()) out.Sample(name, Label("direction", direction), text);
  }
}

// The family of a pair of values the source may not give, left out when it gives neither.
void OptionalPair(Exposition& out, std::string_view name, std::string_view type,
                  std::string_view help, const std::array<std::optional<double>, 2>& values,
                  LineQuantity quantity, int decimals, double unit = 1) {
  if (!values[kNearEnd] && !values[kFarEnd]) return;
  out.Family(name, type, help);
  for (const LineEnd end : {kNearEnd, kFarEnd}) {
    const std::string text =
        values[end] ? LineNumber(*values[end], quantity, decimals, unit) : std::string();
    if (!text.empty()) out.Sample(name, Label("direction", end == kNearEnd ? "down" : "up"), text);
  }
}

void ExtraRates(Exposition& out, const LineExtras& extras) {
  OptionalPair(out, "dsl_max_datarate", "gauge", "Attainable rate of the line in bit/s.",
               extras.attainable_kbps, LineQuantity::kRate, 0, 1000.0);
  OptionalPair(out, "dsl_aggregated_transmit_power_db", "gauge", "Aggregated transmit power in dB.",
               extras.transmit_power_dbm, LineQuantity::kDecibels, 1);
}

using Counters = std::array<std::optional<int64_t>, 2>;

// The samples of counters by end, those the source gives.
void CounterSamples(Exposition& out, std::string_view name, std::string_view err,
                    const Counters& counters) {
  for (const LineEnd end : {kNearEnd, kFarEnd}) {
    if (counters[end])
      out.Sample(name, Label("err", err) + "," + Label("loc", end == kNearEnd ? "near" : "far"),
                 std::to_string(*counters[end]));
  }
}

// Error counts (the near end's CRC count is the CSV's) and error seconds, as the source gives them.
void ErrorFamilies(Exposition& out, const LineSample& line) {
  const LineExtras& x = line.extras;
  out.Family("dsl_errors_total", "counter", "Line errors as the gateway counts them.");
  CounterSamples(out, "dsl_errors_total", "crc", {int64_t{line.CRC_errors}, x.crc_errors[kFarEnd]});
  CounterSamples(out, "dsl_errors_total", "fec", x.fec_errors);
  const std::pair<std::string_view, const Counters*> seconds[] = {
      {"errored", &x.errored_seconds},
      {"severely errored", &x.severely_errored_seconds},
      {"unavailable", &x.unavailable_seconds}};
  bool family = false;
  for (const auto& [err, counters] : seconds) {
    if (!(*counters)[kNearEnd] && !(*counters)[kFarEnd]) continue;
    if (!family) out.Family("dsl_error_seconds_total", "counter", "Error seconds by kind.");
    family = true;
    CounterSamples(out, "dsl_error_seconds_total", err, *counters);
  }
}

void LineFamilies(Exposition& out, const LineSnapshot& s) {
  const LineSample& line = s.sample;
  out.Family("dsl_up", "gauge", "Whether the DSL line is in sync.");
  out.Sample("dsl_up", "", line.Connected != 0 ? "1" : "0");
  out.Family("dsl_datarate", "gauge", "Sync rate of the line in bit/s.");
  DirectionPair(out, "dsl_datarate", line.Downstream_kbps, line.Upstream_kbps, LineQuantity::kRate,
                0, 1000.0);
  out.Family("dsl_line_attenuation_db", "gauge", "Line attenuation in dB.");
  DirectionPair(out, "dsl_line_attenuation_db", line.Attenuation_local, line.Attenuation_distant,
                LineQuantity::kDecibels, 2);
  out.Family("dsl_signal_to_noise_margin_db", "gauge", "SNR margin in dB.");
  DirectionPair(out, "dsl_signal_to_noise_margin_db", line.SNR_local, line.SNR_distant,
                LineQuantity::kDecibels, 2);
  ExtraRates(out, line.extras);
  ErrorFamilies(out, line);
  out.Family("dsl_info", "gauge", "The gateway: device and firmware.");
  out.Sample("dsl_info", Label("device", line.Device) + "," + Label("firmware", line.Firmware),
             "1");
  out.Family("dsl_line_info", "gauge", "The line: mode and type, standard and profile.");
  std::string labels = Label("mode", line.Mode) + "," + Label("type", line.Type);
  if (!line.extras.standard.empty()) labels += "," + Label("standard", line.extras.standard);
  if (!line.extras.profile.empty()) labels += "," + Label("profile", line.extras.profile);
  out.Sample("dsl_line_info", labels, "1");
  if (line.extras.uptime_s) {
    out.Family("dsl_uptime_seconds", "gauge", "Seconds since the line came into sync.");
    out.Sample("dsl_uptime_seconds", "", std::to_string(*line.extras.uptime_s));
  }
  out.Family("verdalin_quality_ratio", "gauge",
             "Quality index: rate and margin against the subscription.");
  out.Sample("verdalin_quality_ratio", "", Number(s.quality_percent / 100.0, 4));
}

void OwnFamilies(Exposition& out, const LineSnapshot& s) {
  out.Family("verdalin_poll_success", "gauge", "Whether the last poll found the line's values.");
  out.Sample("verdalin_poll_success", "",
             s.polled && s.last_outcome == PollOutcome::kSample ? "1" : "0");
  out.Family("verdalin_polls_total", "counter", "Polls by result.");
  for (std::size_t i = 0; i < kOutcomes.size(); ++i)
    out.Sample("verdalin_polls_total", Label("result", kOutcomes[i]), std::to_string(s.polls[i]));
  out.Family("verdalin_poll_duration_seconds", "gauge", "How long the last poll took.");
  out.Sample("verdalin_poll_duration_seconds", "", Number(s.last_poll_seconds, 3));
  out.Family("verdalin_resyncs_total", "counter", "Resyncs (back in sync, retrains) since start.");
  out.Sample("verdalin_resyncs_total", "", std::to_string(s.resyncs_total));
  out.Family("verdalin_last_sync_change_timestamp_seconds", "gauge",
             "When the line last lost sync, came back or retrained; 0 before that.");
  out.Sample("verdalin_last_sync_change_timestamp_seconds", "",
             std::to_string(s.last_sync_change_unix_time));
  out.Family("verdalin_subscribed_max_datarate", "gauge", "Subscribed downstream rate in bit/s.");
  out.Sample("verdalin_subscribed_max_datarate", "", Number(s.subscribed_kbps * 1000.0, 0));
  out.Family("verdalin_events_total", "counter", "Line events by kind since start.");
  for (int i = 0; i < kLineEventKinds; ++i)
    out.Sample("verdalin_events_total",
               Label("event", LineEventName(static_cast<LineEventKind>(i))),
               std::to_string(s.events_by_kind[static_cast<std::size_t>(i)]));
}

void AppendMember(std::string& out, std::string_view name, const std::string& json_value) {
  if (out.back() != '{') out += ',';
  AppendJsonString(out, name);
  out += ':' + json_value;
}

std::string JsonText(std::string_view text) {
  std::string out;
  AppendJsonString(out, text);
  return out;
}

void AppendPair(std::string& out, std::string_view name,
                const std::array<std::optional<double>, 2>& values, LineQuantity quantity,
                int decimals) {
  for (const LineEnd end : {kNearEnd, kFarEnd}) {
    const std::string text =
        values[end] ? LineNumber(*values[end], quantity, decimals) : std::string();
    if (!text.empty())
      AppendMember(out, std::string(name) + (end == kNearEnd ? "_down" : "_up"), text);
  }
}

void AppendCounters(std::string& out, std::string_view name,
                    const std::array<std::optional<int64_t>, 2>& counters) {
  for (const LineEnd end : {kNearEnd, kFarEnd}) {
    if (counters[end])
      AppendMember(out, std::string(name) + (end == kNearEnd ? "_near" : "_far"),
                   std::to_string(*counters[end]));
  }
}

// The values beyond the CSV row that the source gave; the others are left out.
void AppendExtras(std::string& out, const LineExtras& x) {
  AppendPair(out, "attainable_kbps", x.attainable_kbps, LineQuantity::kRate, 0);
  AppendPair(out, "transmit_power_dbm", x.transmit_power_dbm, LineQuantity::kDecibels, 1);
  AppendCounters(out, "crc_errors", x.crc_errors);
  AppendCounters(out, "fec_errors", x.fec_errors);
  AppendCounters(out, "errored_seconds", x.errored_seconds);
  AppendCounters(out, "severely_errored_seconds", x.severely_errored_seconds);
  AppendCounters(out, "unavailable_seconds", x.unavailable_seconds);
  if (x.uptime_s) AppendMember(out, "uptime_s", std::to_string(*x.uptime_s));
  if (x.retrains) AppendMember(out, "retrains", std::to_string(*x.retrains));
  if (!x.standard.empty()) AppendMember(out, "standard", JsonText(x.standard));
  if (!x.profile.empty()) AppendMember(out, "profile", JsonText(x.profile));
}

std::string SampleJson(const LineSample& line) {
  std::string out = "{";
  AppendMember(out, "connected", line.Connected != 0 ? "true" : "false");
  AppendMember(out, "mode", JsonText(line.Mode));
  AppendMember(out, "type", JsonText(line.Type));
  const auto value = [](double held, LineQuantity quantity, int decimals) {
    const std::string text = LineNumber(held, quantity, decimals);
    return text.empty() ? std::string("null") : text;
  };
  AppendMember(out, "down_kbps", value(line.Downstream_kbps, LineQuantity::kRate, 0));
  AppendMember(out, "up_kbps", value(line.Upstream_kbps, LineQuantity::kRate, 0));
  AppendMember(out, "attenuation_down_db",
               value(line.Attenuation_local, LineQuantity::kDecibels, 2));
  AppendMember(out, "attenuation_up_db",
               value(line.Attenuation_distant, LineQuantity::kDecibels, 2));
  AppendMember(out, "snr_down_db", value(line.SNR_local, LineQuantity::kDecibels, 2));
  AppendMember(out, "snr_up_db", value(line.SNR_distant, LineQuantity::kDecibels, 2));
  AppendMember(out, "crc_errors", std::to_string(line.CRC_errors));
  AppendMember(out, "device", JsonText(line.Device));
  AppendMember(out, "firmware", JsonText(line.Firmware));
  AppendExtras(out, line.extras);
  return out + "}";
}

std::string EventsJson(const std::deque<StampedEvent>& events) {
  std::string out = "[";
  for (const StampedEvent& stamped : events) {
    if (out.size() > 1) out += ',';
    std::string item = "{";
    AppendMember(item, "time", JsonText(TimestampText(stamped.event.time)));
    AppendMember(item, "unix_time", std::to_string(stamped.unix_time));
    AppendMember(item, "event", JsonText(LineEventName(stamped.event.kind)));
    AppendMember(item, "detail", JsonText(stamped.event.detail));
    out += item + "}";
  }
  return out + "]";
}

}  // namespace

void LineSnapshot::Count(const LineEvent& event, int64_t unix_time) {
  ++events_by_kind[static_cast<std::size_t>(event.kind)];
  recent_events.push_back({event, unix_time});
  if (recent_events.size() > kRecentEvents) recent_events.pop_front();
  const bool sync_change = event.kind == LineEventKind::kSyncLost ||
                           event.kind == LineEventKind::kSyncBack ||
                           event.kind == LineEventKind::kRetrain;
  if (sync_change) last_sync_change_unix_time = unix_time;
}

void RecordPoll(LineSnapshot& s, const PollResult& result, int64_t unix_time,
                const LineEventDetector& detector) {
  s.polled = true;
  s.last_outcome = result.outcome;
  s.last_poll_unix_time = unix_time;
  s.last_poll_seconds = result.seconds;
  ++s.polls[OutcomeIndex(result.outcome)];
  s.subscribed_kbps = result.config.subscribed_kbps;
  if (result.outcome == PollOutcome::kSample) {
    const LineSample& sample = result.sample;
    s.have_sample = true;
    s.sample = sample;
    s.quality_percent =
        sample.Connected != 0
            ? QualityIndex(sample.Downstream_kbps, sample.SNR_local, result.config.subscribed_kbps)
            : 0;
  }
  s.resyncs_total = detector.ResyncsTotal();
  s.resyncs_today = detector.ResyncsToday();
  s.data_log = result.config.output_file;
}

std::string PrometheusLabel(std::string_view text) {
  std::string out;
  for (char c : AsUtf8(text)) {
    if (c == '\\' || c == '"') out += '\\';
    if (c == '\n') {
      out += "\\n";
      continue;
    }
    out += c;
  }
  return out;
}

std::string PrometheusText(const LineSnapshot& snapshot, std::string_view version) {
  Exposition out;
  if (snapshot.have_sample) LineFamilies(out, snapshot);
  OwnFamilies(out, snapshot);
  out.Family("verdalin_build_info", "gauge", "The program's version.");
  out.Sample("verdalin_build_info", Label("version", version), "1");
  return out.Take();
}

std::string StatusJson(const LineSnapshot& s) {
  std::string out = "{";
  std::string poll = "{";
  AppendMember(poll, "unix_time", std::to_string(s.last_poll_unix_time));
  AppendMember(poll, "result",
               s.polled ? JsonText(kOutcomes[OutcomeIndex(s.last_outcome)]) : std::string("null"));
  AppendMember(poll, "duration_s", Number(s.last_poll_seconds, 3));
  AppendMember(out, "last_poll", poll + "}");
  AppendMember(out, "sample", s.have_sample ? SampleJson(s.sample) : "null");
  AppendMember(out, "resyncs",
               "{\"total\":" + std::to_string(s.resyncs_total) +
                   ",\"today\":" + std::to_string(s.resyncs_today) + "}");
  AppendMember(out, "events", EventsJson(s.recent_events));
  return out + "}\n";
}

}  // namespace verdalin
