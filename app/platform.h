// The shell and process services as each platform realises them: free functions, one file per
// concern with the same name in linux/ and win32/, wrapped here once for the core.
#pragma once

#include <string>

#include "app/front_end.h"
#include "app/program.h"
#include "base/clock.h"
#include "base/file_system.h"
#include "base/locale_number.h"
#include "export/webhook.h"
#include "monitor/page_fetcher.h"

namespace verdalin {

// known_folders.cpp: the folder's path without a trailing separator, "" when unknown; the
// running executable's full path (at most 1024 characters).
std::string SpecialFolderPath(SpecialFolder folder);
std::string ExecutablePath();
// known_folders.cpp: whether the program may create files in the folder; the folder created with
// its missing parents (true when it exists afterwards).
bool CanCreateFilesIn(const std::string& folder);
bool CreateFolder(const std::string& folder);
// startup_entry.cpp: the start-at-logon entry's file name and its writing (creating the folder
// where the platform needs it); true when the entry is in place.
std::string StartupEntryName();
bool CreateStartupEntry(const std::string& path, const StartupEntrySpec& entry);
// home_link.cpp: opens the address in the user's browser; false when it could not be started.
bool OpenAddress(const std::string& address);
// priority.cpp: the process's priority class; false when refused.
bool SetProcessPriority(PriorityClass priority);
// socket_layer.cpp: whether the socket layer starts.
bool StartSocketLayer();
// priority.cpp: ends the process at once.
[[noreturn]] void EndProcessNow(int code);

// '/' or '\\'.
#ifdef _WIN32
inline constexpr char kPathSeparator = '\\';
#else
inline constexpr char kPathSeparator = '/';
#endif

class PlatformShell : public ShellServices {
 public:
  std::string SpecialFolderPath(SpecialFolder folder) override {
    return verdalin::SpecialFolderPath(folder);
  }
  std::string ExecutablePath() override { return verdalin::ExecutablePath(); }
  char PathSeparator() override { return kPathSeparator; }
  std::string StartupEntryName() override { return verdalin::StartupEntryName(); }
  bool CreateStartupEntry(const std::string& path, const StartupEntrySpec& entry) override {
    return verdalin::CreateStartupEntry(path, entry);
  }
  bool OpenAddress(const std::string& address) override { return verdalin::OpenAddress(address); }
  bool CanCreateFilesIn(const std::string& folder) override {
    return verdalin::CanCreateFilesIn(folder);
  }
  bool CreateFolder(const std::string& folder) override { return verdalin::CreateFolder(folder); }
};

class PlatformProcess : public ProcessServices {
 public:
  void SetPriority(PriorityClass priority) override { SetProcessPriority(priority); }
  bool StartSocketLayer() override { return verdalin::StartSocketLayer(); }
  void EndProcessNow(int code) override { verdalin::EndProcessNow(code); }
};

// What both platforms' entry points offer alike, from the functions each platform realises; a
// host adds its standard error, its desktop front end and its termination watch.
class PlatformHost : public ProgramHost {
 public:
  FileSystem& Files() override { return PlatformFileSystem(); }
  const Clock& LocalClock() override { return SystemClock(); }
  ShellServices& Shell() override { return shell_; }
  ProcessServices& Process() override { return process_; }
  NumberFormatService& Numbers() override { return PlatformNumberFormat(); }
  PageFetcher& Fetcher() override {
    if (!fetcher_) fetcher_ = MakePlatformPageFetcher();
    return *fetcher_;
  }
  std::shared_ptr<HttpPoster> MakePoster() override {
    return MakePlatformHttpPoster(FetchLimits{});
  }

 protected:
  PlatformShell shell_;
  PlatformProcess process_;

 private:
  std::unique_ptr<PageFetcher> fetcher_;
};

}  // namespace verdalin
