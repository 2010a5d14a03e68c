// The metrics endpoint: [Export] read and stored back, the start's checks, and the answers to
// each request.
#include "export/export_server.h"

#include <algorithm>
#include <cstdint>

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

HttpAnswer Text(int status, std::string_view body) {
  HttpAnswer answer;
  answer.status = status;
  answer.body = std::make_shared<const std::string>(body);
  return answer;
}

HttpAnswer Page(std::string content_type, std::shared_ptr<const std::string> body) {
  HttpAnswer answer;
  answer.status = 200;
  answer.content_type = std::move(content_type);
  answer.body = std::move(body);
  return answer;
}

HttpAnswer Page(std::string content_type, std::string body) {
  return Page(std::move(content_type), std::make_shared<const std::string>(std::move(body)));
}

bool IsLoopbackHost(std::string_view host) {
  return host == "localhost" || host == "::1" || host.starts_with("127.");
}

// The name of a Host header without its port: "name", "name:port", "[v6]" or "[v6]:port".
std::string_view HostName(std::string_view host) {
  std::size_t end = host.size();
  if (host.starts_with('[')) {
    end = host.find(']');
    return end == std::string_view::npos ? std::string_view() : host.substr(1, end - 1);
  }
  const std::size_t colon = host.rfind(':');
  if (colon != std::string_view::npos && host.find(':') == colon) end = colon;
  const std::string_view port = host.substr(std::min(end + 1, host.size()));
  if (port.find_first_not_of("0123456789") != std::string_view::npos) return {};
  return host.substr(0, end);
}

// Equal texts, in a time that depends on the length of `expected` only.
bool SameSecret(std::string_view given, std::string_view expected) {
  unsigned difference = given.size() != expected.size() ? 1u : 0u;
  for (std::size_t i = 0; i < expected.size(); ++i) {
    const char other = i < given.size() ? given[i] : '\0';
    difference |= static_cast<unsigned char>(expected[i] ^ other);
  }
  return difference == 0;
}

// "Basic <token>" with the scheme in any case and blanks around the token; "" otherwise.
std::string_view BasicToken(std::string_view authorization) {
  constexpr std::string_view kScheme = "basic";
  if (authorization.size() <= kScheme.size() || authorization[kScheme.size()] != ' ' ||
      LowerCase(authorization.substr(0, kScheme.size())) != kScheme)
    return {};
  std::string_view token = authorization.substr(kScheme.size());
  token.remove_prefix(std::min(token.find_first_not_of(' '), token.size()));
  return token.substr(0, token.find_last_not_of(' ') + 1);
}

std::vector<std::string> HostList(std::string_view text) {
  std::vector<std::string> hosts;
  for (std::size_t begin = 0; begin <= text.size();) {
    std::size_t comma = text.find(',', begin);
    if (comma == std::string_view::npos) comma = text.size();
    std::string name = LowerCase(TrimBlanks(text.substr(begin, comma - begin)));
    if (!name.empty()) hosts.push_back(std::move(name));
    begin = comma + 1;
  }
  return hosts;
}

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

EndpointPlan PlanEndpoint(const ExportLoaded& loaded, std::string_view listen) {
  const ExportSettings& settings = loaded.settings;
  EndpointPlan plan;
  if (!settings.user.empty() && settings.password.empty() && !loaded.password_garbled)
    plan.note = "user= without crypted_password= in [Export]: not started";
  else if (settings.user.empty() && (!settings.password.empty() || loaded.password_garbled))
    plan.note = "crypted_password= without user= in [Export]: not started";
  else if (loaded.password_garbled)
    plan.note =
        "crypted_password= in [Export] is not a stored password (verdalin "
        "--scramble-password writes one): not started";
  else if (const std::optional<ListenAddress> address = ParseListenAddress(listen); !address)
    plan.note = "cannot read the listen address " + std::string(listen);
  else
    plan.address = address;
  if (plan.address && !plan.address->loopback && settings.user.empty())
    plan.note = std::string(listen) + " is open beyond this computer without a password";
  return plan;
}

ExportSite::ExportSite(MetricsBoard& board, FileSystem& files, const Clock& clock,
                       ExportSettings settings, std::string version)
    : board_(board),
      files_(files),
      clock_(clock),
      settings_(std::move(settings)),
      version_(std::move(version)) {
  if (!settings_.user.empty() || !settings_.password.empty())
    credentials_ = settings_.user + ":" + settings_.password;
  hosts_ = {"localhost"};
  if (const std::optional<ListenAddress> address = ParseListenAddress(settings_.listen))
    hosts_.push_back(LowerCase(address->host));
  for (const std::string& host : settings_.hosts) hosts_.push_back(LowerCase(host));
}

