// A front end without a GUI: keeps the window's state and logs every service call in order.
#pragma once

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "app/desktop.h"
#include "app/host.h"
#include "base/locale_number.h"
#include "fakes/fake_window.h"
#include "ui/control_ids.h"

namespace verdalin {

inline std::ptrdiff_t LogIndex(const CallLog& log, const std::string& entry) {
  auto found = std::find(log.begin(), log.end(), entry);
  return found == log.end() ? -1 : found - log.begin();
}

inline std::ptrdiff_t LogCount(const CallLog& log, const std::string& entry) {
  return std::count(log.begin(), log.end(), entry);
}

class FakeFrontEnd : public FakeWindow,
                     public EventLoop,
                     public Timer,
                     public Tray,
                     public Dialogs,
                     public ShellServices,
                     public ProcessServices {
 public:
  explicit FakeFrontEnd(CallLog& log) : FakeWindow(&log) {}

  // Loop.
  void Run() override { Log("run loop"); }
  void End() override { Log("end loop"); }
  // Any thread: kept until the test takes it.
  void Post(const Event& event) override {
    std::lock_guard lock(posted_mutex_);
    posted_.push_back(event);
    posted_ready_.notify_all();
  }
  // The next posted event, waiting for it up to `wait`; nothing when none came.
  std::optional<Event> TakePosted(std::chrono::milliseconds wait) {
    std::unique_lock lock(posted_mutex_);
    if (!posted_ready_.wait_for(lock, wait, [this] { return !posted_.empty(); }))
      return std::nullopt;
    const Event event = posted_.front();
    posted_.pop_front();
    return event;
  }

  // Timer: its period while it runs.
  bool Start(int64_t period_ms) override {
    Log("start timer " + std::to_string(period_ms));
    if (refuse_timer) return false;
    timer_period = period_ms;
    return true;
  }
  void Stop() override {
    Log("stop timer");
    timer_period.reset();
  }

  // Tray.
  bool Available() override { return tray_available; }
  bool AddIcon(const std::string& tooltip) override {
    Log("add icon");
    tray_tooltip = tooltip;
    return tray_available;
  }
  void RemoveIcon() override { Log("remove icon"); }
  bool ShowNotice(const std::string& notice_title, const std::string& text) override {
    Log("notice " + notice_title + ": " + text);
    return tray_available;
  }
  bool SetMenu(const std::vector<MenuEntry>& entries) override {
    Log("menu");
    if (menu_possible) menu_entries = entries;
    return menu_possible;
  }
  void OpenMenu() override { Log("popup"); }

  // Dialogs.
  void ShowMessage(const std::string& message_title, const std::string& text,
                   MessageIcon icon) override {
    Log("message");
    messages.push_back({message_title, text, icon});
  }
  std::optional<std::string> ChooseFile(const FileDialogRequest& request) override {
    Log("file dialog");
    dialog_requests.push_back(request);
    return chosen_file;
  }
  // The settings window: the user's edits, then OK (true) or Cancel.
  bool EditSettings(SettingsForm& form) override {
    Log("settings dialog");
    return settings_edit ? settings_edit(form) : false;
  }

  // Shell.
  std::string SpecialFolderPath(SpecialFolder folder) override {
    if (folder == SpecialFolder::kSettings) return settings_folder;
    if (folder == SpecialFolder::kShippedData) return shipped_folder;
    return folder == SpecialFolder::kDocuments ? documents_folder : startup_folder;
  }
  std::string ExecutablePath() override { return executable; }
  char PathSeparator() override { return '\\'; }
  std::string StartupEntryName() override { return "Verdalin.lnk"; }
  bool CreateStartupEntry(const std::string& path, const StartupEntrySpec& entry) override {
    Log("create entry " + path);
    entries.push_back(entry);
    return entry_possible;
  }
  bool OpenAddress(const std::string& address) override {
    Log("open " + address);
    return true;
  }
  bool CanCreateFilesIn(const std::string& folder) override {
    return !read_only_folders.count(folder);
  }
  // A folder made here exists on the disk the test gives (disk_folders), when one is given.
  bool CreateFolder(const std::string& folder) override {
    Log("create folder " + folder);
    if (disk_folders != nullptr) disk_folders->insert(folder);
    return true;
  }

  // Process.
  void SetPriority(PriorityClass priority) override {
    Log(priority == PriorityClass::kIdle ? "idle" : "normal");
  }
  bool StartNetwork() override {
    Log("network");
    return network_works;
  }
  void EndProcessNow(int code) override { Log("end process " + std::to_string(code)); }

  EventRelay relay;
  Desktop desktop{relay, *this, *this, *this, *this, *this};

  struct Message {
    std::string title;
    std::string text;
    MessageIcon icon;
  };

  // Other services' state and knobs.
  std::optional<int64_t> timer_period;
  bool refuse_timer = false;
  bool tray_available = true;
  bool menu_possible = true;
  std::vector<MenuEntry> menu_entries;
  std::string tray_tooltip;
  std::vector<Message> messages;
  std::vector<FileDialogRequest> dialog_requests;
  std::optional<std::string> chosen_file;
  std::function<bool(SettingsForm&)> settings_edit;
  std::string documents_folder = "C:\\Users\\me\\Documents";
  std::string startup_folder = "C:\\Users\\me\\Start Menu\\Programs\\Startup";
  std::string executable = "C:\\Verdalin\\verdalin.exe";
  std::string settings_folder = "C:\\Users\\me\\AppData\\Roaming\\Verdalin";
  std::string shipped_folder = "C:\\Verdalin";
  std::set<std::string> read_only_folders;
  std::set<std::string>* disk_folders = nullptr;
  std::vector<StartupEntrySpec> entries;
  bool entry_possible = true;
  bool network_works = true;

 private:
  std::mutex posted_mutex_;
  std::condition_variable posted_ready_;
  std::deque<Event> posted_;
};

// Number formatting that hands out a fixed snapshot.
class FakeNumberFormat : public NumberFormatService {
 public:
  explicit FakeNumberFormat(CallLog& log) : log_(log) {}
  LocaleSnapshot TakeSnapshot() override {
    log_.push_back("locale");
    return snapshot;
  }
  bool FormatNumber(const std::string&, const LocaleSnapshot&, char*, int) override {
    return false;
  }
  LocaleSnapshot snapshot{",", " "};

