// The telnet layer, the login dialogue and prompt-bounded answers of a device's command line.
#include "monitor/console.h"

#include <algorithm>

#include "monitor/line_fields.h"

namespace verdalin {

namespace {

constexpr unsigned char kIac = 255, kDont = 254, kDo = 253, kWont = 252, kWill = 251, kSb = 250;
constexpr unsigned char kEcho = 1, kSuppressGoAhead = 3;
constexpr std::string_view kEndOfSubnegotiation("\xff\xf0", 2);
// A command cut at the end of a read is kept; one longer than this is no telnet device's.
constexpr std::size_t kLongestCommand = 4096;
// A prompt is short; a longer last line is part of an answer.
constexpr std::size_t kLongestPrompt = 256;
// Login and password prompts answered before a shell prompt must have come.
constexpr int kLoginSteps = 4;

// The answer to an offer (WILL) or a request (DO): the device may echo and drop go-aheads; this
// end does nothing.
void Reply(unsigned char verb, unsigned char option, std::string& replies) {
  if (verb == kWill) {
    const bool wanted = option == kEcho || option == kSuppressGoAhead;
    replies += {static_cast<char>(kIac), static_cast<char>(wanted ? kDo : kDont),
                static_cast<char>(option)};
  } else if (verb == kDo) {
    replies += {static_cast<char>(kIac), static_cast<char>(kWont), static_cast<char>(option)};
  }
}

bool EndsWith(std::string_view text, std::string_view end) {
  return text.size() >= end.size() && text.substr(text.size() - end.size()) == end;
}

// The lower-case word before a final colon names a login or password prompt.
ScreenEnd PromptWord(std::string_view line) {
  std::string lower(line.substr(0, line.size() - 1));
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; });
  lower = std::string(TrimSpace(lower));
  for (const std::string_view word : {"password", "passwd"})
    if (EndsWith(lower, word)) return ScreenEnd::kPassword;
  for (const std::string_view word : {"login", "username", "user name", "user", "account"})
    if (EndsWith(lower, word)) return ScreenEnd::kLogin;
  return ScreenEnd::kNothing;
}

}  // namespace

std::string TelnetStream::Decode(std::string_view bytes, std::string& replies) {
  const std::string in = pending_ + std::string(bytes);
  std::string data;
  std::size_t i = 0;
  while (i < in.size()) {
    if (static_cast<unsigned char>(in[i]) != kIac) {
      data += in[i++];
      continue;
    }
    if (i + 1 >= in.size()) break;
    const auto command = static_cast<unsigned char>(in[i + 1]);
    if (command == kIac) {
      data += in[i];
      i += 2;
    } else if (command >= kWill && command <= kDont) {
      if (i + 2 >= in.size()) break;
      Reply(command, static_cast<unsigned char>(in[i + 2]), replies);
      i += 3;
    } else if (command == kSb) {
      const std::size_t end = in.find(kEndOfSubnegotiation, i + 2);
      if (end == std::string::npos) break;
      i = end + kEndOfSubnegotiation.size();
    } else {
      i += 2;  // a command without an option (go-ahead, no-operation...)
    }
  }
  pending_ = in.substr(i);
  return data;
}

std::optional<std::string> TelnetStream::Read(std::chrono::milliseconds wait, CancelToken& cancel) {
  const std::optional<std::string> bytes = link_->Read(wait, cancel);
  if (!bytes) return std::nullopt;
  std::string replies;
  std::string data = Decode(*bytes, replies);
  if (pending_.size() > kLongestCommand) return std::nullopt;
  if (!replies.empty() && !link_->Write(replies)) return std::nullopt;
  return data;
}

bool TelnetStream::Write(std::string_view bytes) {
  std::string escaped;
  escaped.reserve(bytes.size());
  for (const char c : bytes) {
    escaped += c;
    if (static_cast<unsigned char>(c) == kIac) escaped += c;
  }
  return link_->Write(escaped);
}

ScreenEnd ReadScreenEnd(std::string_view text) {
  const std::size_t cut = text.rfind('\n');
  const std::string_view last = cut == std::string_view::npos ? text : text.substr(cut + 1);
  if (last.empty() || last.size() > kLongestPrompt) return ScreenEnd::kNothing;
  const std::string plain = PlainTerminalText(last);
  std::string_view line = plain;
  while (!line.empty() && (line.back() == ' ' || line.back() == '\t')) line.remove_suffix(1);
  if (line.empty()) return ScreenEnd::kNothing;
  if (line.back() == ':') return PromptWord(line);
  const bool shell = std::string_view(">#$%").find(line.back()) != std::string_view::npos;
  return shell ? ScreenEnd::kShell : ScreenEnd::kNothing;
}

ScreenEnd Console::Await(CancelToken& cancel, bool after_line) {
  const std::chrono::milliseconds deadline = clock_.Now() + limits_.time;
  while (true) {
    const ScreenEnd end = ReadScreenEnd(text_);
    if (end != ScreenEnd::kNothing && (!after_line || text_.find('\n') != std::string::npos))
      return end;
    const std::chrono::milliseconds now = clock_.Now();
    if (now >= deadline || text_.size() > limits_.bytes) return ScreenEnd::kNothing;
    const std::optional<std::string> chunk = stream_.Read(deadline - now, cancel);
    if (!chunk) return ScreenEnd::kNothing;
    text_ += *chunk;
  }
}

ConsoleStatus Console::LogIn(std::string_view login, std::string_view password,
                             CancelToken& cancel) {
  bool password_sent = false;
  for (int step = 0; step < kLoginSteps; ++step) {
    const ScreenEnd end = Await(cancel, false);
    text_.clear();
    if (end == ScreenEnd::kShell) return ConsoleStatus::kReady;
    if (end == ScreenEnd::kNothing) return ConsoleStatus::kBroken;
    if (password_sent) return ConsoleStatus::kRefused;
    password_sent = end == ScreenEnd::kPassword;
    const std::string_view answer = password_sent ? password : login;
    if (!stream_.Write(std::string(answer) + std::string(limits_.line_end)))
      return ConsoleStatus::kBroken;
  }
  return ConsoleStatus::kBroken;
}

std::optional<std::string> Console::Run(std::string_view command, CancelToken& cancel) {
  text_.clear();
  if (!stream_.Write(std::string(command) + std::string(limits_.line_end))) return std::nullopt;
  if (Await(cancel, true) != ScreenEnd::kShell) return std::nullopt;
  std::string_view answer = text_;
  answer = answer.substr(0, answer.rfind('\n') + 1);  // the prompt off
  const std::size_t echo_end = answer.find('\n');
  if (PlainTerminalText(answer.substr(0, echo_end)).find(command) != std::string::npos)
    answer.remove_prefix(echo_end + 1);
  return std::string(answer);
}

}  // namespace verdalin
