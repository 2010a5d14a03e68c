// The SSH shell over libssh2, its bytes carried by the platform's TCP stream: libssh2 runs
// without blocking and waits through the stream, so a cancel ends any step soon.
#include "monitor/ssh_shell.h"

#include <libssh2.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <mutex>

namespace verdalin {

namespace {

using std::chrono::milliseconds;
using std::chrono::steady_clock;

constexpr milliseconds kWriteLimit{20000};
constexpr std::size_t kSha256Size = 32;
// libssh2 wants a socket, yet reads and writes only through the callbacks below: a number no open
// socket has, which its look at the socket's blocking mode then takes as blocking and leaves.
const auto kNoSocket = static_cast<libssh2_socket_t>(INT_MAX);

// What libssh2 reads comes from `incoming`; what it writes goes straight to the stream.
struct Transport {
  ByteStream* stream = nullptr;
  std::string incoming;
  bool broken = false;
  const std::string* password = nullptr;  // for keyboard-interactive prompts
};

Transport& TransportOf(void** abstract) {
  return *static_cast<Transport*>(*abstract);
}

LIBSSH2_RECV_FUNC(Receive) {
  (void)socket;
  (void)flags;
  Transport& transport = TransportOf(abstract);
  if (transport.incoming.empty()) return transport.broken ? -ECONNRESET : -EAGAIN;
  const std::size_t count = std::min(length, transport.incoming.size());
  std::memcpy(buffer, transport.incoming.data(), count);
  transport.incoming.erase(0, count);
  return static_cast<ssize_t>(count);
}

LIBSSH2_SEND_FUNC(Send) {
  (void)socket;
  (void)flags;
  Transport& transport = TransportOf(abstract);
  const std::string_view bytes(static_cast<const char*>(buffer), length);
  if (transport.broken || !transport.stream->Write(bytes)) {
    transport.broken = true;
    return -ECONNRESET;
  }
  return static_cast<ssize_t>(length);
}

// Every prompt of a keyboard-interactive login is answered with the password.
LIBSSH2_USERAUTH_KBDINT_RESPONSE_FUNC(AnswerPrompts) {
  (void)name;
  (void)name_len;
  (void)instruction;
  (void)instruction_len;
  (void)prompts;
  const std::string& password = *TransportOf(abstract).password;
  for (int i = 0; i < num_prompts; ++i) {
    responses[i].text = static_cast<char*>(std::malloc(password.size() + 1));
    if (!responses[i].text) continue;
    std::memcpy(responses[i].text, password.c_str(), password.size() + 1);
    responses[i].length = static_cast<unsigned>(password.size());
  }
}

template <typename Function>
void SetCallback(LIBSSH2_SESSION* session, int kind, Function* function) {
  void* pointer = nullptr;
  static_assert(sizeof pointer == sizeof function);
  std::memcpy(&pointer, &function, sizeof pointer);
  libssh2_session_callback_set(session, kind, pointer);
}

class SshShell : public ByteStream {
 public:
  explicit SshShell(std::unique_ptr<ByteStream> tcp) : tcp_(std::move(tcp)) {
    transport_.stream = tcp_.get();
    session_ = libssh2_session_init_ex(nullptr, nullptr, nullptr, &transport_);
    if (!session_) return;
    SetCallback(session_, LIBSSH2_CALLBACK_RECV, &Receive);
    SetCallback(session_, LIBSSH2_CALLBACK_SEND, &Send);
    libssh2_session_set_blocking(session_, 0);
  }
  ~SshShell() override {
    if (channel_) libssh2_channel_free(channel_);
    if (!session_) return;
    libssh2_session_disconnect(session_, "");
    libssh2_session_free(session_);
  }
  SshShell(const SshShell&) = delete;
  SshShell& operator=(const SshShell&) = delete;

  SshFailure Open(const SshTarget& target, HostKeyStore& keys, milliseconds limit,
                  CancelToken& cancel);
  std::optional<std::string> Read(milliseconds wait, CancelToken& cancel) override;
  bool Write(std::string_view bytes) override;

 private:
  // Runs `step` until it no longer waits for the device, the deadline passes or `cancel` fires.
  template <typename Step>
  int Drive(Step step, steady_clock::time_point deadline, CancelToken& cancel) {
    while (true) {
      const int result = step();
      if (result != LIBSSH2_ERROR_EAGAIN) return result;
      const auto left = std::chrono::duration_cast<milliseconds>(deadline - steady_clock::now());
      if (left.count() <= 0) return LIBSSH2_ERROR_TIMEOUT;
      if (!Pump(left, cancel)) return LIBSSH2_ERROR_SOCKET_RECV;
    }
  }
  bool Pump(milliseconds wait, CancelToken& cancel) {
    const std::optional<std::string> bytes = tcp_->Read(wait, cancel);
    if (!bytes)
      transport_.broken = true;
    else
      transport_.incoming += *bytes;
    return bytes.has_value();
  }
  int LastError() { return libssh2_session_last_errno(session_); }
  bool LogIn(const SshTarget& target, steady_clock::time_point deadline, CancelToken& cancel);
  bool StartShell(steady_clock::time_point deadline, CancelToken& cancel);

