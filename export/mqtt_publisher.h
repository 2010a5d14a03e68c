// The MQTT publisher: a thread of its own that connects, announces the device, and sends the
// latest state and the line's events, so that a broker down or slow never holds a poll.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "export/mqtt_client.h"
#include "export/mqtt_messages.h"

namespace verdalin {

inline constexpr std::size_t kMqttEventCapacity = 32;
inline constexpr std::chrono::milliseconds kMqttFirstPause{1000};
inline constexpr std::chrono::milliseconds kMqttLongestPause{60000};
// How long a connection attempt waits for the broker, and how long the client runs between looks
// at what there is to send.
inline constexpr std::chrono::milliseconds kMqttConnectWait{5000};
inline constexpr std::chrono::milliseconds kMqttSlice{500};
// How long the end waits for the thread (the offline message and a clean disconnect).
inline constexpr std::chrono::milliseconds kMqttEndWait{2000};

// The pause before the next attempt after `failures` failed ones in a row (1 or more): 1 s, 2 s,
// 4 s, ... up to 60 s.
std::chrono::milliseconds MqttPause(int failures);

// Why a connection failed, for the event log's MQTT_FAILED; empty for success and for an
// unreachable broker, which is only retried.
std::string MqttFailureReason(MqttConnect result);

// Runs the client on a thread of its own, started at construction: connects with growing pauses,
// publishes "online", the discovery messages (again when Home Assistant says "online") and then
// the latest state and the queued events. While away it keeps only the latest state, and at most
// `capacity` events (the oldest dropped and counted). `wake` runs on the thread when a failure
// reason comes that was not said since the last connection; it must only signal.
class MqttPublisher {
 public:
  MqttPublisher(std::unique_ptr<MqttClient> client, MqttSession session, MqttIdentity identity,
                std::function<void()> wake, std::size_t capacity = kMqttEventCapacity);
  ~MqttPublisher();
  MqttPublisher(const MqttPublisher&) = delete;
  MqttPublisher& operator=(const MqttPublisher&) = delete;

  void PublishState(MqttState state);
  void PublishEvent(std::string body);
  // The failure reasons not taken yet, each once.
  std::vector<std::string> TakeFailures();
  int64_t DroppedEvents() const;
  // Publishes "offline", disconnects and waits at most `wait` for the thread; a thread stuck in a
  // connection attempt is left behind to end alone (false then).
  bool Stop(std::chrono::milliseconds wait = kMqttEndWait);

 private:
  friend class MqttConnection;
  struct Shared;
  static void Work(const std::shared_ptr<Shared>& shared);
  std::shared_ptr<Shared> shared_;
  std::thread thread_;
};

}  // namespace verdalin
