// The MQTT client over libmosquitto, run by the publisher's one thread (no thread of the
// library's own): QoS 0, a clean session, MQTT 3.1.1.
#include <mosquitto.h>

#include <mutex>

#include "export/mqtt_client.h"

namespace verdalin {

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kSliceMs = 100;

MqttConnect ConnectFailure(int rc) {
  switch (rc) {
    case MOSQ_ERR_TLS:
    case MOSQ_ERR_TLS_HANDSHAKE:
      return MqttConnect::kCertificate;
    case MOSQ_ERR_AUTH:
      return MqttConnect::kNotAuthorised;
    case MOSQ_ERR_NOT_SUPPORTED:
      return MqttConnect::kNoTls;
    default:
      return MqttConnect::kUnreachable;
  }
}

class MosquittoClient : public MqttClient {
 public:
  MosquittoClient() {
    static std::once_flag started;
    std::call_once(started, [] { mosquitto_lib_init(); });
  }
  ~MosquittoClient() override { Drop(); }

  MqttConnect Connect(const MqttSession& session, std::chrono::milliseconds wait) override {
    Drop();
    mosq_ = mosquitto_new(session.client_id.c_str(), true, this);
    if (mosq_ == nullptr) return MqttConnect::kRefused;
    Prepare(session);
    if (session.broker.tls) {
      if (const int rc = SetTls(session.ca_file); rc != MOSQ_ERR_SUCCESS)
        return rc == MOSQ_ERR_NOT_SUPPORTED ? MqttConnect::kNoTls : MqttConnect::kCertificate;
    }
    connack_ = -1;
    int rc = mosquitto_connect(mosq_, session.broker.host.c_str(), session.broker.port,
                               session.keepalive_s);
    const Clock::time_point deadline = Clock::now() + wait;
    while (rc == MOSQ_ERR_SUCCESS && connack_ < 0 && Clock::now() < deadline)
      rc = mosquitto_loop(mosq_, kSliceMs, 1);
    // A refusal's answer comes with the loop's error: the answer tells more.
    if (connack_ < 0)
      return rc != MOSQ_ERR_SUCCESS ? ConnectFailure(rc) : MqttConnect::kUnreachable;
    if (connack_ == 0) return MqttConnect::kOk;
    // 4: bad user name or password, 5: not authorised.
    return connack_ == 4 || connack_ == 5 ? MqttConnect::kNotAuthorised : MqttConnect::kRefused;
  }

  bool Publish(const MqttMessage& message) override {
    if (mosq_ == nullptr) return false;
    return mosquitto_publish(mosq_, nullptr, message.topic.c_str(),
                             static_cast<int>(message.payload.size()),
                             message.payload.empty() ? nullptr : message.payload.data(), 0,
                             message.retained) == MOSQ_ERR_SUCCESS;
  }

  bool Subscribe(const std::string& topic) override {
    return mosq_ != nullptr &&
           mosquitto_subscribe(mosq_, nullptr, topic.c_str(), 0) == MOSQ_ERR_SUCCESS;
  }

  bool Run(std::chrono::milliseconds wait, std::vector<MqttMessage>& received) override {
    if (mosq_ == nullptr) return false;
    received_ = &received;
    const int rc = mosquitto_loop(mosq_, static_cast<int>(wait.count()), 1);
    received_ = nullptr;
    return rc == MOSQ_ERR_SUCCESS;
  }

  void Disconnect(std::chrono::milliseconds wait) override {
    if (mosq_ == nullptr) return;
    const Clock::time_point deadline = Clock::now() + wait;
    while (mosquitto_want_write(mosq_) && Clock::now() < deadline &&
           mosquitto_loop(mosq_, kSliceMs, 1) == MOSQ_ERR_SUCCESS) {
    }
    mosquitto_disconnect(mosq_);
    while (mosquitto_want_write(mosq_) && Clock::now() < deadline &&
           mosquitto_loop(mosq_, kSliceMs, 1) == MOSQ_ERR_SUCCESS) {
    }
    Drop();
  }

 private:
  void Prepare(const MqttSession& session) {
    mosquitto_int_option(mosq_, MOSQ_OPT_PROTOCOL_VERSION, MQTT_PROTOCOL_V311);
    mosquitto_connect_callback_set(mosq_, [](mosquitto*, void* self, int rc) {
      static_cast<MosquittoClient*>(self)->connack_ = rc;
    });
    mosquitto_message_callback_set(
        mosq_, [](mosquitto*, void* self, const mosquitto_message* message) {
          auto* client = static_cast<MosquittoClient*>(self);
          if (client->received_ == nullptr || message->topic == nullptr) return;
          const char* payload = static_cast<const char*>(message->payload);
          client->received_->push_back(
              {message->topic,
               payload ? std::string(payload, static_cast<std::size_t>(message->payloadlen)) : "",
               message->retain});
        });
    if (!session.user.empty())
      mosquitto_username_pw_set(mosq_, session.user.c_str(),
                                session.password.empty() ? nullptr : session.password.c_str());
    if (!session.will_topic.empty())
      mosquitto_will_set(mosq_, session.will_topic.c_str(),
                         static_cast<int>(session.will_payload.size()), session.will_payload.data(),
                         0, true);
  }

  // The broker's certificate is always verified, host name included: against the CA file, or
  // the system's store when there is none.
  int SetTls(const std::string& ca_file) {
    const int rc = ca_file.empty() ? mosquitto_int_option(mosq_, MOSQ_OPT_TLS_USE_OS_CERTS, 1)
                                   : mosquitto_tls_set(mosq_, ca_file.c_str(), nullptr, nullptr,
                                                       nullptr, nullptr);
    if (rc != MOSQ_ERR_SUCCESS) return rc;
    mosquitto_tls_insecure_set(mosq_, false);
    return mosquitto_tls_opts_set(mosq_, 1, nullptr, nullptr);
  }

  void Drop() {
    if (mosq_ != nullptr) mosquitto_destroy(mosq_);
    mosq_ = nullptr;
  }

  mosquitto* mosq_ = nullptr;
  int connack_ = -1;  // the broker's answer to the connection; -1 before it came
  std::vector<MqttMessage>* received_ = nullptr;
};

}  // namespace

std::unique_ptr<MqttClient> MakeMqttClient() {
  return std::make_unique<MosquittoClient>();
}

}  // namespace verdalin
