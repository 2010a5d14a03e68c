// TCP streams over POSIX sockets: a connect and reads with time limits, each ended soon by a
// cancel.
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "monitor/byte_stream.h"

namespace verdalin {

namespace {

using std::chrono::milliseconds;
using std::chrono::steady_clock;

// The longest wait between two looks at the cancel token.
constexpr milliseconds kSlice{100};
constexpr int kSendSeconds = 20;

// Waits for `events` on the socket until `deadline`, in slices; false on time-out, cancel or
// error.
bool AwaitSocket(int fd, short events, steady_clock::time_point deadline, CancelToken& cancel) {
  while (!cancel.Cancelled()) {
    const auto left = std::chrono::duration_cast<milliseconds>(deadline - steady_clock::now());
    if (left.count() <= 0) return false;
    pollfd entry{fd, events, 0};
    const int ready = poll(&entry, 1, static_cast<int>(std::min(left, kSlice).count()));
    if (ready > 0) return true;
    if (ready < 0 && errno != EINTR) return false;
  }
  return false;
}

class PosixStream : public ByteStream {
 public:
  explicit PosixStream(int fd) : fd_(fd) {}
  ~PosixStream() override { close(fd_); }
  PosixStream(const PosixStream&) = delete;
  PosixStream& operator=(const PosixStream&) = delete;

  std::optional<std::string> Read(milliseconds wait, CancelToken& cancel) override {
    if (cancel.Cancelled()) return std::nullopt;
    if (!AwaitSocket(fd_, POLLIN, steady_clock::now() + wait, cancel))
      return cancel.Cancelled() ? std::nullopt : std::optional<std::string>(std::string());
    char buffer[16384];
    const ssize_t got = recv(fd_, buffer, sizeof buffer, 0);
    if (got > 0) return std::string(buffer, static_cast<std::size_t>(got));
    if (got < 0 && (errno == EINTR || errno == EAGAIN)) return std::string();
    return std::nullopt;
  }

  bool Write(std::string_view bytes) override {
    while (!bytes.empty()) {
      const ssize_t sent = send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
      if (sent < 0 && errno == EINTR) continue;
      if (sent <= 0) return false;
      bytes.remove_prefix(static_cast<std::size_t>(sent));
    }
    return true;
  }

 private:
  int fd_;
};

// A connected socket to one address, blocking again once connected; -1 when none came in time.
int ConnectOne(const addrinfo& address, steady_clock::time_point deadline, CancelToken& cancel) {
  const int fd = socket(address.ai_family, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (fd < 0) return -1;
  int error = 0;
  socklen_t length = sizeof error;
  const bool started =
      connect(fd, address.ai_addr, address.ai_addrlen) == 0 || errno == EINPROGRESS;
  if (!started || !AwaitSocket(fd, POLLOUT, deadline, cancel) ||
      getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0 || error != 0) {
    close(fd);
    return -1;
  }
  fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  const timeval send_limit{kSendSeconds, 0};
  setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &send_limit, sizeof send_limit);
  const int on = 1;
  setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
  return fd;
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
  int fd = -1;
  for (const addrinfo* address = found; address && fd < 0; address = address->ai_next)
    fd = ConnectOne(*address, deadline, cancel);
  freeaddrinfo(found);
  if (fd < 0) return nullptr;
  return std::make_unique<PosixStream>(fd);
}

}  // namespace verdalin
