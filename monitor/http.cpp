// The HTTP rule book: addresses, redirects, credentials, the 401 answer, size, length and time.
#include "monitor/http.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdio>
#include <utility>

#include "base/scramble.h"
#include "base/text_ops.h"

namespace verdalin {

namespace {

using Answer = HttpTransport::Answer;
using std::chrono::milliseconds;
constexpr auto kNone = std::string_view::npos;

std::string_view Trimmed(std::string_view text) {
  const size_t first = text.find_first_not_of(" \t\r\n");
  if (first == kNone) return {};
  return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

bool SameText(std::string_view a, std::string_view b) {
  return a.size() == b.size() && LowerCase(a) == LowerCase(b);
}

// The scheme an address starts with, in lower case; empty when it starts with none.
std::string SchemeOf(std::string_view url) {
  const size_t colon = url.find(':');
  if (colon == kNone || colon == 0 || !std::isalpha(static_cast<unsigned char>(url[0]))) return {};
  for (char c : url.substr(0, colon))
    if (!std::isalnum(static_cast<unsigned char>(c)) && c != '+' && c != '-' && c != '.') return {};
  return LowerCase(url.substr(0, colon));
}

// The target with every byte outside 33-126 percent-escaped, so that both clients send the same
// request line; "/" in front when it has none.
std::string EscapedTarget(std::string_view target) {
  std::string out = target.empty() || target[0] != '/' ? "/" : "";
  for (unsigned char c : target) {
    char escaped[4];
    std::snprintf(escaped, sizeof escaped, "%%%02X", c);
    out += c > 32 && c < 127 ? std::string(1, static_cast<char>(c)) : std::string(escaped);
  }
  return out;
}

bool PlainHost(std::string_view host) {
  if (host.empty()) return false;
  if (host.front() == '[') return host.size() > 2 && host.back() == ']';
  return std::none_of(host.begin(), host.end(), [](unsigned char c) {
    return c <= 32 || c >= 127 || c == ':' || c == '[' || c == ']' || c == '\\';
  });
}

bool ReadPort(std::string_view text, uint16_t* port) {
  unsigned value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || value == 0 || value > 65535)
    return false;
  *port = static_cast<uint16_t>(value);
  return true;
}

// Host and port of "login:password@host:port"; the login and password are dropped.
bool ReadAuthority(std::string_view authority, HttpAddress* address) {
  const size_t at = authority.rfind('@');
  if (at != kNone) authority.remove_prefix(at + 1);
  std::string_view host = authority;
  std::string_view port;
  const size_t colon = authority.rfind(':');
  const size_t bracket = authority.rfind(']');
  if (colon != kNone && (bracket == kNone || colon > bracket)) {
    host = authority.substr(0, colon);
    port = authority.substr(colon + 1);
  }
  if (!PlainHost(host)) return false;
  address->host = std::string(host);
  address->port = address->secure ? 443 : 80;
  return port.empty() || ReadPort(port, &address->port);
}

// The path without "." and ".." segments, as a browser resolves it; `path` starts with "/".
std::string RemoveDotSegments(std::string_view path) {
  std::vector<std::string_view> kept;
  bool directory = false;
  for (size_t start = 1; start <= path.size();) {
    const size_t end = std::min(path.find('/', start), path.size());
    const std::string_view segment = path.substr(start, end - start);
    directory = segment == "." || segment == "..";
    if (segment == ".." && !kept.empty()) kept.pop_back();
    if (!directory) kept.push_back(segment);
    start = end + 1;
  }
  std::string out;
  for (std::string_view segment : kept) out += "/" + std::string(segment);
  return directory || out.empty() ? out + "/" : out;
}

// The target a reference without scheme or host leads to from `base` (a path and query).
std::string MergedTarget(std::string_view base, std::string_view reference) {
  reference = reference.substr(0, reference.find('#'));
  const std::string_view base_path = base.substr(0, base.find('?'));
  if (reference.empty()) return std::string(base);
  if (reference.front() == '?') return std::string(base_path) + std::string(reference);
  const size_t query = std::min(reference.find('?'), reference.size());
  std::string path(reference.substr(0, query));
  if (path.front() != '/') path = std::string(base_path.substr(0, base_path.rfind('/') + 1)) + path;
  return RemoveDotSegments(path) + std::string(reference.substr(query));
}

// The Content-Length the head announces: -1 when none, -2 when it is not one plain number.
int64_t AnnouncedLength(const std::vector<HttpHeader>& headers) {
  int64_t length = -1;
  for (const HttpHeader& header : headers) {
    if (!SameText(header.name, "Content-Length")) continue;
    const std::string text = TrimBlanks(header.value);
    int64_t value = -1;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < 0 ||
        (length >= 0 && value != length))
      return -2;
    length = value;
  }
  return length;
}

// Whether the body is as long as announced, where an announced length counts: not beside a
// Transfer-Encoding, and not on an answer that has no body.
bool LengthAsAnnounced(const Answer& answer, const std::string& method) {
  if (method == "HEAD" || answer.status < 200 || answer.status == 204 || answer.status == 304 ||
      FindHeader(answer.headers, "Transfer-Encoding") != nullptr)
    return true;
  const int64_t announced = AnnouncedLength(answer.headers);
  return announced == -1 ||
         (announced >= 0 && static_cast<uint64_t>(announced) == answer.body.size());
}

bool IsRedirect(int status) {
  return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

bool GivesCredentials(const HttpRequest& request) {
  return request.send_credentials && (!request.login.empty() || !request.password.empty());
}

}  // namespace

const std::string* FindHeader(const std::vector<HttpHeader>& headers, std::string_view name) {
  for (const HttpHeader& header : headers)
    if (SameText(header.name, name)) return &header.value;
  return nullptr;
}

void AddHeaderLine(std::vector<HttpHeader>& headers, std::string_view line) {
  if (Trimmed(line).empty()) return;
  if ((line[0] == ' ' || line[0] == '\t') && !headers.empty()) {
    headers.back().value += " " + std::string(Trimmed(line));
    return;
  }
  const size_t colon = line.find(':');
  const std::string_view value = colon == kNone ? std::string_view() : line.substr(colon + 1);
  headers.push_back({std::string(Trimmed(line.substr(0, colon))), std::string(Trimmed(value))});
}

std::string HttpAddress::Url() const {
  const bool usual_port = port == (secure ? 443 : 80);
  return (secure ? "https://" : "http://") + host +
         (usual_port ? std::string() : ":" + std::to_string(port)) + target;
}

bool HttpAddress::SameServer(const HttpAddress& other) const {
  return secure == other.secure && port == other.port && SameText(host, other.host);
}

std::optional<HttpAddress> ParseHttpAddress(std::string_view url) {
  const std::string scheme = SchemeOf(url);
  if (scheme != "http" && scheme != "https") return std::nullopt;
  std::string_view rest = url.substr(scheme.size() + 1);
  if (rest.substr(0, 2) != "//") return std::nullopt;
  rest.remove_prefix(2);
  const size_t end = std::min(rest.find_first_of("/?#"), rest.size());
  HttpAddress address;
  address.secure = scheme == "https";
  if (!ReadAuthority(rest.substr(0, end), &address)) return std::nullopt;
  const std::string_view target = rest.substr(end);
  address.target = EscapedTarget(target.substr(0, target.find('#')));
  return address;
}

std::optional<HttpAddress> ResolveLocation(const HttpAddress& base, std::string_view location) {
  const std::string reference = TrimBlanks(location);
  if (!SchemeOf(reference).empty()) return ParseHttpAddress(reference);
  if (reference.rfind("//", 0) == 0)
    return ParseHttpAddress((base.secure ? "https:" : "http:") + reference);
  HttpAddress next = base;
  next.target = EscapedTarget(MergedTarget(base.target, reference));
  return next;
}

// One request's way through redirects and the 401 answer, within one deadline.
class HttpClient::Journey {
 public:
  Journey(HttpClient& client, const HttpRequest& request, const HttpAddress& named,
          CancelToken& cancel)
      : client_(client),
        request_(request),
        named_(named),
        target_(named),
        method_(request.method),
        body_(request.body),
        deadline_(client.now_() + client.limits_.total_timeout),
        cancel_(cancel) {}