 private:
  CallLog& log_;
};

// Passes every call on to another file system and logs the whole-file reads and writes.
class LoggingFileSystem : public FileSystem {
 public:
  LoggingFileSystem(FileSystem& inner, CallLog& log) : inner_(inner), log_(log) {}
  PathInfo Stat(const std::string& path) override { return inner_.Stat(path); }
  std::unique_ptr<OpenFile> OpenShared(const std::string& path) override {
    return inner_.OpenShared(path);
  }
  bool Remove(const std::string& path) override {
    log_.push_back("remove " + path);
    return inner_.Remove(path);
  }
  bool ReadAll(const std::string& path, std::string& contents) override {
    log_.push_back("read " + path);
    return inner_.ReadAll(path, contents);
  }
  bool ReplaceAll(const std::string& path, std::string_view contents) override {
    log_.push_back("write " + path);
    return inner_.ReplaceAll(path, contents);
  }
  bool Publish(const std::string& path, std::string_view contents) override {
    log_.push_back("publish " + path);
    return inner_.Publish(path, contents);
  }
  bool ReadPart(const std::string& path, int64_t offset, std::size_t count,
                std::string& contents) override {
    return inner_.ReadPart(path, offset, count, contents);
  }
  std::optional<FileIdentity> IdentityOf(const std::string& path) override {
    return inner_.IdentityOf(path);
  }
  std::vector<std::string> ListFolder(const std::string& folder) override {
    return inner_.ListFolder(folder);
  }

 private:
  FileSystem& inner_;
  CallLog& log_;
};

}  // namespace verdalin
