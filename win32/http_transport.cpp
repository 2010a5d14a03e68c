// The HTTP transport on Windows with WinInet: one exchange, direct, reloaded, no redirect.
#include <windows.h>
// After windows.h, which they need.
#include <bcrypt.h>
#include <wininet.h>

#include <algorithm>
#include <chrono>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "base/text_ops.h"
#include "monitor/http.h"
#include "monitor/http_digest.h"

namespace verdalin {

namespace {

using Clock = std::chrono::steady_clock;
using Exchange = HttpTransport::Exchange;
using Answer = HttpTransport::Answer;
constexpr DWORD kReadChunk = 2048;

// No cookies, no dialogue, nothing read from or written to the cache, no redirect followed.
constexpr DWORD kRequestFlags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE |
                                INTERNET_FLAG_NO_AUTO_REDIRECT | INTERNET_FLAG_NO_COOKIES |
                                INTERNET_FLAG_NO_UI;

// The WinInet handles of one exchange. Another thread may close them all to cancel it: WinInet's
// blocking calls on a closed handle return at once (but see CancelToken about Wine).
class Handles {
 public:
  Handles() = default;
  Handles(const Handles&) = delete;
  Handles& operator=(const Handles&) = delete;
  ~Handles() { CloseAll(); }
  // Keeps `handle` to close; null (and the handle closed) once CloseAll has run.
  HINTERNET Keep(HINTERNET handle) {
    std::lock_guard lock(mutex_);
    if (closed_ && handle != nullptr) InternetCloseHandle(handle);
    if (closed_ || handle == nullptr) return nullptr;
    open_.push_back(handle);
    return handle;
  }
  void CloseAll() {
    std::lock_guard lock(mutex_);
    closed_ = true;
    for (auto handle = open_.rbegin(); handle != open_.rend(); ++handle)
      InternetCloseHandle(*handle);
    open_.clear();
  }