  HttpResponse Run() {
    bool basic_sent = false;
    for (int redirects = 0;; ++redirects) {
      Answer answer = Exchange(false);
      if (!basic_sent && RefusedWithoutChallenge(answer)) {
        basic_sent = true;
        answer = Exchange(true);
      }
      if (answer.error != HttpError::kNone) return {answer.error};
      if (!Redirects(answer)) return Final(std::move(answer));
      if (redirects == client_.limits_.max_redirects || !Follow(answer))
        return {HttpError::kBroken};
    }
  }

 private:
  bool CredentialsHere() const { return GivesCredentials(request_) && target_.SameServer(named_); }

  // One exchange with the target, in the time left; with `basic_up_front` the credentials go as
  // an Authorization header instead of to the transport.
  Answer Exchange(bool basic_up_front) {
    if (cancel_.Cancelled()) return {HttpError::kCancelled};
    const auto left = std::chrono::duration_cast<milliseconds>(deadline_ - client_.now_());
    if (left.count() <= 0) return {HttpError::kTimedOut};
    HttpTransport::Exchange exchange{method_, target_.Url(), Headers(basic_up_front), body_};
    if (CredentialsHere() && !basic_up_front) {
      exchange.login = &request_.login;
      exchange.password = &request_.password;
    }
    exchange.digest_only = request_.digest_only;
    exchange.read_body = request_.read_body;
    exchange.max_body_bytes = client_.limits_.max_body_bytes;
    exchange.connect_timeout = std::min(client_.limits_.connect_timeout, left);
    exchange.total_timeout = left;
    Answer answer = client_.transport_.Send(exchange, cancel_);
    if (cancel_.Cancelled()) return {HttpError::kCancelled};
    if (!request_.read_body) answer.body.clear();
    if (answer.body.size() > client_.limits_.max_body_bytes) return {HttpError::kTooLarge};
    return answer;
  }

