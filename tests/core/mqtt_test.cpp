// The MQTT settings, state, discovery and publisher, against a scripted client.
#include <gtest/gtest.h>

#include <cmath>
#include <condition_variable>
#include <mutex>

#include "base/scramble.h"
#include "export/mqtt_publisher.h"
#include "fakes/fake_file_system.h"

namespace verdalin {

namespace {

TEST(Mqtt, BrokerAddresses) {
  struct Case {
    const char* text;
    const char* host;  // nullptr: refused
    int port;
    bool tls;
  };
  for (const Case& c :
       std::initializer_list<Case>{{"mqtt://ha.lan", "ha.lan", 1883, false},
                                   {"MQTTS://ha.lan/", "ha.lan", 8883, true},
                                   {"mqtt://10.0.0.2:1999", "10.0.0.2", 1999, false},
                                   {"mqtts://[::1]:8884", "::1", 8884, true},
                                   {"http://ha.lan", nullptr},
                                   {"mqtt://", nullptr},
                                   {"mqtt://ha.lan:", nullptr},
                                   {"mqtt://ha.lan:0", nullptr},
                                   {"mqtt://ha.lan:65536", nullptr},
                                   {"mqtt://user:pw@ha.lan", nullptr},
                                   {"mqtt://ha.lan/x", nullptr},
                                   {"mqtt://::1", nullptr}}) {
    const std::optional<MqttBroker> broker = ParseBroker(c.text);
    ASSERT_EQ(broker.has_value(), c.host != nullptr) << c.text;
    if (broker)
      EXPECT_EQ(std::tie(broker->host, broker->port, broker->tls), std::tie(c.host, c.port, c.tls))
          << c.text;
  }
}

// Bad values fall back and are stored so; a missing or empty topic comes from the host name.
TEST(Mqtt, SettingsFallBackAndAreStoredBack) {
  FakeFileSystem disk;
  disk.files["s.ini"] =
      "[MQTT]\r\nbroker=ftp://x\r\ncrypted_password=**\r\ntopic=a/#\r\n"
      "discovery_prefix=\r\n";
  MqttLoaded bad = ReadMqtt(IniFile(disk, "s.ini"), "My-PC.Local");
  EXPECT_FALSE(bad.settings.broker);
  EXPECT_EQ(bad.settings.topic, "verdalin/my_pc_local");
  EXPECT_EQ(bad.settings.node, "my_pc_local");
  EXPECT_EQ(bad.settings.discovery_prefix, "");  // empty turns discovery off
  EXPECT_NE(bad.problem.find("broker="), std::string::npos) << bad.problem;
  EXPECT_NE(bad.problem.find("topic="), std::string::npos) << bad.problem;
  IniFile file(disk, "s.ini");
  StoreMqtt(file, bad);
  ASSERT_TRUE(file.Save());
  EXPECT_EQ(disk.files["s.ini"],
            "[MQTT]\r\nbroker=\r\ncrypted_password=\r\ntopic=verdalin/my_pc_local\r\n"
            "discovery_prefix=\r\nuser=\r\nca_file=\r\n");
  disk.files["s.ini"] =
      "[MQTT]\r\nbroker=mqtts://b:1\r\nuser=u\r\ncrypted_password=" + StorePassword("pw") +
      "\r\ntopic=home/Dsl Box\r\n";
  const MqttSettings good = ReadMqtt(IniFile(disk, "s.ini"), "").settings;
  EXPECT_EQ(std::tie(good.broker->host, good.user, good.password, good.node),
            std::tie("b", "u", "pw", "dsl_box"));
  EXPECT_EQ(good.discovery_prefix, "homeassistant");
  disk.files["s.ini"] = "[MQTT]\r\ntopic=\r\n";  // empty as missing: the default, unsaid
  const MqttLoaded empty = ReadMqtt(IniFile(disk, "s.ini"), "pc");
  EXPECT_EQ(empty.settings.topic + empty.problem, "verdalin/pc");
}

LineSnapshot Polled(PollOutcome outcome) {
  LineSnapshot s;
  s.polled = s.have_sample = true;
  s.last_outcome = outcome;
  s.last_poll_unix_time = 1'796'700'000;  // 2026-12-08 03:20:00 UTC
  s.sample.Connected = 1;
  s.sample.Downstream_kbps = 17904;
  s.sample.Upstream_kbps = std::nanf("");
  s.sample.SNR_local = 6.4f;
  s.sample.Device = "LiveBox";
  s.sample.extras.attainable_kbps[kNearEnd] = 20000;
  s.resyncs_total = 3;
  return s;
}

// Values the poll did not read, or that do not hold, are left out; the time has its offset.
TEST(Mqtt, StateLeavesOutWhatThePollDidNotRead) {
  const MqttState ok = StateOf(Polled(PollOutcome::kSample), -(5 * 3600 + 1800));
  EXPECT_EQ(ok.json.rfind(R"({"time":"2026-12-07T21:50:00-05:30","result":"ok",)", 0), 0u);
  for (const char* part : {R"("rate_down_kbps":17904,)", R"("attainable_down_kbps":20000,)",
                           R"("snr_margin_down_db":6.4,)", R"("resyncs_total":3})"})
    EXPECT_NE(ok.json.find(part), std::string::npos) << part << " in " << ok.json;
  for (const char* absent : {"rate_up_kbps", "attainable_up_kbps", "crc_errors_far", "firmware"})
    EXPECT_EQ(ok.json.find(absent), std::string::npos) << absent << " in " << ok.json;
  const MqttState away = StateOf(Polled(PollOutcome::kUnreachable), 3600, 2);
  EXPECT_EQ(away.json, R"({"time":"2026-12-08T04:20:00+01:00","result":"unreachable",)"
                       R"("resyncs_today":0,"resyncs_total":3,"events_dropped":2})");
  EXPECT_EQ(away.sensors, ok.sensors);  // an unreachable gateway takes no sensor away
}

// Each sensor the source gives is announced, each other one removed, and nothing removed before a
// sample says which they are.
TEST(Mqtt, DiscoveryFollowsTheSource) {
  const MqttIdentity id{"verdalin/n", "n", "ha", "1.0"};
  const auto topics = [&id](const MqttState& state, bool announced) {
    std::vector<std::string> out;
    for (const MqttMessage& m : DiscoveryMessages(id, state))
      if (m.payload.empty() != announced)
        out.push_back(m.topic.substr(m.topic.rfind('/', m.topic.size() - 8) + 1));
    return out;
  };
  const MqttState state = StateOf(Polled(PollOutcome::kSample), 0);
  EXPECT_EQ(topics(state, false),
            (std::vector<std::string>{"rate_up_kbps/config", "attainable_up_kbps/config",
                                      "crc_errors_far/config"}));
  EXPECT_EQ(topics(state, true).size(), 12u);
  const MqttState before = StateOf(LineSnapshot{}, 0);
  EXPECT_EQ(topics(before, true),
            (std::vector<std::string>{"resyncs_today/config", "resyncs_total/config"}));
  EXPECT_TRUE(topics(before, false).empty());
  EXPECT_TRUE(DiscoveryMessages({"t", "n", "", "1.0"}, state).empty());
}

TEST(Mqtt, PausesGrowToAMinute) {
  std::vector<long long> seconds;
  for (int failures : {1, 2, 3, 6, 7, 50}) seconds.push_back(MqttPause(failures).count() / 1000);
  EXPECT_EQ(seconds, (std::vector<long long>{1, 2, 4, 32, 60, 60}));
}

// A client whose first connection waits for the test; it records what it is given.
class ScriptedClient : public MqttClient {
 public:
  struct Shared {
    std::mutex mutex;
    std::condition_variable changed;
    bool open = false;
    std::vector<MqttMessage> published;
    std::vector<MqttMessage> to_receive;
    bool disconnected = false;
    template <typename P>
    bool WaitFor(P predicate) {
      std::unique_lock lock(mutex);
      return changed.wait_for(lock, std::chrono::seconds(20), predicate);
    }
  };
  explicit ScriptedClient(std::shared_ptr<Shared> shared) : s_(std::move(shared)) {}
  MqttConnect Connect(const MqttSession&, std::chrono::milliseconds) override {
    std::unique_lock lock(s_->mutex);
    s_->changed.wait(lock, [this] { return s_->open; });
    return MqttConnect::kOk;
  }
  bool Publish(const MqttMessage& message) override {
    std::lock_guard lock(s_->mutex);
    s_->published.push_back(message);
    s_->changed.notify_all();
    return true;
  }
  bool Subscribe(const std::string&) override { return true; }
  bool Run(std::chrono::milliseconds, std::vector<MqttMessage>& received) override {
    std::lock_guard lock(s_->mutex);
    received = std::exchange(s_->to_receive, {});
    return true;
  }
  void Disconnect(std::chrono::milliseconds) override {
    std::lock_guard lock(s_->mutex);
    s_->disconnected = true;
  }

