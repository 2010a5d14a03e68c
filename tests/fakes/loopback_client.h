// A raw HTTP client on loopback for the server's tests and benchmark: it sends exactly the bytes
// it is given, as a hostile client would, and reads back what the server answers.
#pragma once

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>
#endif

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

namespace verdalin {

class LoopbackConnection {
 public:
  explicit LoopbackConnection(int port) {
#ifdef _WIN32
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
#endif
    socket_ = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<unsigned short>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    connected_ = ::connect(socket_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    int on = 1;
    setsockopt(socket_, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<char*>(&on), sizeof on);
  }
  ~LoopbackConnection() {
#ifdef _WIN32
    closesocket(socket_);
    WSACleanup();
#else
    ::close(socket_);
#endif
  }
  LoopbackConnection(const LoopbackConnection&) = delete;
  LoopbackConnection& operator=(const LoopbackConnection&) = delete;

  bool Connected() const {
    return connected_;
  }

  // False once the server has closed or reset the connection.
  bool Send(std::string_view bytes) {
    while (!bytes.empty()) {
      const auto sent = ::send(socket_, bytes.data(), static_cast<int>(bytes.size()), kNoSignal);
      if (sent <= 0) return false;
      bytes.remove_prefix(static_cast<std::size_t>(sent));
    }
    return true;
  }

  // One answer: its head and as many body bytes as its Content-Length gives (none for the answer
  // to a HEAD). What came when the connection ended or `limit` passed first.
  std::string ReadAnswer(std::chrono::milliseconds limit, bool head_only = false) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!FirstAnswer(head_only) && Receive(deadline)) {
    }
    std::string answer = pending_.substr(0, FirstAnswer(head_only).value_or(pending_.size()));
    pending_.erase(0, answer.size());
    return answer;
  }

  // True when the server closes the connection (or resets it) within `limit`; what it sent
  // before that is kept for ReadAnswer.
  bool ClosedWithin(std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (Receive(deadline)) {
    }
    return closed_;
  }

 private:
#ifdef _WIN32
  using Socket = SOCKET;
  static constexpr int kNoSignal = 0;
#else
  using Socket = int;
  static constexpr int kNoSignal = MSG_NOSIGNAL;
#endif

  // Waits for more bytes until `deadline`; false when none can come any more or it passed.
  bool Receive(std::chrono::steady_clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (closed_ || left.count() <= 0) return false;
#ifdef _WIN32
    const DWORD wait = static_cast<DWORD>(left.count());
#else
    const timeval wait{static_cast<time_t>(left.count() / 1000),
                       static_cast<suseconds_t>(left.count() % 1000 * 1000)};
#endif
    setsockopt(socket_, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&wait), sizeof wait);
    char buffer[16384];
    const auto got = ::recv(socket_, buffer, sizeof buffer, 0);
    if (got > 0) {
      pending_.append(buffer, static_cast<std::size_t>(got));
      return true;
    }
    closed_ = got == 0 || !TimedOut();
    return false;
  }

  static bool TimedOut() {
#ifdef _WIN32
    return WSAGetLastError() == WSAETIMEDOUT;
#else
    return errno == EAGAIN || errno == EWOULDBLOCK;
#endif
  }

  // The size of the first answer waiting, once all of it is there: its head, and its body as
  // its Content-Length gives unless `head_only`.
  std::optional<std::size_t> FirstAnswer(bool head_only) const {
    const std::size_t head_end = pending_.find("\r\n\r\n");
    if (head_end == std::string::npos) return std::nullopt;
    std::size_t size = head_end + 4;
    const std::size_t length = pending_.find("\r\nContent-Length: ");
    if (!head_only && length < head_end)
      size += std::strtoul(pending_.c_str() + length + 18, nullptr, 10);
    if (pending_.size() < size) return std::nullopt;
    return size;
  }

  Socket socket_;
  bool connected_ = false;
  bool closed_ = false;
  std::string pending_;
};

// The status of an answer's first line, 0 when there is none.
inline int StatusOf(std::string_view answer) {
  if (!answer.starts_with("HTTP/1.") || answer.size() < 12) return 0;
  return std::atoi(std::string(answer.substr(9, 3)).c_str());
}

// A new connection, the request, and its answer ("" when the server closed without one).
inline std::string Exchange(int port, std::string_view request,
                            std::chrono::milliseconds limit = std::chrono::seconds(5)) {
  LoopbackConnection connection(port);
  connection.Send(request);
  return connection.ReadAnswer(limit);
}

}  // namespace verdalin
