// The program-wide debugger output channel.
#include "base/debug_output.h"

#include <atomic>

namespace verdalin {

namespace {
std::atomic<DebugOutput*> current_output{nullptr};
}

void SetDebugOutput(DebugOutput* output) {
  current_output.store(output);
}

void SendDebugMessage(std::string_view message) {
  if (DebugOutput* output = current_output.load()) output->Write(message);
}

}  // namespace verdalin
