// The Linux platform as the core's entry point sees it: services, standard error, and the Qt
// desktop front end built on demand.
#pragma once

#include "app/platform.h"
#include "app/program.h"

namespace verdalin {

class LinuxProgramHost : public ProgramHost {
 public:
  // Qt takes its own options out of the command line when the desktop starts.
  LinuxProgramHost(int& argc, char** argv) : argc_(argc), argv_(argv) {}
  FileSystem& Files() override;
  const Clock& LocalClock() override;
  ShellServices& Shell() override { return shell_; }
  void WriteError(const std::string& line) override;
  int RunDesktop(const std::function<int(Platform&)>& program) override;

 private:
  int& argc_;
  char** argv_;
  PlatformShell shell_;
};

}  // namespace verdalin
