// Windows shell services: what only the Windows realisation needs beside the functions of
// app/native_host.h (CSIDL folders, the shell link).
#pragma once

#include <string>

#include "app/native_host.h"

namespace verdalin {

// CSIDL numbers of the folders the program uses.
inline constexpr int kCsidlPersonal = 5;
inline constexpr int kCsidlStartup = 7;
inline constexpr int kCsidlAppData = 26;  // the user's roaming application data

// known_folders.cpp: the folder's path without trailing backslash and blanks; "" when unknown.
std::string SpecialFolderPath(int csidl);

// startup_entry.cpp: writes a shell link through IShellLinkA and IPersistFile; true when saved.
bool CreateShellLink(const std::string& target, const std::string& link_path,
                     const std::string& arguments, const std::string& description,
                     const std::string& working_directory, int show_command, int hot_key,
                     const std::string& icon_file, int icon_index);

}  // namespace verdalin
