// The Linux platform as the core's entry point sees it: services, standard error, and the Qt
// desktop front end built on demand.
#pragma once

#include "app/platform.h"
#include "app/program.h"

namespace verdalin {

class LinuxProgramHost : public PlatformHost {
 public:
  // Qt takes its own options out of the command line when the desktop starts.
  LinuxProgramHost(int& argc, char** argv) : argc_(argc), argv_(argv) {}
  void WriteError(const std::string& line) override;
  int RunDesktop(const std::function<int(Platform&)>& program) override;
  // SIGTERM, SIGINT and SIGHUP taken by a thread of their own (sigwait): no handler, no pipe.
  std::unique_ptr<Watch> WatchTermination(WindowSystem& loop) override;

 private:
  int& argc_;
  char** argv_;
};

// The program without a window, built without Qt so that it never loads the GUI libraries.
inline constexpr const char* kHeadlessProgram = "verdalin-headless";
// Replaces the process with that program, looked for beside this one and in ../lib/verdalin/, with
// the same command line; returns when there is none or it cannot run (the caller then goes on).
void ExecHeadlessProgram(char** argv);

}  // namespace verdalin
