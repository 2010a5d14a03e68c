// The shell and process services the core asks of the Windows front end.
#include "win32/shell_services.h"

namespace verdalin {

std::string Win32Shell::SpecialFolderPath(SpecialFolder folder) {
  return verdalin::SpecialFolderPath(folder);
}

std::string Win32Shell::ExecutablePath() {
  return verdalin::ExecutablePath();
}

bool Win32Shell::CreateStartupEntry(const std::string& path, const StartupEntrySpec& entry) {
  return CreateShellLink(entry.target, path, entry.arguments, entry.description,
                         entry.working_directory, entry.show_command, entry.hot_key,
                         entry.icon_file, entry.icon_index);
}

bool Win32Shell::OpenAddress(const std::string& address) {
  return verdalin::OpenAddress(address);
}

void Win32Process::SetPriority(PriorityClass priority) {
  SetProcessPriority(priority);
}

bool Win32Process::StartSocketLayer() {
  return verdalin::StartSocketLayer();
}

}  // namespace verdalin
