// The MQTT client the publisher runs on: what a connection is made with and what it can do,
// declared here and realised in net/ over a third-party library.
#pragma once

#include <chrono>
#include <memory>
#include <string>
#include <vector>

namespace verdalin {

struct MqttBroker {
  std::string host;
  int port = 1883;
  bool tls = false;
};

// Everything one connection is made with; the last will is retained.
struct MqttSession {
  MqttBroker broker;
  std::string ca_file;  // TLS: empty trusts the system's store; certificates are always verified
  std::string user;
  std::string password;
  std::string client_id;
  std::string will_topic;
  std::string will_payload;
  int keepalive_s = 60;
};

// How a connection attempt ended.
enum class MqttConnect {
  kOk,
  kUnreachable,    // no connection, or none in the time allowed
  kNotAuthorised,  // the broker refused the user name or password
  kCertificate,    // TLS failed: the broker's certificate was not trusted, or the handshake broke
  kNoTls,          // this build of the library cannot make TLS connections
  kRefused,        // the broker refused for another reason (protocol, client id)
};

struct MqttMessage {
  std::string topic;
  std::string payload;
  bool retained = false;
};

// One connection at a time, used by one thread only.
class MqttClient {
 public:
  virtual ~MqttClient() = default;
  // Connects and waits at most `wait` for the broker's answer.
  virtual MqttConnect Connect(const MqttSession& session, std::chrono::milliseconds wait) = 0;
  // Queues the message (QoS 0); false when not connected.
  virtual bool Publish(const MqttMessage& message) = 0;
  virtual bool Subscribe(const std::string& topic) = 0;
  // Runs the connection for about `wait`: sends what is queued, keeps it alive and appends what
  // arrived to `received`. False once the connection is lost.
  virtual bool Run(std::chrono::milliseconds wait, std::vector<MqttMessage>& received) = 0;
  // Sends what is still queued (for at most `wait`) and closes the connection cleanly, so that the
  // broker does not send the last will.
  virtual void Disconnect(std::chrono::milliseconds wait) = 0;
};

// net/mqtt_client.cpp: a client over libmosquitto.
std::unique_ptr<MqttClient> MakeMqttClient();

}  // namespace verdalin
