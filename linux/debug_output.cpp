// Debugger output channel on Linux: one line on standard error per message.
#include <cstdio>
#include <string_view>

#include "base/debug_output.h"

namespace verdalin {

namespace {
class StderrDebugOutput : public DebugOutput {
 public:
  void Write(std::string_view message) override {
    std::fprintf(stderr, "%.*s\n", static_cast<int>(message.size()), message.data());
  }
};
}  // namespace

DebugOutput& PlatformDebugOutput() {
  static StderrDebugOutput output;
  return output;
}

}  // namespace verdalin