  std::vector<HttpHeader> Headers(bool basic_up_front) const {
    std::vector<HttpHeader> headers = {{"Cache-Control", "no-cache"}, {"Pragma", "no-cache"}};
    headers.insert(headers.end(), request_.headers.begin(), request_.headers.end());
    if (basic_up_front)
      headers.push_back(
          {"Authorization", "Basic " + EncodeBase64(request_.login + ":" + request_.password)});
    return headers;
  }

  // A 401 without any challenge from the named server while credentials are set.
  bool RefusedWithoutChallenge(const Answer& answer) const {
    return answer.error == HttpError::kNone && answer.status == 401 && CredentialsHere() &&
           !request_.digest_only && FindHeader(answer.headers, "WWW-Authenticate") == nullptr;
  }

  bool Redirects(const Answer& answer) const {
    return request_.follow_redirects && IsRedirect(answer.status) &&
           FindHeader(answer.headers, "Location") != nullptr;
  }

  // Moves on to where the answer points; a POST turns into a GET as browsers do (303 always,
  // 301 and 302 for a POST), 307 and 308 keep the method and body.
  bool Follow(const Answer& answer) {
    const std::optional<HttpAddress> next =
        ResolveLocation(target_, *FindHeader(answer.headers, "Location"));
    if (!next) return false;
    target_ = *next;
    const bool to_get = answer.status == 303 || (answer.status <= 302 && method_ == "POST");
    if (to_get && method_ != "HEAD") {
      method_ = "GET";
      body_.clear();
    }
    return true;
  }

  HttpResponse Final(Answer answer) const {
    if (request_.read_body && !LengthAsAnnounced(answer, method_)) return {HttpError::kBroken};
    return {HttpError::kNone, answer.status, std::move(answer.headers), std::move(answer.body)};
  }

  HttpClient& client_;
  const HttpRequest& request_;
  const HttpAddress named_;
  HttpAddress target_;
  std::string method_;
  std::string body_;
  const std::chrono::steady_clock::time_point deadline_;
  CancelToken& cancel_;
};

HttpClient::HttpClient(HttpTransport& transport, HttpLimits limits, Now now)
    : transport_(transport), limits_(limits), now_(std::move(now)) {
  if (!now_) now_ = [] { return std::chrono::steady_clock::now(); };
}

HttpResponse HttpClient::Send(const HttpRequest& request, CancelToken& cancel) {
  const std::optional<HttpAddress> named = ParseHttpAddress(request.url);
  if (!named) return {HttpError::kNotHttp};
  return Journey(*this, request, *named, cancel).Run();
}

}  // namespace verdalin
