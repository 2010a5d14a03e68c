// The metrics endpoint: what each request gets (/metrics, /status.json, /report, /), and the
// HTTP server that answers on a thread of its own from the snapshots the poll publishes.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

#include "base/clock.h"
#include "base/file_system.h"
#include "base/ini_store.h"
#include "export/line_metrics.h"

namespace verdalin {

inline constexpr std::string_view kExportGroup = "Export";
inline constexpr std::string_view kDefaultHeadlessListen = "127.0.0.1:9469";

// [Export]: where to listen ("host:port"; empty: off), and optional Basic credentials, the
// password scrambled in the settings file as the gateway's is.
struct ExportSettings {
  std::string listen;
  std::string user;
  std::string password;
};

// [Export] as the settings file gives it, the password unscrambled, and the keys that were there
// with their texts, to be stored back as they were.
struct ExportLoaded {
  ExportSettings settings;
  std::vector<std::pair<std::string, std::string>> stored;
};
ExportLoaded ReadExport(const IniFile& settings_file);
void StoreExport(IniFile& settings_file, const ExportLoaded& loaded);

struct ListenAddress {
  std::string host;  // an IPv4 or IPv6 literal, or "localhost"
  int port = 0;      // 0: any free port
  bool loopback = true;
};
// "127.0.0.1:9469", "[::1]:9469", "0.0.0.0:9469", "localhost:9469"; nothing when it does not read.
std::optional<ListenAddress> ParseListenAddress(std::string_view text);

struct ExportAnswer {
  int status = 404;
  std::string content_type = "text/plain; charset=utf-8";
  std::string body;
  std::vector<std::pair<std::string, std::string>> headers;
};

// Decides every request, on the server's threads. Only GET and HEAD of the four pages; 404 for
// anything else. Nothing it answers holds a credential, the gateway's address or a file path.
class ExportSite {
 public:
  ExportSite(MetricsBoard& board, FileSystem& files, const Clock& clock, ExportSettings settings,
             std::string version)
      : board_(board),
        files_(files),
        clock_(clock),
        settings_(std::move(settings)),
        version_(std::move(version)) {}

  ExportAnswer Answer(std::string_view method, std::string_view path,
                      std::string_view authorization);

 private:
  bool Authorised(std::string_view authorization) const;
  ExportAnswer Report();

  MetricsBoard& board_;
  FileSystem& files_;
  const Clock& clock_;
  ExportSettings settings_;
  std::string version_;
  std::mutex report_mutex_;  // one report built at a time, and its cache
  std::string cached_report_;
  std::string cached_key_;  // the data log, both logs' sizes and the day of the cached page
};

// The server: cpp-httplib on a thread of its own, with bounded request lines, headers, time
// limits and connections.
class ExportServer {
 public:
  explicit ExportServer(ExportSite& site);
  ~ExportServer();
  ExportServer(const ExportServer&) = delete;
  ExportServer& operator=(const ExportServer&) = delete;

  // Binds and starts answering; the error line when it cannot.
  std::optional<std::string> Start(const ListenAddress& address);
  // The port bound (the one asked, or the free one found for port 0); 0 before Start.
  int Port() const { return port_; }
  void Stop();

 private:
  struct Http;
  ExportSite& site_;
  std::unique_ptr<Http> http_;
  std::thread thread_;
  int port_ = 0;
};

}  // namespace verdalin
