// The MQTT settings, the state JSON and Home Assistant's discovery messages.
#include "export/mqtt_messages.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>

#include "base/date_format.h"
#include "base/encoding.h"
#include "base/scramble.h"
#include "base/text_ops.h"

namespace verdalin {

namespace {

using Json = nlohmann::ordered_json;

constexpr std::string_view kMissing = "\x01";

std::optional<int> PortOf(std::string_view text) {
  int port = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), port);
  if (error != std::errc() || end != text.data() + text.size() || port < 1 || port > 65535)
    return std::nullopt;
  return port;
}

// One sensor of the device: its key in the state JSON and how Home Assistant shows it.
struct Sensor {
  std::string_view key;
  std::string_view name;
  std::string_view device_class;
  std::string_view unit;
  std::string_view state_class;
  bool diagnostic = false;
};

constexpr std::string_view kSyncKey = "in_sync";
constexpr std::array<Sensor, 15> kSensors = {{
    {"rate_down_kbps", "Downstream rate", "data_rate", "kbit/s", "measurement"},
    {"rate_up_kbps", "Upstream rate", "data_rate", "kbit/s", "measurement"},
    {"attainable_down_kbps", "Attainable downstream rate", "data_rate", "kbit/s", "measurement"},
    {"attainable_up_kbps", "Attainable upstream rate", "data_rate", "kbit/s", "measurement"},
    {"snr_margin_down_db", "Downstream SNR margin", "", "dB", "measurement"},
    {"snr_margin_up_db", "Upstream SNR margin", "", "dB", "measurement"},
    {"attenuation_down_db", "Downstream attenuation", "", "dB", "measurement", true},
    {"attenuation_up_db", "Upstream attenuation", "", "dB", "measurement", true},
    {"crc_errors", "CRC errors", "", "", "total_increasing", true},
    {"crc_errors_far", "Far-end CRC errors", "", "", "total_increasing", true},
    {"resyncs_today", "Resyncs today", "", "", "total_increasing"},
    {"resyncs_total", "Resyncs", "", "", "total_increasing"},
    {"quality_percent", "Quality index", "", "%", "measurement"},
    {"time", "Last poll", "timestamp", "", "", true},
    {kSyncKey, "In sync", "connectivity", "", ""},
}};

double Rounded(double value, int decimals) {
  const double scale = std::pow(10.0, decimals);
  return std::round(value * scale) / scale;
}

void PutValue(Json& out, const char* key, double value, LineQuantity quantity) {
  if (const std::optional<double> held = LineValue(value, quantity)) {
    if (quantity == LineQuantity::kRate)
      out[key] = static_cast<int64_t>(std::llround(*held));
    else
      out[key] = Rounded(*held, 2);
  }
}

template <typename T>
void PutOptional(Json& out, const std::string& key, const std::optional<T>& value,
                 LineQuantity quantity) {
  if (!value) return;
  if constexpr (std::is_floating_point_v<T>)
    PutValue(out, key.c_str(), *value, quantity);
  else if (*value >= 0)
    out[key] = *value;
}

void PutCounterPair(Json& out, const std::string& key,
                    const std::array<std::optional<int64_t>, 2>& pair) {
  PutOptional(out, key, pair[kNearEnd], LineQuantity::kRate);
  PutOptional(out, key + "_far", pair[kFarEnd], LineQuantity::kRate);
}

// The values of a sample, each only where it holds; the near end's CRC count is the CSV row's.
Json LineValues(const LineSample& line, double quality_percent) {
  Json out = Json::object();
  const LineExtras& extras = line.extras;
  out[kSyncKey] = line.Connected != 0;
  PutValue(out, "rate_down_kbps", line.Downstream_kbps, LineQuantity::kRate);
  PutValue(out, "rate_up_kbps", line.Upstream_kbps, LineQuantity::kRate);
  PutOptional(out, "attainable_down_kbps", extras.attainable_kbps[kNearEnd], LineQuantity::kRate);
  PutOptional(out, "attainable_up_kbps", extras.attainable_kbps[kFarEnd], LineQuantity::kRate);
  PutValue(out, "snr_margin_down_db", line.SNR_local, LineQuantity::kDecibels);
  PutValue(out, "snr_margin_up_db", line.SNR_distant, LineQuantity::kDecibels);
  PutValue(out, "attenuation_down_db", line.Attenuation_local, LineQuantity::kDecibels);
  PutValue(out, "attenuation_up_db", line.Attenuation_distant, LineQuantity::kDecibels);
  if (line.CRC_errors >= 0) out["crc_errors"] = line.CRC_errors;
  PutOptional(out, "crc_errors_far", extras.crc_errors[kFarEnd], LineQuantity::kRate);
  PutCounterPair(out, "fec_errors", extras.fec_errors);
  PutCounterPair(out, "errored_seconds", extras.errored_seconds);
  PutCounterPair(out, "severely_errored_seconds", extras.severely_errored_seconds);
  PutCounterPair(out, "unavailable_seconds", extras.unavailable_seconds);
  out["quality_percent"] = Rounded(quality_percent, 1);
  if (!line.Device.empty()) out["device"] = AsUtf8(line.Device);
  if (!line.Firmware.empty()) out["firmware"] = AsUtf8(line.Firmware);
  return out;
}

