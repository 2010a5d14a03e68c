// Linux shell and process services: XDG folders, the autostart entry, the browser, priority;
// what only the Linux realisation needs beside the functions of app/native_host.h.
#pragma once

#include <string>
#include <string_view>

#include "app/native_host.h"

namespace verdalin {

// known_folders.cpp (beside SpecialFolderPath, which gives the XDG documents and autostart
// folders, and ExecutablePath, from /proc/self/exe)
// The user's home folder: $HOME, or the password database's entry when unset.
std::string HomeFolder();
// $XDG_CONFIG_HOME when it is an absolute path, otherwise the home folder's ".config".
std::string ConfigHome();
// The folder of the files installed with the program at `executable`: <prefix>/share/verdalin
// for a program in <prefix>/bin or <prefix>/lib/verdalin (the headless build), else the
// executable's own folder (a build tree, or a copy run where it lies).
std::string ShippedDataFolderOf(std::string_view executable);
// XDG_DOCUMENTS_DIR out of the text of a user-dirs.dirs file ("$HOME/..." or absolute), without
// a trailing slash; the home folder when the file does not name one (as xdg-user-dir does).
std::string DocumentsFolderFrom(std::string_view user_dirs, const std::string& home);

// startup_entry.cpp
inline constexpr std::string_view kStartupEntryFile = "Verdalin.desktop";
// One Exec argument quoted for a desktop entry, before the value's own escaping.
std::string QuoteExecArgument(std::string_view argument);
// The XDG autostart entry's text for `entry`.
std::string DesktopEntryText(const StartupEntrySpec& entry);
// Writes the entry, creating missing folders; true when the file is in place.
bool WriteDesktopEntry(const std::string& path, const StartupEntrySpec& entry);

// home_link.cpp: OpenAddress hands the address to xdg-open in a detached process.

// priority.cpp: the scheduling classes standing for the two priority classes. Idle is
// SCHED_IDLE where the process may leave it again (CAP_SYS_NICE or RLIMIT_NICE allowing nice 0),
// otherwise SCHED_BATCH, which every process may leave; normal is SCHED_OTHER.
int SchedulingPolicyFor(PriorityClass priority, bool may_leave_idle);
bool MayLeaveIdleClass();
// SetProcessPriority applies the policy to every thread of the process.

// socket_layer.cpp: StartSocketLayer checks that the process can open an IPv4 stream socket.

}  // namespace verdalin
