// The host services as each platform realises them: free functions, one file per concern with the
// same name in linux/ and win32/, gathered here once into the host both programs share.
#pragma once

#include <memory>
#include <string>

#include "app/host.h"

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
// priority.cpp: the process's priority class; false when refused. Ends the process at once.
bool SetProcessPriority(PriorityClass priority);
[[noreturn]] void EndProcessNow(int code);
// socket_layer.cpp: whether the network layer starts.
bool StartNetwork();
// socket_layer.cpp: the computer's name on the network, "" when unknown.
std::string HostName();

#ifdef _WIN32
inline constexpr char kPathSeparator = '\\';
#else
inline constexpr char kPathSeparator = '/';
#endif

// The services both platforms' hosts offer alike; a platform's host adds standard error, its
// desktop front end and its termination watch.
class NativeHost : public ProgramHost, public ShellServices, public ProcessServices {
 public:
  FileSystem& Files() override { return PlatformFileSystem(); }
  const Clock& LocalClock() override { return SystemClock(); }
  const MonotonicClock& Monotonic() override { return SteadyClock(); }
  ShellServices& Shell() override { return *this; }
  ProcessServices& Process() override { return *this; }
  NumberFormatService& Numbers() override { return PlatformNumberFormat(); }
  PageFetcher& Fetcher() override {
    if (!fetcher_) fetcher_ = MakePlatformPageFetcher();
    return *fetcher_;
  }
  std::shared_ptr<HttpPoster> MakePoster() override {
    return MakePlatformHttpPoster(FetchLimits{});
  }
  std::unique_ptr<HttpTransport> MakeTransport() override { return MakePlatformHttpTransport(); }

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

  void SetPriority(PriorityClass priority) override { SetProcessPriority(priority); }
  bool StartNetwork() override { return verdalin::StartNetwork(); }
  std::string HostName() override { return verdalin::HostName(); }
  void EndProcessNow(int code) override { verdalin::EndProcessNow(code); }

 private:
  std::unique_ptr<PageFetcher> fetcher_;
};

}  // namespace verdalin
