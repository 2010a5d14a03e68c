// The Windows platform as the core's entry point sees it: services, standard error, and the Win32
// desktop front end built on demand.
#pragma once

#include <windows.h>

#include "app/native_host.h"
#include "app/program.h"

namespace verdalin {

class Win32ProgramHost : public NativeHost {
 public:
  explicit Win32ProgramHost(HINSTANCE instance) : instance_(instance) {}
  // Standard error (output) when the program has one, else the console of the process that
  // started it.
  void WriteError(const std::string& line) override;
  void WriteOutput(const std::string& text) override;
  void ShowProgress(const std::string& line) override;
  int RunDesktop(const std::function<int(Desktop&)>& program) override;
  // The Windows program always has its window: nothing to watch.
  std::unique_ptr<Watch> WatchTermination(EventLoop&) override { return nullptr; }

 private:
  HINSTANCE instance_;
};

}  // namespace verdalin
