// The shell and process services the core asks of the Linux front end.
#include "linux/shell_services.h"

namespace verdalin {

std::string LinuxShell::SpecialFolderPath(SpecialFolder folder) {
  return verdalin::SpecialFolderPath(folder);
}

std::string LinuxShell::ExecutablePath() {
  return verdalin::ExecutablePath();
}

bool LinuxShell::CreateStartupEntry(const std::string& path, const StartupEntrySpec& entry) {
  return WriteDesktopEntry(path, entry);
}

bool LinuxShell::OpenAddress(const std::string& address) {
  return verdalin::OpenAddress(address);
}

void LinuxProcess::SetPriority(PriorityClass priority) {
  SetProcessPriority(priority);
}

bool LinuxProcess::StartSocketLayer() {
  return verdalin::StartSocketLayer();
}

}  // namespace verdalin
