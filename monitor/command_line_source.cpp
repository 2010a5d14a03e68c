// A command-line kind's session, kept between readings and opened again after a failure.
#include "monitor/command_line_source.h"

#include <charconv>

namespace verdalin {

namespace {

constexpr std::chrono::milliseconds kOpenLimit{20000};

// The port after a host, "" for the kind's own; none when it is no port number.
std::optional<std::uint16_t> PortOf(std::string_view text, std::uint16_t default_port) {
  if (text.empty()) return default_port;
  if (text.front() != ':' || text.size() == 1) return std::nullopt;
  unsigned value = 0;
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data() + 1, end, value);
  if (error != std::errc() || stop != end || value == 0 || value > 65535) return std::nullopt;
  return static_cast<std::uint16_t>(value);
}

bool StartsWithWord(std::string_view text, std::string_view start) {
  return text.size() >= start.size() && SameWord(text.substr(0, start.size()), start);
}

}  // namespace

std::optional<ConsoleAddress> ReadConsoleAddress(std::string_view address) {
  address = TrimSpace(address);
  ConsoleAddress result;
  std::uint16_t default_port = 23;
  if (StartsWithWord(address, "ssh://")) {
    result.ssh = true;
    default_port = 22;
  } else if (!StartsWithWord(address, "telnet://")) {
    return std::nullopt;
  }
  std::string_view rest = address.substr(address.find("//") + 2);
  rest = rest.substr(0, rest.find('/'));
  if (rest.find('@') != std::string_view::npos) return std::nullopt;  // no credentials here
  std::string_view host = rest;
  const bool bracketed = !rest.empty() && rest.front() == '[';
  if (bracketed) {
    const std::size_t close = rest.find(']');
    if (close == std::string_view::npos) return std::nullopt;
    host = rest.substr(1, close - 1);
  } else {
    host = rest.substr(0, rest.find(':'));
  }
  const std::size_t host_end = bracketed ? host.size() + 2 : host.size();
  const std::optional<std::uint16_t> port = PortOf(rest.substr(host_end), default_port);
  if (host.empty() || !port) return std::nullopt;
  result.host = std::string(host);
  result.port = *port;
  result.host_port =
      (bracketed ? "[" + result.host + "]" : result.host) + ":" + std::to_string(result.port);
  return result;
}

void CommandLineSource::Close() {
  console_.reset();
  stream_.reset();
  opened_for_.clear();
}

ConsoleStatus CommandLineSource::Open(const ConsoleAddress& address, const MonitorConfig& config,
                                      CancelToken& cancel, std::string& problem) {
  ConsoleLimits limits;
  if (address.ssh) {
    const SshTarget target{address.host, address.port, address.host_port, config.login,
                           config.password};
    SshOpening opening = OpenSshShell(target, keys_, kOpenLimit, cancel);
    if (opening.failure == SshFailure::kHostKeyChanged)
      problem = "SSH HOST KEY CHANGED: " + address.host;
    if (opening.failure == SshFailure::kRefused) return ConsoleStatus::kRefused;
    if (!opening.shell) return ConsoleStatus::kBroken;
    stream_ = std::move(opening.shell);
    limits.line_end = "\r";  // what a terminal sends for the Enter key
  } else {
    std::unique_ptr<ByteStream> link = ConnectTcp(address.host, address.port, kOpenLimit, cancel);
    if (!link) return ConsoleStatus::kBroken;
    stream_ = std::make_unique<TelnetStream>(std::move(link));
  }
  console_ = std::make_unique<Console>(*stream_, clock_, limits);
  return console_->LogIn(config.login, config.password, cancel);
}

std::optional<std::string> CommandLineSource::Run(const MonitorConfig& config,
                                                  CancelToken& cancel) {
  std::optional<std::string> answer =
      console_->Run(config.command.empty() ? command_ : config.command, cancel);
  if (!answer) Close();
  return answer;
}

// A kept session that no longer answers (a box ends idle sessions) is opened again at once, in
// the same reading.
LineReading CommandLineSource::Read(const MonitorConfig& config, CancelToken& cancel) {
  LineReading reading;
  const std::string wanted = config.address + '\n' + config.login + '\n' + config.password;
  if (wanted != opened_for_) Close();
  const std::optional<ConsoleAddress> address = ReadConsoleAddress(config.address);
  if (!address) return reading;
  std::optional<std::string> answer;
  if (console_) answer = Run(config, cancel);
  if (!answer && !cancel.Cancelled()) {
    const ConsoleStatus status = Open(*address, config, cancel, reading.problem);
    if (status != ConsoleStatus::kReady) {
      Close();
      if (status == ConsoleStatus::kRefused) reading.outcome = PollOutcome::kUnrecognised;
      return reading;
    }
    opened_for_ = wanted;
    answer = Run(config, cancel);
  }
  if (!answer) return reading;
  const bool values = reader_(*answer, reading.sample) == AnswerOutcome::kValues;
  reading.outcome = values ? PollOutcome::kSample : PollOutcome::kUnrecognised;
  return reading;
}

}  // namespace verdalin