std::string IsoTime(int64_t unix_time, int64_t offset_s) {
  const WallClockFields f = FieldsFromDate(unix_time + offset_s);
  const int64_t minutes = (offset_s < 0 ? -offset_s : offset_s) / 60;
  std::array<char, 40> text{};
  std::snprintf(text.data(), text.size(), "%04d-%02d-%02dT%02d:%02d:%02d%c%02d:%02d", f.year,
                f.month, f.day, f.hour, f.minute, f.second, offset_s < 0 ? '-' : '+',
                static_cast<int>(minutes / 60), static_cast<int>(minutes % 60));
  return text.data();
}

std::string_view ResultName(PollOutcome outcome) {
  if (outcome == PollOutcome::kSample) return "ok";
  return outcome == PollOutcome::kUnreachable ? "unreachable" : "not_recognised";
}

std::string ValueTemplate(std::string_view key) {
  const std::string value = "value_json." + std::string(key);
  const std::string shown = key == kSyncKey ? "('ON' if " + value + " else 'OFF')" : value;
  return "{{ " + shown + " if " + value + " is defined else None }}";
}

Json DiscoveryConfig(const MqttIdentity& id, const MqttState& state, const Sensor& sensor) {
  Json config = {{"name", sensor.name},
                 {"unique_id", "verdalin_" + id.node + "_" + std::string(sensor.key)},
                 {"state_topic", id.topic + "/state"},
                 {"value_template", ValueTemplate(sensor.key)},
                 {"availability_topic", id.topic + "/availability"}};
  if (!sensor.device_class.empty()) config["device_class"] = sensor.device_class;
  if (!sensor.unit.empty()) config["unit_of_measurement"] = sensor.unit;
  if (!sensor.state_class.empty()) config["state_class"] = sensor.state_class;
  if (sensor.diagnostic) config["entity_category"] = "diagnostic";
  if (sensor.key == kSyncKey) {
    config["payload_on"] = "ON";
    config["payload_off"] = "OFF";
  }
  Json device = {{"identifiers", Json::array({"verdalin_" + id.node})},
                 {"name", "DSL line"},
                 {"manufacturer", "Verdalin"}};
  if (!state.device.empty()) device["model"] = state.device;
  if (!state.firmware.empty()) device["sw_version"] = state.firmware;
  config["device"] = device;
  config["origin"] = {{"name", "Verdalin"}, {"sw_version", id.version}};
  return config;
}

std::string Dump(const Json& json) {
  return json.dump(-1, ' ', false, Json::error_handler_t::replace);
}

}  // namespace

bool UsableTopic(std::string_view topic) {
  return !topic.empty() && topic.find_first_of("+#") == std::string_view::npos &&
         topic.front() != '/' && topic.back() != '/';
}

std::optional<MqttBroker> ParseBroker(std::string_view text) {
  MqttBroker broker;
  const std::size_t scheme_end = text.find("://");
  if (scheme_end == std::string_view::npos) return std::nullopt;
  const std::string scheme = LowerCase(text.substr(0, scheme_end));
  if (scheme != "mqtt" && scheme != "mqtts") return std::nullopt;
  broker.tls = scheme == "mqtts";
  broker.port = broker.tls ? 8883 : 1883;
  std::string_view rest = text.substr(scheme_end + 3);
  if (!rest.empty() && rest.back() == '/') rest.remove_suffix(1);
  std::string_view host = rest;
  std::string_view port;
  if (rest.starts_with('[')) {
    const std::size_t close = rest.find(']');
    if (close == std::string_view::npos) return std::nullopt;
    host = rest.substr(1, close - 1);
    if (close + 1 < rest.size()) {
      if (rest[close + 1] != ':') return std::nullopt;
      port = rest.substr(close + 2);
      if (port.empty()) return std::nullopt;
    }
  } else if (const std::size_t colon = rest.rfind(':'); colon != std::string_view::npos) {
    host = rest.substr(0, colon);
    port = rest.substr(colon + 1);
    if (port.empty()) return std::nullopt;
  }
  const bool bracketed = rest.starts_with('[');
  if (host.empty() || host.find_first_of(bracketed ? "/@[] " : ":/@[] ") != std::string_view::npos)
    return std::nullopt;
  broker.host = std::string(host);
  if (!port.empty()) {
    const std::optional<int> number = PortOf(port);
    if (!number) return std::nullopt;
    broker.port = *number;
  }
  return broker;
}

