// WinMain: the Windows program's platform, handed to the core's entry point with the command line.
#include <windows.h>

#include "base/debug_output.h"
#include "win32/program_host.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  verdalin::SetDebugOutput(&verdalin::PlatformDebugOutput());
  verdalin::Win32ProgramHost host(instance);
  return verdalin::Main(host, verdalin::CommandLineArguments(GetCommandLineA()));
}
