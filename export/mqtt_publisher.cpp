// The MQTT publisher's thread: connection with growing pauses, discovery, state and events.
#include "export/mqtt_publisher.h"

#include <algorithm>

namespace verdalin {

namespace {

bool SameMessages(const std::vector<MqttMessage>& a, const std::vector<MqttMessage>& b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](const auto& x, const auto& y) {
    return x.topic == y.topic && x.payload == y.payload;
  });
}

}  // namespace

// What the thread shares with the owner; it outlives the owner when the thread is left behind.
struct MqttPublisher::Shared {
  std::mutex mutex;
  std::condition_variable signal;  // stopping, or ended
  std::unique_ptr<MqttClient> client;
  MqttSession session;
  MqttIdentity identity;
  std::function<void()> wake;
  std::size_t capacity = kMqttEventCapacity;
  std::optional<MqttState> state;  // the latest state, until it is published
  uint64_t state_number = 0;       // of the latest state
  std::deque<std::string> events;
  std::vector<std::string> failures;
  int64_t dropped = 0;
  bool stopping = false;
  bool ended = false;
};

// One connection of the thread, from "online" until it is lost or the owner stops.
class MqttConnection {
 public:
  MqttConnection(MqttPublisher::Shared& shared, MqttState& known,
                 std::vector<MqttMessage>& announced)
      : s_(shared), client_(*shared.client), known_(known), announced_(announced) {}

  void Serve() {
    const MqttIdentity& id = s_.identity;
    client_.Publish({id.topic + "/availability", "online", true});
    if (!id.discovery_prefix.empty()) client_.Subscribe(id.discovery_prefix + "/status");
    Announce();
    std::vector<MqttMessage> received;
    while (SendState() && SendEvents()) {
      if (Stopping()) {
        client_.Publish({id.topic + "/availability", "offline", true});
        client_.Disconnect(kMqttEndWait / 2);
        return;
      }
      received.clear();
      if (!client_.Run(kMqttSlice, received)) return;
      for (const MqttMessage& message : received)
        if (message.topic == id.discovery_prefix + "/status" && message.payload == "online")
          Announce();
    }
  }

 private:
  bool Stopping() {
    std::lock_guard lock(s_.mutex);
    return s_.stopping;
  }

  void Announce() {
    announced_ = DiscoveryMessages(s_.identity, known_);
    for (const MqttMessage& message : announced_) client_.Publish(message);
  }

  // The latest state, announced first when it changes what discovery says; it stays pending
  // when the connection is lost before it is sent.
  bool SendState() {
    std::unique_lock lock(s_.mutex);
    if (!s_.state) return true;
    const MqttState state = *s_.state;
    const uint64_t number = s_.state_number;
    lock.unlock();
    known_ = state;
    if (!SameMessages(DiscoveryMessages(s_.identity, known_), announced_)) Announce();
    if (!client_.Publish({s_.identity.topic + "/state", state.json, true})) return false;
    lock.lock();
    if (s_.state_number == number) s_.state.reset();
    return true;
  }

  bool SendEvents() {
    std::unique_lock lock(s_.mutex);
    while (!s_.events.empty()) {
      const std::string body = s_.events.front();
      lock.unlock();
      if (!client_.Publish({s_.identity.topic + "/event", body, false})) return false;
      lock.lock();
      if (!s_.events.empty() && s_.events.front() == body) s_.events.pop_front();
    }
    return true;
  }

  MqttPublisher::Shared& s_;
  MqttClient& client_;
  MqttState& known_;
  std::vector<MqttMessage>& announced_;
};

std::chrono::milliseconds MqttPause(int failures) {
  std::chrono::milliseconds pause = kMqttFirstPause;
  for (int i = 1; i < failures && pause < kMqttLongestPause; ++i) pause *= 2;
  return std::min(pause, kMqttLongestPause);
}

std::string MqttFailureReason(MqttConnect result) {
  switch (result) {
    case MqttConnect::kNotAuthorised:
      return "not_authorised";
    case MqttConnect::kCertificate:
      return "certificate";
    case MqttConnect::kNoTls:
      return "no_tls";
    case MqttConnect::kRefused:
      return "refused";
    case MqttConnect::kOk:
    case MqttConnect::kUnreachable:
      break;
  }
  return "";
}

MqttPublisher::MqttPublisher(std::unique_ptr<MqttClient> client, MqttSession session,
                             MqttIdentity identity, std::function<void()> wake,
                             std::size_t capacity)
    : shared_(std::make_shared<Shared>()) {
  shared_->client = std::move(client);
  shared_->session = std::move(session);
  shared_->identity = std::move(identity);
  shared_->wake = std::move(wake);
  shared_->capacity = capacity;
  thread_ = std::thread(&MqttPublisher::Work, shared_);
}

MqttPublisher::~MqttPublisher() {
  Stop();
}

void MqttPublisher::PublishState(MqttState state) {
  std::lock_guard lock(shared_->mutex);
  shared_->state = std::move(state);
  ++shared_->state_number;
}

void MqttPublisher::PublishEvent(std::string body) {
  std::lock_guard lock(shared_->mutex);
  if (shared_->events.size() >= shared_->capacity) {
    shared_->events.pop_front();
    ++shared_->dropped;
  }
  shared_->events.push_back(std::move(body));
}

std::vector<std::string> MqttPublisher::TakeFailures() {
  std::lock_guard lock(shared_->mutex);
  return std::exchange(shared_->failures, {});
}

int64_t MqttPublisher::DroppedEvents() const {
  std::lock_guard lock(shared_->mutex);
  return shared_->dropped;
}

bool MqttPublisher::Stop(std::chrono::milliseconds wait) {
  if (!thread_.joinable()) return true;
  std::unique_lock lock(shared_->mutex);
  shared_->stopping = true;
  shared_->signal.notify_all();
  const bool ended = shared_->signal.wait_for(lock, wait, [this] { return shared_->ended; });
  lock.unlock();
  if (ended)
    thread_.join();
  else
    thread_.detach();
  return ended;
}

void MqttPublisher::Work(const std::shared_ptr<Shared>& shared) {
  Shared& s = *shared;
  std::unique_lock lock(s.mutex);
  std::vector<std::string> said;  // the reasons said since the last connection
  MqttState known;                // the latest state seen, which discovery follows
  std::vector<MqttMessage> announced;
  int failures = 0;
  while (!s.stopping) {
    lock.unlock();
    const MqttConnect result = s.client->Connect(s.session, kMqttConnectWait);
    if (result == MqttConnect::kOk) {
      said.clear();
      const auto connected = std::chrono::steady_clock::now();
      MqttConnection(s, known, announced).Serve();
      // A connection that held a while starts the pauses again; one the broker keeps dropping
      // at once is tried again no faster than a refused one.
      if (std::chrono::steady_clock::now() - connected >= kMqttLongestPause) failures = 0;
    }
    const std::string reason = MqttFailureReason(result);
    const bool tell = !reason.empty() && std::find(said.begin(), said.end(), reason) == said.end();
    if (tell) said.push_back(reason);
    lock.lock();
    if (tell) s.failures.push_back(reason);
    if (tell && s.wake) s.wake();
    const auto stopping = [&s] { return s.stopping; };
    if (result == MqttConnect::kNoTls)
      s.signal.wait(lock, stopping);  // no attempt can do better
    else
      s.signal.wait_for(lock, MqttPause(++failures), stopping);
  }
  s.ended = true;
  s.signal.notify_all();
}

}  // namespace verdalin