 private:
  std::mutex mutex_;
  std::vector<HINTERNET> open_;
  bool closed_ = false;
};

// Milliseconds left before the deadline, 0 once it has passed.
DWORD MillisecondsLeft(Clock::time_point deadline) {
  auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
  return left.count() > 0 ? static_cast<DWORD>(left.count()) : 0;
}

// Set on every handle: Wine takes the receive and send time-outs only from the connection and
// request handles.
void SetTimeouts(HINTERNET handle, const Exchange& exchange) {
  DWORD connect = static_cast<DWORD>(std::max<long long>(1, exchange.connect_timeout.count()));
  DWORD transfer = static_cast<DWORD>(std::max<long long>(1, exchange.total_timeout.count()));
  InternetSetOptionA(handle, INTERNET_OPTION_CONNECT_TIMEOUT, &connect, sizeof connect);
  InternetSetOptionA(handle, INTERNET_OPTION_RECEIVE_TIMEOUT, &transfer, sizeof transfer);
  InternetSetOptionA(handle, INTERNET_OPTION_SEND_TIMEOUT, &transfer, sizeof transfer);
}

HINTERNET KeepWithTimeouts(Handles& handles, HINTERNET handle, const Exchange& exchange) {
  handle = handles.Keep(handle);
  if (handle != nullptr) SetTimeouts(handle, exchange);
  return handle;
}

// A request on a session and connection of its own. WinInet leaves percent escapes undecoded and
// cannot take "/", "#" or "@" in credentials inside an address, so they go to InternetConnectA,
// and only when given: WinInet then answers the server's challenge itself and still returns the
// body of a refused login.
HINTERNET OpenRequest(Handles& handles, const HttpAddress& address, const Exchange& exchange,
                      bool credentials) {
  const HINTERNET session = KeepWithTimeouts(
      handles, InternetOpenA("QX@INET", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0), exchange);
  if (session == nullptr) return nullptr;
  std::string host = address.host;
  if (host.front() == '[') host = host.substr(1, host.size() - 2);
  const HINTERNET connection = KeepWithTimeouts(
      handles,
      InternetConnectA(
          session, host.c_str(), address.port, credentials ? exchange.login->c_str() : nullptr,
          credentials ? exchange.password->c_str() : nullptr, INTERNET_SERVICE_HTTP, 0, 0),
      exchange);
  if (connection == nullptr) return nullptr;
  const DWORD flags = kRequestFlags | (address.secure ? INTERNET_FLAG_SECURE : 0) |
                      (credentials ? 0 : INTERNET_FLAG_NO_AUTH);
  return KeepWithTimeouts(
      handles,
      HttpOpenRequestA(connection, exchange.method.c_str(), address.target.c_str(), nullptr,
                       nullptr, nullptr, flags, 0),
      exchange);
}

// Wine ends a wait for the answer that passed the receive time-out as an aborted connection
// (12030), not as a time-out (12002): any failure past the deadline counts as the time-out.
HttpError ErrorOf(DWORD error, Clock::time_point deadline) {
  if (MillisecondsLeft(deadline) == 0) return HttpError::kTimedOut;
  switch (error) {
    case ERROR_INTERNET_INVALID_URL:
    case ERROR_INTERNET_UNRECOGNIZED_SCHEME:
      return HttpError::kNotHttp;
    case ERROR_INTERNET_NAME_NOT_RESOLVED:
    case ERROR_INTERNET_CANNOT_CONNECT:
      return HttpError::kUnreachable;
    case ERROR_INTERNET_TIMEOUT:
      return HttpError::kTimedOut;
    default:
      return HttpError::kBroken;
  }
}

// Sends the request with its header lines (and an Authorization line when one is given) and
// body; returns once the answer's head has come.
bool SendRequest(HINTERNET request, const Exchange& exchange, const std::string& authorization) {
  std::string head;
  for (const HttpHeader& header : exchange.headers)
    head += header.name + ": " + header.value + "\r\n";
  if (!authorization.empty()) head += "Authorization: " + authorization + "\r\n";
  return HttpSendRequestA(request, head.empty() ? nullptr : head.c_str(),
                          static_cast<DWORD>(head.size()),
                          exchange.body.empty() ? nullptr : const_cast<char*>(exchange.body.data()),
                          static_cast<DWORD>(exchange.body.size())) != FALSE;
}

// The answer's head as text: its status line, then one line per header.
std::string RawHead(HINTERNET request) {
  std::string text(4096, '\0');
  DWORD size = static_cast<DWORD>(text.size());
  while (!HttpQueryInfoA(request, HTTP_QUERY_RAW_HEADERS_CRLF, text.data(), &size, nullptr)) {
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER) return {};
    text.resize(size + 1);
    size = static_cast<DWORD>(text.size());
  }
  text.resize(size);
  return text;
}

bool ReadHead(HINTERNET request, Answer* answer) {
  DWORD status = 0;
  DWORD size = sizeof status;
  if (!HttpQueryInfoA(request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size,
                      nullptr))
    return false;
  answer->status = static_cast<int>(status);
  const std::string head = RawHead(request);
  for (size_t start = head.find('\n'); start < head.size();) {
    const size_t end = std::min(head.find('\n', start + 1), head.size());
    AddHeaderLine(answer->headers, std::string_view(head).substr(start + 1, end - start - 1));
    start = end;
  }
  return true;
}

// Reads the body in chunks of at most 2048 bytes, each after a pause of 10 ms, until a read
// gives nothing or the body holds more than `limit` bytes. WinInet's read waits until the whole
// chunk has come, so each read asks only for what is already there: a server that trickles bytes
// cannot hold the loop past the deadline.
HttpError ReadBody(HINTERNET request, Clock::time_point deadline, std::size_t limit,
                   std::string* body) {
  char buffer[kReadChunk];
  while (body->size() <= limit) {
    Sleep(10);
    DWORD left = MillisecondsLeft(deadline);
    if (left == 0) return HttpError::kTimedOut;
    // A server that stops sending part-way waits no longer than the deadline.
    InternetSetOptionA(request, INTERNET_OPTION_RECEIVE_TIMEOUT, &left, sizeof left);
    DWORD ready = 0;
    if (!InternetQueryDataAvailable(request, &ready, 0, 0) || MillisecondsLeft(deadline) == 0)
      return ErrorOf(GetLastError(), deadline);
    DWORD read = 0;
    if (!InternetReadFile(request, buffer, std::min(std::max<DWORD>(ready, 1), kReadChunk), &read))
      return ErrorOf(GetLastError(), deadline);
    if (read == 0) break;
    body->append(buffer, std::min<std::size_t>(read, limit + 1 - body->size()));
  }
  return HttpError::kNone;
}

// Bytes as lower-case hexadecimal digits.
std::string Hex(const unsigned char* bytes, std::size_t size) {
  std::string hex;
  for (std::size_t i = 0; i < size; ++i) {
    hex += "0123456789abcdef"[bytes[i] >> 4];
    hex += "0123456789abcdef"[bytes[i] & 15];
  }
  return hex;
}

// The MD5 digest in hexadecimal, by the system's cryptography (CNG).
std::string Md5(std::string_view bytes) {
  BCRYPT_ALG_HANDLE algorithm = nullptr;
  BCRYPT_HASH_HANDLE hash = nullptr;
  unsigned char digest[16] = {};
  bool done = BCryptOpenAlgorithmProvider(&algorithm, BCRYPT_MD5_ALGORITHM, nullptr, 0) == 0 &&
              BCryptCreateHash(algorithm, &hash, nullptr, 0, nullptr, 0, 0) == 0 &&
              BCryptHashData(hash, reinterpret_cast<PUCHAR>(const_cast<char*>(bytes.data())),
                             static_cast<ULONG>(bytes.size()), 0) == 0 &&
              BCryptFinishHash(hash, digest, sizeof digest, 0) == 0;
  if (hash != nullptr) BCryptDestroyHash(hash);
  if (algorithm != nullptr) BCryptCloseAlgorithmProvider(algorithm, 0);
  return done ? Hex(digest, sizeof digest) : std::string();
}

// A fresh client nonce from the system's random generator.
std::string ClientNonce() {
  unsigned char random[16] = {};
  BCryptGenRandom(nullptr, random, sizeof random, BCRYPT_USE_SYSTEM_PREFERRED_RNG);
  return Hex(random, sizeof random);
}

class WinInetTransport : public HttpTransport {
 public:
  Answer Send(const Exchange& exchange, CancelToken& cancel) override {
    const std::optional<HttpAddress> address = ParseHttpAddress(exchange.url);
    if (!address) return {HttpError::kNotHttp};
    const Clock::time_point deadline = Clock::now() + exchange.total_timeout;
    Handles handles;
    cancel.OnCancel([&handles] { handles.CloseAll(); });
    Answer answer = Sent(handles, *address, exchange, deadline);
    cancel.OnCancel({});
    if (cancel.Cancelled()) return {HttpError::kCancelled};
    return answer;
  }