  std::unique_ptr<ByteStream> tcp_;
  Transport transport_;
  LIBSSH2_SESSION* session_ = nullptr;
  LIBSSH2_CHANNEL* channel_ = nullptr;
};

bool SshShell::LogIn(const SshTarget& target, steady_clock::time_point deadline,
                     CancelToken& cancel) {
  const std::string& user = target.login;
  const auto user_length = static_cast<unsigned>(user.size());
  const char* methods = nullptr;
  Drive(
      [&] {
        methods = libssh2_userauth_list(session_, user.c_str(), user_length);
        return methods ? 0 : LastError();
      },
      deadline, cancel);
  if (!methods) return libssh2_userauth_authenticated(session_) != 0;
  transport_.password = &target.password;
  const bool password_offered = std::strstr(methods, "password") != nullptr;
  const int result = Drive(
      [&] {
        if (password_offered)
          return libssh2_userauth_password_ex(
              session_, user.c_str(), user_length, target.password.c_str(),
              static_cast<unsigned>(target.password.size()), nullptr);
        return libssh2_userauth_keyboard_interactive_ex(session_, user.c_str(), user_length,
                                                        &AnswerPrompts);
      },
      deadline, cancel);
  return result == 0;
}

bool SshShell::StartShell(steady_clock::time_point deadline, CancelToken& cancel) {
  const int opened = Drive(
      [&] {
        channel_ = libssh2_channel_open_session(session_);
        return channel_ ? 0 : LastError();
      },
      deadline, cancel);
  if (opened != 0) return false;
  libssh2_channel_handle_extended_data2(channel_, LIBSSH2_CHANNEL_EXTENDED_DATA_MERGE);
  return Drive([&] { return libssh2_channel_request_pty(channel_, "dumb"); }, deadline, cancel) ==
             0 &&
         Drive([&] { return libssh2_channel_shell(channel_); }, deadline, cancel) == 0;
}

SshFailure SshShell::Open(const SshTarget& target, HostKeyStore& keys, milliseconds limit,
                          CancelToken& cancel) {
  const steady_clock::time_point deadline = steady_clock::now() + limit;
  if (!session_ ||
      Drive([&] { return libssh2_session_handshake(session_, kNoSocket); }, deadline, cancel) != 0)
    return SshFailure::kUnreachable;
  const char* digest = libssh2_hostkey_hash(session_, LIBSSH2_HOSTKEY_HASH_SHA256);
  if (!digest) return SshFailure::kUnreachable;
  const std::string fingerprint = SshFingerprint(std::string_view(digest, kSha256Size));
  if (!TrustHostKey(keys, target.host_port, fingerprint)) return SshFailure::kHostKeyChanged;
  if (!LogIn(target, deadline, cancel))
    return transport_.broken || cancel.Cancelled() ? SshFailure::kUnreachable
                                                   : SshFailure::kRefused;
  return StartShell(deadline, cancel) ? SshFailure::kNone : SshFailure::kUnreachable;
}

std::optional<std::string> SshShell::Read(milliseconds wait, CancelToken& cancel) {
  const steady_clock::time_point deadline = steady_clock::now() + wait;
  char buffer[16384];
  while (true) {
    const ssize_t got = libssh2_channel_read(channel_, buffer, sizeof buffer);
    if (got > 0) return std::string(buffer, static_cast<std::size_t>(got));
    if ((got < 0 && got != LIBSSH2_ERROR_EAGAIN) || libssh2_channel_eof(channel_))
      return std::nullopt;
    const auto left = std::chrono::duration_cast<milliseconds>(deadline - steady_clock::now());
    if (left.count() <= 0) return std::string();
    if (!Pump(left, cancel)) return std::nullopt;
  }
}

bool SshShell::Write(std::string_view bytes) {
  CancelToken never;
  const steady_clock::time_point deadline = steady_clock::now() + kWriteLimit;
  while (!bytes.empty()) {
    ssize_t sent = 0;
    const int result = Drive(
        [&] {
          sent = libssh2_channel_write(channel_, bytes.data(), bytes.size());
          return sent < 0 ? static_cast<int>(sent) : 0;
        },
        deadline, never);
    if (result != 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(sent));
  }
  return true;
}

}  // namespace

SshOpening OpenSshShell(const SshTarget& target, HostKeyStore& keys, milliseconds limit,
                        CancelToken& cancel) {
  static std::once_flag started;
  std::call_once(started, [] { libssh2_init(0); });
  std::unique_ptr<ByteStream> tcp = ConnectTcp(target.host, target.port, limit, cancel);
  if (!tcp) return {nullptr, SshFailure::kUnreachable};
  auto shell = std::make_unique<SshShell>(std::move(tcp));
  const SshFailure failure = shell->Open(target, keys, limit, cancel);
  if (failure != SshFailure::kNone) return {nullptr, failure};
  return {std::move(shell), SshFailure::kNone};
}

}  // namespace verdalin
