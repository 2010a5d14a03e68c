// The run-at-startup shortcut on Windows: a shell link written through IShellLinkA and
// IPersistFile.
#include <windows.h>

#include <objbase.h>
#include <shlobj.h>

#include <string>

#include "win32/shell_services.h"

namespace verdalin {

namespace {

// Shell links know three show commands; "minimised" (2) is stored as the one that starts minimised
// without taking the focus from the user (the shell would turn 2 into a normal window).
int LinkShowCommand(int show_command) {
  return show_command == SW_SHOWMINIMIZED ? SW_SHOWMINNOACTIVE : show_command;
}

// Sets the link's properties in the documented order; their results are not examined.
void DescribeLink(IShellLinkA* link, const std::string& target, const std::string& arguments,
                  const std::string& description, const std::string& working_directory,
                  int show_command, int hot_key, const std::string& icon_file, int icon_index) {
  link->SetPath(target.c_str());
  link->SetArguments(arguments.c_str());
  link->SetWorkingDirectory(working_directory.c_str());
  link->SetDescription(description.c_str());
  link->SetShowCmd(LinkShowCommand(show_command));
  link->SetHotkey(static_cast<WORD>(hot_key));
  link->SetIconLocation(icon_file.c_str(), icon_index);
}

// Saves the link at `link_path` (converted to UTF-16, at most 1000 characters with terminator).
bool SaveLink(IShellLinkA* link, const std::string& link_path) {
  IPersistFile* file = nullptr;
  if (FAILED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) return false;
  WCHAR wide_path[1000] = {};
  bool saved = false;
  if (MultiByteToWideChar(CP_ACP, 0, link_path.c_str(), -1, wide_path, 1000) > 0)
    saved = SUCCEEDED(file->Save(wide_path, TRUE));
  file->Release();
  return saved;
}

}  // namespace

bool CreateShellLink(const std::string& target, const std::string& link_path,
                     const std::string& arguments, const std::string& description,
                     const std::string& working_directory, int show_command, int hot_key,
                     const std::string& icon_file, int icon_index) {
  const HRESULT com = CoInitialize(nullptr);
  IShellLinkA* link = nullptr;
  bool saved = false;
  if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                 reinterpret_cast<void**>(&link)))) {
    DescribeLink(link, target, arguments, description, working_directory, show_command, hot_key,
                 icon_file, icon_index);
    saved = SaveLink(link, link_path);
    link->Release();
  }
  if (SUCCEEDED(com)) CoUninitialize();
  return saved;
}

std::string StartupEntryName() {
  return "Verdalin.lnk";
}

// The link starts the program minimised, with no working folder or hot key, under the
// executable's first icon.
bool CreateStartupEntry(const std::string& path, const StartupEntrySpec& entry) {
  return CreateShellLink(entry.target, path, entry.arguments, entry.description, "",
                         SW_SHOWMINIMIZED, 0, entry.target, 0);
}

}  // namespace verdalin
