// Debugger output channel on Windows: OutputDebugStringA, one line per message.
#include <windows.h>

#include <string>
#include <string_view>

#include "base/debug_output.h"

namespace verdalin {

namespace {
class WindowsDebugOutput : public DebugOutput {
 public:
  void Write(std::string_view message) override {
    std::string line(message);
    line += "\n";
    OutputDebugStringA(line.c_str());
  }
};
}  // namespace

DebugOutput& PlatformDebugOutput() {
  static WindowsDebugOutput output;
  return output;
}

}  // namespace verdalin
