// The SSH shell a command-line source talks through, and the host keys it trusts on first use.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "monitor/byte_stream.h"

namespace verdalin {

// The fingerprints of the hosts' keys, kept by "HOST:PORT" (an IPv6 host in brackets).
class HostKeyStore {
 public:
  virtual ~HostKeyStore() = default;
  virtual std::optional<std::string> Known(const std::string& host_port) = 0;
  // Keeps the fingerprint at once, where it outlives the program.
  virtual void Learn(const std::string& host_port, const std::string& fingerprint) = 0;
};

// A key's SHA-256 digest as OpenSSH shows it: "SHA256:" and its unpadded Base64.
std::string SshFingerprint(std::string_view sha256_digest);

// Whether the key of `fingerprint` may be trusted: the first one seen for a host is learnt.
bool TrustHostKey(HostKeyStore& store, const std::string& host_port,
                  const std::string& fingerprint);

// Where and as whom an SSH shell is opened.
struct SshTarget {
  std::string host;
  std::uint16_t port = 22;
  std::string host_port;  // the host key's name in the store
  std::string login;
  std::string password;
};

enum class SshFailure { kNone, kUnreachable, kRefused, kHostKeyChanged };

struct SshOpening {
  std::unique_ptr<ByteStream> shell;  // null on failure
  SshFailure failure = SshFailure::kNone;
};

// Connects over the platform's TCP stream, checks the host key before any credential goes out,
// logs in with the password (keyboard-interactive where that is all the device offers) and opens
// a shell channel on a terminal; within `limit`, ended by `cancel`. Realised in net/ssh_shell.cpp
// over libssh2.
SshOpening OpenSshShell(const SshTarget& target, HostKeyStore& keys,
                        std::chrono::milliseconds limit, CancelToken& cancel);

}  // namespace verdalin
