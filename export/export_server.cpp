// The metrics endpoint: the answers to each request, and cpp-httplib serving them.
#include "export/export_server.h"

#include <httplib.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <thread>

#include "base/date_format.h"
#include "base/scramble.h"
#include "base/text_ops.h"
#include "monitor/event_log.h"
#include "report/history_page.h"

namespace verdalin {

namespace {

constexpr std::string_view kIndexPage =
    "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>Verdalin</title></head><body>\n"
    "<h1>Verdalin</h1>\n<ul>\n<li><a href=\"/metrics\">/metrics</a>: Prometheus metrics</li>\n"
    "<li><a href=\"/status.json\">/status.json</a>: the last poll, resyncs and events</li>\n"
    "<li><a href=\"/report\">/report</a>: the history report of the last 30 days</li>\n"
    "</ul>\n</body></html>\n";

// Workers answer the connections; beyond them a few wait, and beyond those the server stops
// accepting until a worker is free (the system's backlog holds the rest).
constexpr std::size_t kWorkers = 4;
constexpr std::size_t kWaiting = 16;

ExportAnswer Text(int status, std::string_view body) {
  ExportAnswer answer;
  answer.status = status;
  answer.body = std::string(body);
  return answer;
}

ExportAnswer Page(std::string content_type, std::string body) {
  ExportAnswer answer;
  answer.status = 200;
  answer.content_type = std::move(content_type);
  answer.body = std::move(body);
  return answer;
}

bool IsLoopbackHost(std::string_view host) {
  return host == "localhost" || host == "::1" || host.starts_with("127.");
}

// A bounded thread pool for cpp-httplib: enqueue waits while the queue is full.
class BoundedPool : public httplib::TaskQueue {
 public:
  BoundedPool() {
    for (std::size_t i = 0; i < kWorkers; ++i) threads_.emplace_back([this] { Work(); });
  }
  ~BoundedPool() override { shutdown(); }

  void enqueue(std::function<void()> job) override {
    std::unique_lock lock(mutex_);
    space_.wait(lock, [this] { return jobs_.size() < kWaiting || stopping_; });
    if (stopping_) return;
    jobs_.push_back(std::move(job));
    ready_.notify_one();
  }

  void shutdown() override {
    {
      std::lock_guard lock(mutex_);
      if (stopping_ && threads_.empty()) return;
      stopping_ = true;
    }
    ready_.notify_all();
    space_.notify_all();
    for (std::thread& thread : threads_) thread.join();
    threads_.clear();
  }

 private:
  void Work() {
    for (;;) {
      std::function<void()> job;
      {
        std::unique_lock lock(mutex_);
        ready_.wait(lock, [this] { return !jobs_.empty() || stopping_; });
        if (jobs_.empty()) return;
        job = std::move(jobs_.front());
        jobs_.pop_front();
      }
      space_.notify_one();
      job();
    }
  }