 private:
  std::shared_ptr<Shared> s_;
};

// While away only the latest state is kept and the oldest events go; once connected "online"
// comes first, then discovery, the state and the events; "online" from Home Assistant announces
// again; the end says "offline" and disconnects.
TEST(Mqtt, PublisherKeepsTheLatestAndAnnouncesAgain) {
  auto shared = std::make_shared<ScriptedClient::Shared>();
  MqttPublisher publisher(std::make_unique<ScriptedClient>(shared), {}, {"t", "n", "ha", "1"},
                          nullptr, 4);
  publisher.PublishState(StateOf(LineSnapshot{}, 0));
  publisher.PublishState(StateOf(Polled(PollOutcome::kSample), 0));
  for (const char* event : {"e1", "e2", "e3", "e4", "e5", "e6"}) publisher.PublishEvent(event);
  const auto count = [&shared](std::string_view suffix) {
    return std::count_if(shared->published.begin(), shared->published.end(),
                         [suffix](const MqttMessage& m) { return m.topic.ends_with(suffix); });
  };
  {
    std::lock_guard lock(shared->mutex);
    shared->open = true;
    shared->changed.notify_all();
  }
  ASSERT_TRUE(shared->WaitFor([&] { return count("t/event") == 4; }));
  EXPECT_EQ(publisher.DroppedEvents(), 2);
  {
    std::lock_guard lock(shared->mutex);
    const std::vector<MqttMessage>& p = shared->published;
    EXPECT_EQ(p.front().topic + " " + p.front().payload, "t/availability online");
    EXPECT_EQ(count("t/state"), 1);
    EXPECT_NE(std::find_if(p.begin(), p.end(), [](auto& m) { return m.topic == "t/state"; })
                  ->payload.find("17904"),
              std::string::npos);
    EXPECT_EQ(p.back().payload, "e6");
    EXPECT_EQ(p[p.size() - 4].payload, "e3");
    shared->to_receive = {{"ha/status", "online", false}};
  }
  const auto announced = count("/config");
  ASSERT_TRUE(shared->WaitFor([&] { return count("/config") == 2 * announced; }));
  EXPECT_TRUE(publisher.Stop());
  EXPECT_EQ(shared->published.back().payload, "offline");
  EXPECT_TRUE(shared->disconnected);
}

}  // namespace

}  // namespace verdalin
