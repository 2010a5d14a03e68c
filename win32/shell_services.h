// Windows shell and process services: special folders, shell links, the browser, priority, sockets.
#pragma once

#include <string>

#include "app/front_end.h"

namespace verdalin {

// CSIDL numbers of the two folders the program uses.
inline constexpr int kCsidlPersonal = 5;
inline constexpr int kCsidlStartup = 7;

// known_folders.cpp: the folder's path without trailing backslash and blanks; "" when unknown.
std::string SpecialFolderPath(int csidl);
// The personal documents folder, or the user's Startup folder.
std::string SpecialFolderPath(SpecialFolder folder);
// The running executable's full path (at most 1024 characters).
std::string ExecutablePath();

// startup_entry.cpp: writes a shell link through IShellLinkA and IPersistFile; true when saved.
bool CreateShellLink(const std::string& target, const std::string& link_path,
                     const std::string& arguments, const std::string& description,
                     const std::string& working_directory, int show_command, int hot_key,
                     const std::string& icon_file, int icon_index);

// home_link.cpp: opens the address with the shell's "open" verb; false when the shell could not.
bool OpenAddress(const std::string& address);

// priority.cpp: the process priority class; false when refused.
bool SetProcessPriority(PriorityClass priority);

// socket_layer.cpp: WSAStartup asking for version 1.1; false when the socket layer cannot start.
bool StartSocketLayer();

// shell_services.cpp: the shell and process services the core asks of the Windows front end.
class Win32Shell : public ShellServices {
 public:
  std::string SpecialFolderPath(SpecialFolder folder) override;
  std::string ExecutablePath() override;
  char PathSeparator() override { return '\\'; }
  std::string StartupEntryName() override { return "Verdalin.lnk"; }
  bool CreateStartupEntry(const std::string& path, const StartupEntrySpec& entry) override;
  bool OpenAddress(const std::string& address) override;
};

class Win32Process : public ProcessServices {
 public:
  void SetPriority(PriorityClass priority) override;
  bool StartSocketLayer() override;
};

}  // namespace verdalin
