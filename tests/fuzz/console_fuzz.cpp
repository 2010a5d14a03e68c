// Fuzz target: the telnet layer and the command line's dialogue over a device that sends the input
// in reads of the lengths its own bytes give (a zero length: silence until the wait has passed).
#include <deque>

#include "fakes/fake_clock.h"
#include "monitor/console.h"

namespace {

class InputStream : public verdalin::ByteStream {
 public:
  InputStream(const uint8_t* data, size_t size, verdalin::FakeMonotonicClock& clock)
      : rest_(reinterpret_cast<const char*>(data), size), clock_(clock) {}
  std::optional<std::string> Read(std::chrono::milliseconds wait, verdalin::CancelToken&) override {
    if (rest_.empty()) return std::nullopt;
    const std::size_t length =
        std::min<std::size_t>(static_cast<uint8_t>(rest_[0]), rest_.size() - 1);
    std::string chunk(rest_.substr(1, length));
    rest_.remove_prefix(length + 1);
    if (chunk.empty()) clock_.now += wait;
    return chunk;
  }
  bool Write(std::string_view) override { return true; }

 private:
  std::string_view rest_;
  verdalin::FakeMonotonicClock& clock_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  verdalin::FakeMonotonicClock clock;
  verdalin::TelnetStream telnet(std::make_unique<InputStream>(data, size, clock));
  verdalin::Console console(telnet, clock, verdalin::ConsoleLimits{std::chrono::seconds(5), 4096});
  verdalin::CancelToken cancel;
  if (console.LogIn("admin", "secret", cancel) == verdalin::ConsoleStatus::kReady)
    console.Run("xdslctl info --stats", cancel);
  return 0;
}