 private:
  // WinInet answers a Basic challenge itself, and a Digest one on Windows but not under Wine; it
  // never gets the credentials with digest_only. A Digest challenge it left unanswered gets a
  // second request with the Authorization computed here.
  static Answer Sent(Handles& handles, const HttpAddress& address, const Exchange& exchange,
                     Clock::time_point deadline) {
    const bool credentials = exchange.login != nullptr;
    Answer answer =
        Once(handles, address, exchange, credentials && !exchange.digest_only, {}, deadline);
    if (!credentials || answer.status != 401) return answer;
    const std::optional<DigestChallenge> challenge = FindDigestChallenge(answer.headers);
    if (!challenge) return answer;
    const std::string cnonce = ClientNonce();
    const std::string authorization = DigestAuthorization(
        *challenge, {exchange.method, address.target, *exchange.login, *exchange.password, cnonce},
        Md5);
    return Once(handles, address, exchange, false, authorization, deadline);
  }

  static Answer Once(Handles& handles, const HttpAddress& address, const Exchange& exchange,
                     bool credentials, const std::string& authorization,
                     Clock::time_point deadline) {
    const HINTERNET request = OpenRequest(handles, address, exchange, credentials);
    if (request == nullptr) return {HttpError::kBroken};
    if (!SendRequest(request, exchange, authorization)) return {ErrorOf(GetLastError(), deadline)};
    Answer answer;
    if (!ReadHead(request, &answer)) return {HttpError::kBroken};
    if (exchange.read_body)
      answer.error = ReadBody(request, deadline, exchange.max_body_bytes, &answer.body);
    if (answer.error != HttpError::kNone) return {answer.error};
    return answer;
  }
};

}  // namespace

std::unique_ptr<HttpTransport> MakePlatformHttpTransport() {
  return std::make_unique<WinInetTransport>();
}

}  // namespace verdalin
