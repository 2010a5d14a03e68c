// The Linux program: its platform, handed to the core's entry point with the command line.
#include <string>
#include <vector>

#include "linux/program_host.h"

int main(int argc, char** argv) {
  const std::vector<std::string> arguments(argv + 1, argv + argc);
  verdalin::LinuxProgramHost host(argc, argv);
  return verdalin::Main(host, arguments);
}
