// What the program tells an MQTT broker: the group [MQTT] of the settings, the line's state as one
// JSON object, and Home Assistant's discovery messages for the sensors a source gives.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/ini_store.h"
#include "export/line_metrics.h"
#include "export/mqtt_client.h"

namespace verdalin {

inline constexpr std::string_view kMqttGroup = "MQTT";
inline constexpr std::string_view kDefaultDiscoveryPrefix = "homeassistant";

// [MQTT] as the program uses it; an empty broker is off.
struct MqttSettings {
  std::optional<MqttBroker> broker;
  std::string user;
  std::string password;
  std::string ca_file;
  std::string topic;  // "verdalin/NODE"
  std::string node;   // [a-z0-9_], the device's identity in Home Assistant
  std::string discovery_prefix;
};

// [MQTT] as read: the settings, the texts to store back (bad ones fallen back to the defaults,
// the base topic filled in when missing or empty) and the fallbacks to say once.
struct MqttLoaded {
  MqttSettings settings;
  std::vector<std::pair<std::string_view, std::string>> stored;
  std::string problem;
};
MqttLoaded ReadMqtt(const IniFile& settings_file, std::string_view host_name);
void StoreMqtt(IniFile& settings_file, const MqttLoaded& loaded);

// A topic or topic prefix: no wildcard, no empty level at either end.
bool UsableTopic(std::string_view topic);
// "mqtt://HOST[:PORT]" (1883) or "mqtts://HOST[:PORT]" (8883); nothing when it does not read.
std::optional<MqttBroker> ParseBroker(std::string_view text);
// The host name in lower case with every other character than [a-z0-9_] as '_'; "verdalin" when
// nothing is left.
std::string NodeId(std::string_view host_name);

// One poll's state: the JSON, and what the discovery messages depend on.
struct MqttState {
  std::string json;
  bool have_sample = false;          // the source has given values since the start
  std::vector<std::string> sensors;  // the keys of the JSON the source gives
  std::string device;
  std::string firmware;
};
// The last poll's state. Its time has the local offset `utc_offset_s`; values the poll did not read
// are left out; the events the publisher dropped while away are counted when there are any.
MqttState StateOf(const LineSnapshot& snapshot, int64_t utc_offset_s, int64_t events_dropped = 0);

// What discovery is made of besides the state.
struct MqttIdentity {
  std::string topic;
  std::string node;
  std::string discovery_prefix;
  std::string version;
};
// The retained configuration of each sensor the state gives, and an empty retained message for
// each one it does not give (only once a sample has said which they are).
std::vector<MqttMessage> DiscoveryMessages(const MqttIdentity& identity, const MqttState& state);

}  // namespace verdalin
