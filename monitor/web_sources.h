// The line sources that speak HTTP to a device: TR-064 (SOAP actions) and OpenWrt (ubus over
// JSON-RPC), each over the one HTTP rule book.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "monitor/http.h"
#include "monitor/line_source.h"
#include "monitor/tr064.h"

namespace verdalin {

// Reads the device description once per session (again after a failure or a new address), then
// posts the DSL interface's GetInfo and GetStatisticsTotal at each reading; DeviceInfo's answer is
// asked once per session. Credentials go with Digest only over plain HTTP.
class Tr064Source : public LineSource {
 public:
  Tr064Source(std::unique_ptr<HttpTransport> transport, const HttpLimits& limits);
  ~Tr064Source() override;
  LineReading Read(const MonitorConfig& config, CancelToken& cancel) override;

 private:
  struct Session;
  bool Open(const HttpAddress& base, CancelToken& cancel);
  std::optional<std::string> Post(Tr064Action action, const MonitorConfig& config,
                                  CancelToken& cancel);

  std::unique_ptr<HttpTransport> transport_;
  HttpClient client_;
  std::unique_ptr<Session> session_;
};

// Logs in (unless the login is empty: the null session serves), keeps the ubus session until a
// call is refused, renews it once then, and calls `dsl metrics`.
class UbusSource : public LineSource {
 public:
  UbusSource(std::unique_ptr<HttpTransport> transport, const HttpLimits& limits);
  LineReading Read(const MonitorConfig& config, CancelToken& cancel) override;

 private:
  enum class Call { kAnswered, kRefused, kFailed };
  Call Metrics(const std::string& url, LineReading& reading, CancelToken& cancel);
  bool LogIn(const std::string& url, const MonitorConfig& config, CancelToken& cancel,
             LineReading& reading);
  std::optional<std::string> PostJson(const std::string& url, std::string body,
                                      CancelToken& cancel);

  std::unique_ptr<HttpTransport> transport_;
  HttpClient client_;
  std::string url_;      // of the session
  std::string login_;    // that opened it
  std::string session_;  // empty: none yet
  int64_t next_id_ = 1;
};

// The ubus endpoint an OpenWrt address names: its path, or "/ubus" when it has none.
std::optional<std::string> UbusUrl(const std::string& address);

}  // namespace verdalin