  std::mutex mutex_;
  std::condition_variable ready_, space_;
  std::deque<std::function<void()>> jobs_;
  std::vector<std::thread> threads_;
  bool stopping_ = false;
};

}  // namespace

std::optional<ListenAddress> ParseListenAddress(std::string_view text) {
  text = std::string_view(text).substr(0, text.find_last_not_of(' ') + 1);
  const std::size_t colon = text.rfind(':');
  if (colon == std::string_view::npos || colon + 1 == text.size()) return std::nullopt;
  const std::string_view port_text = text.substr(colon + 1);
  if (port_text.find_first_not_of("0123456789") != std::string_view::npos || port_text.size() > 5)
    return std::nullopt;
  ListenAddress address;
  address.port = ParseInteger(port_text);
  std::string_view host = text.substr(0, colon);
  if (host.size() > 2 && host.front() == '[' && host.back() == ']')
    host = host.substr(1, host.size() - 2);
  const bool literal = host.find_first_not_of("0123456789abcdefABCDEF.:") == std::string_view::npos;
  if (host.empty() || address.port > 65535 || !(literal || host == "localhost"))
    return std::nullopt;
  address.host = std::string(host);
  address.loopback = IsLoopbackHost(host);
  return address;
}

bool ExportSite::Authorised(std::string_view authorization) const {
  if (settings_.user.empty()) return true;
  constexpr std::string_view kBasic = "Basic ";
  if (!authorization.starts_with(kBasic)) return false;
  const std::string given = DecodeBase64(authorization.substr(kBasic.size()));
  return given == settings_.user + ":" + settings_.password;
}

ExportAnswer ExportSite::Answer(std::string_view method, std::string_view path,
                                std::string_view authorization) {
  if (method != "GET" && method != "HEAD") return Text(404, "Not found\n");
  if (path != "/" && path != "/metrics" && path != "/status.json" && path != "/report")
    return Text(404, "Not found\n");
  if (!Authorised(authorization)) {
    ExportAnswer answer = Text(401, "Authentication needed\n");
    answer.headers.push_back({"WWW-Authenticate", "Basic realm=\"Verdalin\", charset=\"UTF-8\""});
    return answer;
  }
  if (path == "/metrics")
    return Page("text/plain; version=0.0.4; charset=utf-8",
                PrometheusText(board_.Read(), version_));
  if (path == "/status.json") return Page("application/json", StatusJson(board_.Read()));
  if (path == "/report") return Report();
  return Page("text/html; charset=utf-8", std::string(kIndexPage));
}

ExportLoaded ReadExport(const IniFile& settings_file) {
  ExportLoaded loaded;
  ExportSettings& endpoint = loaded.settings;
  for (const auto& [key, value] :
       {std::pair<std::string_view, std::string*>{"listen", &endpoint.listen},
        {"user", &endpoint.user},
        {"crypted_password", &endpoint.password}}) {
    const std::string text = settings_file.Read(kExportGroup, key, "\x01");
    if (text == "\x01") continue;
    loaded.stored.push_back({std::string(key), text});
    *value = text;
  }
  endpoint.password = LoadPassword(endpoint.password);
  return loaded;
}

void StoreExport(IniFile& settings_file, const ExportLoaded& loaded) {
  for (const auto& [key, value] : loaded.stored) settings_file.Write(kExportGroup, key, value);
}

// Built again only when the logs changed (they only grow, so their sizes tell), when the data log
// is another one, or on a new day (the 30 days move on).
ExportAnswer ExportSite::Report() {
  const LineSnapshot snapshot = board_.Read();
  const std::string key = snapshot.data_log + "\n" +
                          std::to_string(files_.Stat(snapshot.data_log).size) + " " +
                          std::to_string(files_.Stat(EventLogPath(snapshot.data_log)).size) + " " +
                          std::to_string(CurrentDate(clock_) / 86400);
  std::lock_guard lock(report_mutex_);
  if (key != cached_key_ || cached_report_.empty()) {
    HistorySource source;
    source.log = snapshot.data_log;
    source.subscribed_kbps = static_cast<int32_t>(snapshot.subscribed_kbps);
    source.thresholds = snapshot.thresholds;
    source.version = version_;
    HistoryPage page = MakeHistoryPage(files_, clock_, source, RecentDays(clock_));
    if (!page.html) return Text(404, "No history to show yet\n");
    cached_report_ = std::move(*page.html);
    cached_key_ = key;
  }
  return Page("text/html; charset=utf-8", cached_report_);
}

namespace {

// How long one connection may last, requests kept alive included, whatever pace its client keeps.
constexpr std::chrono::seconds kConnectionTime{5};

// Ends connections that outlive kConnectionTime: the library bounds each read, not a request, so
// a client sending a byte at a time would hold a worker for as long as it liked. The watch's
// thread sleeps while no connection is open.
class ConnectionWatch {
 public:
  ConnectionWatch() : thread_([this] { Watch(); }) {}
  ~ConnectionWatch() {
    {
      std::lock_guard lock(mutex_);
      stopping_ = true;
    }
    changed_.notify_all();
    thread_.join();
  }
  void Add(socket_t sock) {
    std::lock_guard lock(mutex_);
    open_[sock] = std::chrono::steady_clock::now() + kConnectionTime;
    changed_.notify_all();
  }
  // Before the socket is closed, so that the watch never touches a number given out again.
  void Remove(socket_t sock) {
    std::lock_guard lock(mutex_);
    // The last connection gone, the watch sleeps until the next one instead of at its deadline.
    if (open_.erase(sock) == 1 && open_.empty()) changed_.notify_all();
  }

