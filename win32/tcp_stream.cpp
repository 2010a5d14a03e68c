// TCP streams over Winsock: a connect and reads with time limits, each ended soon by a cancel.
#include <winsock2.h>
#include <ws2tcpip.h>

#include <algorithm>

#include "monitor/byte_stream.h"

namespace verdalin {

namespace {

using std::chrono::milliseconds;
using std::chrono::steady_clock;

// The longest wait between two looks at the cancel token.
constexpr milliseconds kSlice{100};
constexpr DWORD kSendMilliseconds = 20000;

// Waits until the socket can be read (or, `for_write`, written or its connect failed) before
// `deadline`, in slices; false on time-out, cancel or error.
bool AwaitSocket(SOCKET socket, bool for_write, steady_clock::time_point deadline,
                 CancelToken& cancel) {
  while (!cancel.Cancelled()) {
    const auto left = std::chrono::duration_cast<milliseconds>(deadline - steady_clock::now());
    if (left.count() <= 0) return false;
    const long slice = static_cast<long>(std::min(left, kSlice).count());
    timeval wait{0, slice * 1000};
    fd_set ready, failed;
    FD_ZERO(&ready);
    FD_ZERO(&failed);
    FD_SET(socket, &ready);
    FD_SET(socket, &failed);
    const int count =
        select(0, for_write ? nullptr : &ready, for_write ? &ready : nullptr, &failed, &wait);
    if (count == SOCKET_ERROR) return false;
    if (count > 0) return FD_ISSET(socket, &ready) != 0;
  }
  return false;
}

class WinsockStream : public ByteStream {
 public:
  explicit WinsockStream(SOCKET socket) : socket_(socket) {}
  ~WinsockStream() override { closesocket(socket_); }
  WinsockStream(const WinsockStream&) = delete;
  WinsockStream& operator=(const WinsockStream&) = delete;

  std::optional<std::string> Read(milliseconds wait, CancelToken& cancel) override {
    if (cancel.Cancelled()) return std::nullopt;
    if (!AwaitSocket(socket_, false, steady_clock::now() + wait, cancel))
      return cancel.Cancelled() ? std::nullopt : std::optional<std::string>(std::string());
    char buffer[16384];
    const int got = recv(socket_, buffer, sizeof buffer, 0);
    if (got > 0) return std::string(buffer, static_cast<std::size_t>(got));
    if (got < 0 && WSAGetLastError() == WSAEWOULDBLOCK) return std::string();
    return std::nullopt;
  }

  bool Write(std::string_view bytes) override {
    while (!bytes.empty()) {
      const int part = static_cast<int>(std::min<std::size_t>(bytes.size(), 1 << 20));
      const int sent = send(socket_, bytes.data(), part, 0);
      if (sent <= 0) return false;
      bytes.remove_prefix(static_cast<std::size_t>(sent));
    }
    return true;
  }

 private:
  SOCKET socket_;
};

// A connected socket to one address, blocking again once connected; INVALID_SOCKET when none
// came in time.
SOCKET ConnectOne(const addrinfo& address, steady_clock::time_point deadline, CancelToken& cancel) {
  const SOCKET socket = WSASocketW(address.ai_family, SOCK_STREAM, IPPROTO_TCP, nullptr, 0,
                                   WSA_FLAG_OVERLAPPED | WSA_FLAG_NO_HANDLE_INHERIT);
  if (socket == INVALID_SOCKET) return INVALID_SOCKET;
  u_long non_blocking = 1;
  ioctlsocket(socket, FIONBIO, &non_blocking);
  int error = 0;
  int length = sizeof error;
  const bool started =
      connect(socket, address.ai_addr, static_cast<int>(address.ai_addrlen)) == 0 ||
      WSAGetLastError() == WSAEWOULDBLOCK;
  if (!started || !AwaitSocket(socket, true, deadline, cancel) ||
      getsockopt(socket, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &length) != 0 ||
      error != 0) {
    closesocket(socket);
    return INVALID_SOCKET;
  }
  non_blocking = 0;
  ioctlsocket(socket, FIONBIO, &non_blocking);
  const DWORD send_limit = kSendMilliseconds;
  setsockopt(socket, SOL_SOCKET, SO_SNDTIMEO, reinterpret_cast<const char*>(&send_limit),
             sizeof send_limit);
  const BOOL on = TRUE;
  setsockopt(socket, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&on), sizeof on);
  return socket;
}

}  // namespace

std::unique_ptr<ByteStream> ConnectTcp(const std::string& host, std::uint16_t port,
                                       milliseconds limit, CancelToken& cancel) {
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  if (getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found) != 0) return nullptr;
  const steady_clock::time_point deadline = steady_clock::now() + limit;
  SOCKET socket = INVALID_SOCKET;
  for (const addrinfo* address = found; address && socket == INVALID_SOCKET;
       address = address->ai_next)
    socket = ConnectOne(*address, deadline, cancel);
  freeaddrinfo(found);
  if (socket == INVALID_SOCKET) return nullptr;
  return std::make_unique<WinsockStream>(socket);
}

}  // namespace verdalin