std::string NodeId(std::string_view host_name) {
  std::string node;
  for (char c : host_name.substr(0, 64)) {
    const char lower = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    const bool kept = (lower >= 'a' && lower <= 'z') || (lower >= '0' && lower <= '9');
    node += kept ? lower : '_';
  }
  return node.find_first_not_of('_') == std::string::npos ? "verdalin" : node;
}

MqttLoaded ReadMqtt(const IniFile& file, std::string_view host_name) {
  MqttLoaded loaded;
  MqttSettings& s = loaded.settings;
  const auto read = [&file](std::string_view key) { return file.Read(kMqttGroup, key, kMissing); };
  const auto said = [&loaded](std::string_view key, std::string_view fallback) {
    loaded.problem += std::string(loaded.problem.empty() ? "MQTT: " : "; ") + std::string(key) +
                      "= does not read: " + std::string(fallback);
  };
  std::string broker = read("broker");
  if (broker == kMissing) broker.clear();
  s.broker = ParseBroker(TrimBlanks(broker));
  if (!s.broker && !TrimBlanks(broker).empty()) {
    said("broker", "MQTT is off (mqtt://HOST[:PORT] or mqtts://HOST[:PORT])");
    broker.clear();
  }
  s.user = read("user");
  if (s.user == kMissing) s.user.clear();
  std::string password = read("crypted_password");
  if (password == kMissing) password.clear();
  if (!password.empty() && !IsStoredPassword(password)) {
    said("crypted_password", "no password");
    password.clear();
  }
  s.password = password.empty() ? "" : LoadPassword(password);
  s.ca_file = read("ca_file");
  if (s.ca_file == kMissing) s.ca_file.clear();
  s.topic = read("topic");
  if (s.topic == kMissing || s.topic.empty() || !UsableTopic(s.topic)) {
    if (s.topic != kMissing && !s.topic.empty()) said("topic", "the default");
    s.topic = "verdalin/" + NodeId(host_name);
  }
  s.node = NodeId(s.topic.substr(s.topic.rfind('/') + 1));
  s.discovery_prefix = read("discovery_prefix");
  if (s.discovery_prefix == kMissing) s.discovery_prefix = std::string(kDefaultDiscoveryPrefix);
  if (!s.discovery_prefix.empty() && !UsableTopic(s.discovery_prefix)) {
    said("discovery_prefix", "the default");
    s.discovery_prefix = std::string(kDefaultDiscoveryPrefix);
  }
  loaded.stored = {
      {"broker", broker},     {"user", s.user},   {"crypted_password", password},
      {"ca_file", s.ca_file}, {"topic", s.topic}, {"discovery_prefix", s.discovery_prefix}};
  return loaded;
}

void StoreMqtt(IniFile& settings_file, const MqttLoaded& loaded) {
  for (const auto& [key, text] : loaded.stored) settings_file.Write(kMqttGroup, key, text);
}

MqttState StateOf(const LineSnapshot& snapshot, int64_t utc_offset_s, int64_t events_dropped) {
  MqttState state;
  Json out = Json::object();
  if (snapshot.polled) {
    out["time"] = IsoTime(snapshot.last_poll_unix_time, utc_offset_s);
    out["result"] = ResultName(snapshot.last_outcome);
  }
  const Json line = LineValues(snapshot.sample, snapshot.quality_percent);
  if (snapshot.polled && snapshot.last_outcome == PollOutcome::kSample) out.update(line);
  out["resyncs_today"] = snapshot.resyncs_today;
  out["resyncs_total"] = snapshot.resyncs_total;
  if (events_dropped > 0) out["events_dropped"] = events_dropped;
  state.json = Dump(out);
  state.have_sample = snapshot.have_sample;
  for (const Sensor& sensor : kSensors) {
    const std::string key(sensor.key);
    if (out.contains(key) || (snapshot.have_sample && line.contains(key)))
      state.sensors.push_back(key);
  }
  if (snapshot.have_sample) {
    state.device = AsUtf8(snapshot.sample.Device);
    state.firmware = AsUtf8(snapshot.sample.Firmware);
  }
  return state;
}

std::vector<MqttMessage> DiscoveryMessages(const MqttIdentity& identity, const MqttState& state) {
  std::vector<MqttMessage> messages;
  if (identity.discovery_prefix.empty()) return messages;
  for (const Sensor& sensor : kSensors) {
    const std::string component = sensor.key == kSyncKey ? "binary_sensor" : "sensor";
    const std::string topic = identity.discovery_prefix + "/" + component + "/" + identity.node +
                              "/" + std::string(sensor.key) + "/config";
    const bool given =
        std::find(state.sensors.begin(), state.sensors.end(), sensor.key) != state.sensors.end();
    if (given)
      messages.push_back({topic, Dump(DiscoveryConfig(identity, state, sensor)), true});
    else if (state.have_sample)
      messages.push_back({topic, "", true});
  }
  return messages;
}

}  // namespace verdalin
