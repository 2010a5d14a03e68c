// The Windows platform as the core's entry point sees it: services, standard error, and the Win32
// desktop front end built on demand.
#pragma once

#include <windows.h>

#include "app/platform.h"
#include "app/program.h"

namespace verdalin {

class Win32ProgramHost : public ProgramHost {
 public:
  explicit Win32ProgramHost(HINSTANCE instance) : instance_(instance) {}
  FileSystem& Files() override;
  const Clock& LocalClock() override;
  ShellServices& Shell() override { return shell_; }
  ProcessServices& Process() override { return process_; }
  NumberFormatService& Numbers() override;
  PageFetcher& Fetcher() override;
  std::shared_ptr<HttpPoster> MakePoster() override;
  // Standard error when the program has one, else the console of the process that started it.
  void WriteError(const std::string& line) override;
  int RunDesktop(const std::function<int(Platform&)>& program) override;
  // The Windows program always has its window: nothing to watch.
  std::unique_ptr<Watch> WatchTermination(WindowSystem&) override { return nullptr; }

 private:
  HINSTANCE instance_;
  PlatformShell shell_;
  PlatformProcess process_;
  std::unique_ptr<PageFetcher> fetcher_;
};

}  // namespace verdalin
