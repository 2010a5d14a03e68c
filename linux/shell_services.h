// Linux shell and process services: XDG folders, the autostart entry, the browser, priority.
#pragma once

#include <string>
#include <string_view>

#include "app/front_end.h"

namespace verdalin {

// known_folders.cpp
// The folder's path without a trailing slash: the XDG documents folder, or the autostart folder.
std::string SpecialFolderPath(SpecialFolder folder);
// The user's home folder: $HOME, or the password database's entry when unset.
std::string HomeFolder();
// $XDG_CONFIG_HOME when it is an absolute path, otherwise the home folder's ".config".
std::string ConfigHome();
// XDG_DOCUMENTS_DIR out of the text of a user-dirs.dirs file ("$HOME/..." or absolute), without
// a trailing slash; the home folder when the file does not name one (as xdg-user-dir does).
std::string DocumentsFolderFrom(std::string_view user_dirs, const std::string& home);
// The running executable's full path, from /proc/self/exe (at most 1024 characters).
std::string ExecutablePath();

// startup_entry.cpp
inline constexpr std::string_view kStartupEntryFile = "Verdalin.desktop";
// One Exec argument quoted for a desktop entry, before the value's own escaping.
std::string QuoteExecArgument(std::string_view argument);
// The XDG autostart entry's text for `entry`.
std::string DesktopEntryText(const StartupEntrySpec& entry);
// Writes the entry, creating missing folders; true when the file is in place.
bool WriteDesktopEntry(const std::string& path, const StartupEntrySpec& entry);

// home_link.cpp: hands the address to xdg-open in a detached process; false when it could not
// be started.
bool OpenAddress(const std::string& address);

// priority.cpp: the scheduling classes standing for the two priority classes. Idle is
// SCHED_IDLE where the process may leave it again (CAP_SYS_NICE or RLIMIT_NICE allowing nice 0),
// otherwise SCHED_BATCH, which every process may leave; normal is SCHED_OTHER.
int SchedulingPolicyFor(PriorityClass priority, bool may_leave_idle);
bool MayLeaveIdleClass();
// Applies the policy to every thread of the process; false when one refused it.
bool SetProcessPriority(PriorityClass priority);

// socket_layer.cpp: whether the process can open an IPv4 stream socket.
bool StartSocketLayer();

// shell_services.cpp: the shell and process services the core asks of the Linux front end.
class LinuxShell : public ShellServices {
 public:
  std::string SpecialFolderPath(SpecialFolder folder) override;
  std::string ExecutablePath() override;
  char PathSeparator() override { return '/'; }
  std::string StartupEntryName() override { return std::string(kStartupEntryFile); }
  bool CreateStartupEntry(const std::string& path, const StartupEntrySpec& entry) override;
  bool OpenAddress(const std::string& address) override;
};

class LinuxProcess : public ProcessServices {
 public:
  void SetPriority(PriorityClass priority) override;
  bool StartSocketLayer() override;
};

}  // namespace verdalin
