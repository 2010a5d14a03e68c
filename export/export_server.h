// The metrics endpoint: its settings, and what each request gets (/metrics, /status.json, /report,
// /) from the snapshots the poll publishes, answered by the HTTP server of export/http_server.h.
#pragma once

#include <chrono>
#include <condition_variable>
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
#include "export/http_server.h"
#include "export/line_metrics.h"
#include "report/history_page.h"

namespace verdalin {

inline constexpr std::string_view kExportGroup = "Export";
inline constexpr std::string_view kDefaultHeadlessListen = "127.0.0.1:9469";

// [Export]: where to listen ("host:port"; empty: off), optional Basic credentials, the password
// scrambled in the settings file as the gateway's is, and the names besides the listening
// address and "localhost" that a request's Host header may give (hosts=, comma-separated).
struct ExportSettings {
  std::string listen;
  std::string user;
  std::string password;
  std::vector<std::string> hosts;
};

// [Export] as the settings file gives it, the password unscrambled, and the keys that were there
// with their texts, to be stored back as they were.
struct ExportLoaded {
  ExportSettings settings;
  bool password_garbled = false;  // crypted_password= holds something no password is stored as
  std::vector<std::pair<std::string, std::string>> stored;
};
ExportLoaded ReadExport(const IniFile& settings_file);
void StoreExport(IniFile& settings_file, const ExportLoaded& loaded);

// "127.0.0.1:9469", "[::1]:9469", "0.0.0.0:9469", "localhost:9469"; nothing when it does not read.
std::optional<ListenAddress> ParseListenAddress(std::string_view text);

// What starting the endpoint at `listen` with these settings comes to: the address, or none and
// the line that says why it does not start (an address that does not read, half the credentials,
// a garbled password); with an address, a warning to say once it listens (an address other than
// loopback without credentials).
struct EndpointPlan {
  std::optional<ListenAddress> address;
  std::optional<std::string> note;
};
EndpointPlan PlanEndpoint(const ExportLoaded& loaded, std::string_view listen);

// Decides every request: a Host header that names neither the listening address, "localhost" nor
// one of hosts= gets 421 (a page on another site, whose name was made to point here, cannot read
// the endpoint through the user's browser); then only GET and HEAD of the four pages, 404 for
// anything else. Nothing it answers holds a credential, the gateway's address or a file path.
class ExportSite : public HttpHandler {
 public:
  ExportSite(MetricsBoard& board, FileSystem& files, const Clock& clock, ExportSettings settings,
             std::string version);

  ~ExportSite() override;

  HttpAnswer Answer(const ServedRequest& request) override;

 private:
  bool KnownHost(std::string_view host) const;
  bool Authorised(std::string_view authorization) const;
  HttpAnswer Report();

  MetricsBoard& board_;
  FileSystem& files_;
  const Clock& clock_;
  ExportSettings settings_;
  std::string credentials_;         // "user:password", "" without authentication
  std::vector<std::string> hosts_;  // the names a Host header may give, in lower case
  std::string version_;
  static constexpr int64_t kReportSeconds = 60;  // the page is made at most this often
  // A request waits this long for the page being made, then gets the page made before (or 503).
  static constexpr std::chrono::milliseconds kReportWait{800};
  void StartReport(const LineSnapshot& snapshot, int64_t now);
  void MakeReport(const HistorySource& source, std::string log, int64_t now);

  std::mutex report_mutex_;  // the page made last, and the one being made
  std::condition_variable report_made_;
  std::thread report_maker_;  // one page made at a time, off the requests' threads
  bool making_ = false;
  // The data log's rows of the last days, read as it grows: at most 30 days polled every 10 s.
  LogFollower follower_{1 << 18};
  std::shared_ptr<const std::string> cached_report_;
  bool no_history_ = false;  // the last page made found no row to show
  std::string cached_log_;   // the data log of the cached page, and when it was made
  int64_t cached_at_ = 0;
  bool made_once_ = false;
};

}  // namespace verdalin
