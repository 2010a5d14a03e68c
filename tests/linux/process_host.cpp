// The process's one Linux host in the contract tests, made while no other thread runs.
#include "process_host.h"

#include <unistd.h>

#include <csignal>

namespace verdalin {

namespace {

int no_argument_count = 0;
char* no_arguments[] = {nullptr};
[[maybe_unused]] LinuxProgramHost& made_before_main = ProcessHost();

}  // namespace

LinuxProgramHost& ProcessHost() {
  static LinuxProgramHost host(no_argument_count, no_arguments);
  return host;
}

bool SendTermination() {
  return kill(getpid(), SIGTERM) == 0;
}

}  // namespace verdalin
