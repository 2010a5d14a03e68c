// A debugger output channel that keeps the messages, installed for the lifetime of the object.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "base/debug_output.h"

namespace verdalin {

class CapturedDebugOutput : public DebugOutput {
 public:
  CapturedDebugOutput() { SetDebugOutput(this); }
  ~CapturedDebugOutput() override { SetDebugOutput(nullptr); }
  void Write(std::string_view message) override { messages.emplace_back(message); }
  std::vector<std::string> messages;
};

}  // namespace verdalin
