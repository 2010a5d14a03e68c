// A device's command line over a byte stream: the telnet layer, the login dialogue, prompts, and
// one command's answer read up to the next prompt.
#pragma once

#include <chrono>
#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "base/clock.h"
#include "monitor/byte_stream.h"

namespace verdalin {

// Telnet over a stream: each option the device offers or asks for is refused but its echo and
// its suppressed go-ahead; what comes in loses its commands, what goes out has 0xFF doubled.
class TelnetStream : public ByteStream {
 public:
  explicit TelnetStream(std::unique_ptr<ByteStream> link) : link_(std::move(link)) {}
  std::optional<std::string> Read(std::chrono::milliseconds wait, CancelToken& cancel) override;
  bool Write(std::string_view bytes) override;

 private:
  // The data bytes of `bytes`; the replies to its negotiation are appended to `replies`.
  std::string Decode(std::string_view bytes, std::string& replies);

  std::unique_ptr<ByteStream> link_;
  std::string pending_;  // a command cut at the end of the last read
};

// What the last line of a terminal's text asks for.
enum class ScreenEnd { kNothing, kLogin, kPassword, kShell };
ScreenEnd ReadScreenEnd(std::string_view text);

// How long and how much one step of a dialogue may take.
struct ConsoleLimits {
  std::chrono::milliseconds time{20000};
  std::size_t bytes = std::size_t{4} << 20;
  std::string_view line_end = "\r\n";  // after a command or a credential: telnet's CR LF
};

enum class ConsoleStatus { kReady, kRefused, kBroken };

// A dialogue with a device's shell over a stream it does not own.
class Console {
 public:
  Console(ByteStream& stream, const MonotonicClock& clock, ConsoleLimits limits = {})
      : stream_(stream), clock_(clock), limits_(limits) {}
  // Answers the login and password prompts until the shell prompt: kRefused when a prompt for
  // credentials comes again after the password.
  ConsoleStatus LogIn(std::string_view login, std::string_view password, CancelToken& cancel);
  // Runs `command` at the prompt; its answer without the echo and the next prompt. None when the
  // stream broke, no prompt came within the limits, or `cancel` fired.
  std::optional<std::string> Run(std::string_view command, CancelToken& cancel);

 private:
  // Reads until the text's last line asks for something; kNothing when the limits passed or the
  // stream broke.
  ScreenEnd Await(CancelToken& cancel, bool after_line);

  ByteStream& stream_;
  const MonotonicClock& clock_;
  ConsoleLimits limits_;
  std::string text_;
};

}  // namespace verdalin