bool ExportSite::KnownHost(std::string_view host) const {
  const std::string name = LowerCase(HostName(host));
  return !name.empty() && std::find(hosts_.begin(), hosts_.end(), name) != hosts_.end();
}

bool ExportSite::Authorised(std::string_view authorization) const {
  if (credentials_.empty()) return true;
  const std::string_view token = BasicToken(authorization);
  return !token.empty() && SameSecret(DecodeBase64(token), credentials_);
}

HttpAnswer ExportSite::Answer(const ServedRequest& request) {
  if (!KnownHost(request.host)) return Text(421, "Misdirected request\n");
  const std::string_view path = request.path;
  if (request.method != "GET" && request.method != "HEAD") return Text(404, "Not found\n");
  if (path != "/" && path != "/metrics" && path != "/status.json" && path != "/report")
    return Text(404, "Not found\n");
  if (!Authorised(request.authorization)) {
    HttpAnswer answer = Text(401, "Authentication needed\n");
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
  std::string hosts;
  for (const auto& [key, value] :
       {std::pair<std::string_view, std::string*>{"listen", &endpoint.listen},
        {"user", &endpoint.user},
        {"crypted_password", &endpoint.password},
        {"hosts", &hosts}}) {
    const std::string text = settings_file.Read(kExportGroup, key, "\x01");
    if (text == "\x01") continue;
    loaded.stored.push_back({std::string(key), text});
    *value = text;
  }
  loaded.password_garbled = !endpoint.password.empty() && !IsStoredPassword(endpoint.password);
  endpoint.password = loaded.password_garbled ? "" : LoadPassword(endpoint.password);
  endpoint.hosts = HostList(hosts);
  return loaded;
}

void StoreExport(IniFile& settings_file, const ExportLoaded& loaded) {
  for (const auto& [key, value] : loaded.stored) settings_file.Write(kExportGroup, key, value);
}

ExportSite::~ExportSite() {
  if (report_maker_.joinable()) report_maker_.join();
}

// Made again at most once a minute on a thread of its own, from the rows kept since the last time
// and those the log gained since (never the whole log again), or from the start for another data
// log; a log too long to hold is read again from the start of the period each time, counted as it
// goes. A request waits a moment for a page being made, then gets the one made before.
HttpAnswer ExportSite::Report() {
  const LineSnapshot snapshot = board_.Read();
  const int64_t now = CurrentDate(clock_);
  std::unique_lock lock(report_mutex_);
  const bool fresh = made_once_ && snapshot.data_log == cached_log_ && now >= cached_at_ &&
                     now - cached_at_ < kReportSeconds;
  if (!fresh && !making_) StartReport(snapshot, now);
  report_made_.wait_for(lock, kReportWait, [this] { return !making_; });
  if (making_ && !cached_report_) {
    HttpAnswer answer = Text(503, "The report is being made: try again in a few seconds\n");
    answer.headers.push_back({"Retry-After", "5"});
    return answer;
  }
  if (!making_ && no_history_) return Text(404, "No history to show yet\n");
  if (!cached_report_) return Text(404, "No history to show yet\n");
  return Page("text/html; charset=utf-8", cached_report_);
}

void ExportSite::StartReport(const LineSnapshot& snapshot, int64_t now) {
  if (report_maker_.joinable()) report_maker_.join();  // it has finished: making_ is false
  HistorySource source;
  source.log = snapshot.data_log;
  source.subscribed_kbps = static_cast<int32_t>(snapshot.subscribed_kbps);
  if (snapshot.have_sample) source.attainable_kbps = snapshot.sample.extras.attainable_kbps;
  source.thresholds = snapshot.thresholds;
  source.version = version_;
  making_ = true;
  report_maker_ = std::thread(&ExportSite::MakeReport, this, source, snapshot.data_log, now);
}

void ExportSite::MakeReport(const HistorySource& source, std::string log, int64_t now) {
  HistoryPage page = MakeHistoryPage(files_, clock_, source, RecentDays(clock_), follower_);
  std::lock_guard lock(report_mutex_);
  no_history_ = !page.html;
  if (page.html) cached_report_ = std::make_shared<const std::string>(std::move(*page.html));
  cached_log_ = std::move(log);
  cached_at_ = now;
  made_once_ = true;
  making_ = false;
  report_made_.notify_all();
}

}  // namespace verdalin