 private:
  void Watch() {
    std::unique_lock lock(mutex_);
    while (!stopping_) {
      if (open_.empty()) {
        changed_.wait(lock);
        continue;
      }
      auto earliest = open_.begin()->second;
      for (const auto& entry : open_) earliest = std::min(earliest, entry.second);
      changed_.wait_until(lock, earliest);
      const auto now = std::chrono::steady_clock::now();
      for (auto entry = open_.begin(); entry != open_.end();) {
        if (entry->second > now) {
          ++entry;
          continue;
        }
        httplib::detail::shutdown_socket(entry->first);  // its reads and writes end at once
        entry = open_.erase(entry);
      }
    }
  }

  std::mutex mutex_;
  std::condition_variable changed_;
  std::map<socket_t, std::chrono::steady_clock::time_point> open_;
  bool stopping_ = false;
  std::thread thread_;
};

// The library's server with each connection under the watch; the rest is the library's own
// handling of a connection.
class WatchedServer : public httplib::Server {
 private:
  bool process_and_close_socket(socket_t sock) override {
    watch_.Add(sock);
    const bool kept = httplib::detail::process_server_socket(
        svr_sock_, sock, keep_alive_max_count_, keep_alive_timeout_sec_, read_timeout_sec_,
        read_timeout_usec_, write_timeout_sec_, write_timeout_usec_,
        [this](httplib::Stream& stream, bool close_connection, bool& connection_closed) {
          return process_request(stream, close_connection, connection_closed, nullptr);
        });
    watch_.Remove(sock);
    httplib::detail::shutdown_socket(sock);
    httplib::detail::close_socket(sock);
    return kept;
  }

  ConnectionWatch watch_;
};

}  // namespace

struct ExportServer::Http {
  WatchedServer server;
};

ExportServer::ExportServer(ExportSite& site) : site_(site), http_(std::make_unique<Http>()) {
  httplib::Server& server = http_->server;
  server.new_task_queue = [] { return new BoundedPool(); };
  server.set_read_timeout(2, 0);
  server.set_write_timeout(5, 0);
  server.set_keep_alive_timeout(2);
  server.set_keep_alive_max_count(20);
  server.set_payload_max_length(4096);
  // The head and the body go out as two writes: on a kept connection Nagle's algorithm would
  // hold the body until the client's delayed acknowledgement, 40 ms later.
  server.set_tcp_nodelay(true);
#ifdef _WIN32
  server.set_idle_interval(1, 0);  // the accept loop's check for the end, once a second
#endif
  server.set_pre_routing_handler(
      [this](const httplib::Request& request, httplib::Response& response) {
        const ExportAnswer answer =
            site_.Answer(request.method, request.path, request.get_header_value("Authorization"));
        response.status = answer.status;
        for (const auto& [name, value] : answer.headers) response.set_header(name, value);
        response.set_content(answer.body, answer.content_type.c_str());
        return httplib::Server::HandlerResponse::Handled;
      });
}

ExportServer::~ExportServer() {
  Stop();
}

std::optional<std::string> ExportServer::Start(const ListenAddress& address) {
  httplib::Server& server = http_->server;
  const bool bound = address.port == 0 ? (port_ = server.bind_to_any_port(address.host)) > 0
                                       : server.bind_to_port(address.host, address.port);
  if (!bound) return "cannot listen on " + address.host + ":" + std::to_string(address.port);
  if (address.port != 0) port_ = address.port;
  thread_ = std::thread([&server] { server.listen_after_bind(); });
  return std::nullopt;
}

void ExportServer::Stop() {
  if (!thread_.joinable()) return;
  http_->server.stop();
  thread_.join();
}

}  // namespace verdalin
