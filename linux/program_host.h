// The Linux platform as the core's entry point sees it: services, standard error, the
// termination signals, and the Qt desktop front end built on demand.
#pragma once

#include <memory>

#include "app/native_host.h"
#include "app/program.h"

namespace verdalin {

class LinuxProgramHost : public NativeHost, public LineInput {
 public:
  // Qt takes its own options out of the command line when the desktop starts. Made before any
  // other thread: SIGTERM, SIGINT and SIGHUP are blocked here, so that every thread started
  // later leaves them to the host's own.
  LinuxProgramHost(int& argc, char** argv);
  ~LinuxProgramHost() override;
  void WriteError(const std::string& line) override;
  void WriteOutput(const std::string& text) override;
  void ShowProgress(const std::string& line) override;
  LineInput* Input() override { return this; }
  // A hidden line is read with the terminal's echo off; the line's end is written after a hidden
  // line and after any line read from elsewhere than a terminal, so that the questions and what
  // follows them stay on lines of their own.
  std::optional<std::string> ReadLine(bool hidden) override;
  int RunDesktop(const std::function<int(Desktop&)>& program) override;
  // The signals become Event{kTerminationRequested} on `loop` while the watch lasts; outside one
  // they end the process as they would by default.
  std::unique_ptr<Watch> WatchTermination(EventLoop& loop) override;

 private:
  class Signals;
  int& argc_;
  char** argv_;
  std::unique_ptr<Signals> signals_;
};

// The program without a window, built without Qt so that it never loads the GUI libraries.
inline constexpr const char* kHeadlessProgram = "verdalin-headless";
// Replaces the process with that program, looked for beside this one and in ../lib/verdalin/, with
// the same command line; returns when there is none or it cannot run (the caller then goes on).
void ExecHeadlessProgram(char** argv);

}  // namespace verdalin
