// The Linux program: its platform, handed to the core's entry point with the command line.
#include <string>
#include <string_view>
#include <vector>

#include "app/command_line.h"
#include "base/debug_output.h"
#include "linux/program_host.h"

int main(int argc, char** argv) {
#ifndef VERDALIN_HEADLESS_ONLY
  // Without a window the GUI libraries are not wanted at all: the Qt-free build takes over.
  if (argc > 1 && (std::string_view(argv[1]) == verdalin::kHeadlessOption ||
                   std::string_view(argv[1]) == verdalin::kSetupOption))
    verdalin::ExecHeadlessProgram(argv);
#endif
  verdalin::SetDebugOutput(&verdalin::PlatformDebugOutput());
  const std::vector<std::string> arguments(argv + 1, argv + argc);
  verdalin::LinuxProgramHost host(argc, argv);
  return verdalin::Main(host, arguments);
}
