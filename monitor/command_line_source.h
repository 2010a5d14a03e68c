// The command-line kinds (a Broadcom shell, a DrayTek console) as line sources: one session kept
// open over telnet or SSH, one command per reading.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "base/clock.h"
#include "monitor/console.h"
#include "monitor/line_fields.h"
#include "monitor/line_source.h"
#include "monitor/ssh_shell.h"

namespace verdalin {

// A command line's address: "telnet://HOST[:PORT]" (23) or "ssh://HOST[:PORT]" (22), an IPv6
// host in brackets.
struct ConsoleAddress {
  bool ssh = false;
  std::string host;  // without brackets
  std::uint16_t port = 0;
  std::string host_port;  // "HOST:PORT", an IPv6 host in brackets
};
std::optional<ConsoleAddress> ReadConsoleAddress(std::string_view address);

using AnswerReader = AnswerOutcome (*)(std::string_view answer, LineSample& sample);

class CommandLineSource : public LineSource {
 public:
  // `command`: what runs when the preset names none; `reader` reads its answer.
  CommandLineSource(AnswerReader reader, std::string_view command, const MonotonicClock& clock,
                    HostKeyStore& keys)
      : reader_(reader), command_(command), clock_(clock), keys_(keys) {}
  LineReading Read(const MonitorConfig& config, CancelToken& cancel) override;

 private:
  // Connects and logs in; the problem to show goes to `problem`.
  ConsoleStatus Open(const ConsoleAddress& address, const MonitorConfig& config,
                     CancelToken& cancel, std::string& problem);
  void Close();
  // The command's answer in the open session; none, and the session closed, when it failed.
  std::optional<std::string> Run(const MonitorConfig& config, CancelToken& cancel);

  AnswerReader reader_;
  std::string command_;
  const MonotonicClock& clock_;
  HostKeyStore& keys_;
  std::unique_ptr<ByteStream> stream_;
  std::unique_ptr<Console> console_;
  std::string opened_for_;  // the address and credentials the open session was made with
};

}  // namespace verdalin
