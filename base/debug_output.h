// The debugger output channel: where the pattern engine sends its error messages.
#pragma once

#include <string_view>

namespace verdalin {

class DebugOutput {
 public:
  virtual ~DebugOutput() = default;
  virtual void Write(std::string_view message) = 0;
};

// The program-wide channel; nullptr (the default) discards messages.
void SetDebugOutput(DebugOutput* output);
void SendDebugMessage(std::string_view message);

// The platform's channel: OutputDebugStringA on Windows, standard error on Linux.
DebugOutput& PlatformDebugOutput();

}  // namespace verdalin
