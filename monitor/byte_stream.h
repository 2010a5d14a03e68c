// A byte stream to a device (a TCP connection, a telnet or SSH terminal) and the platform's TCP
// connect that opens one.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "monitor/cancel_token.h"

namespace verdalin {

class ByteStream {
 public:
  virtual ~ByteStream() = default;
  // The bytes that came within `wait` (empty when none did); none once the stream has closed,
  // failed or `cancel` fired. Returns within about a tenth of a second of a cancel.
  virtual std::optional<std::string> Read(std::chrono::milliseconds wait, CancelToken& cancel) = 0;
  // Sends all the bytes; false when the stream failed.
  virtual bool Write(std::string_view bytes) = 0;
};

// A TCP connection to `host` (a name, an IPv4 or IPv6 address) within `limit`; null when none
// could be made in time or `cancel` fired. Realised by linux/tcp_stream.cpp (POSIX sockets) and
// win32/tcp_stream.cpp (Winsock).
std::unique_ptr<ByteStream> ConnectTcp(const std::string& host, std::uint16_t port,
                                       std::chrono::milliseconds limit, CancelToken& cancel);

}  // namespace verdalin
