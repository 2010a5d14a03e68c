// A front end without a GUI: keeps the window's state and logs every service call in order.
#pragma once

#include <algorithm>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/application.h"
#include "app/front_end.h"
#include "ui/control_ids.h"

namespace verdalin {

// One log shared by the fakes, so that tests can check the order of calls across services.
using CallLog = std::vector<std::string>;

inline std::ptrdiff_t LogIndex(const CallLog& log, const std::string& entry) {
  auto found = std::find(log.begin(), log.end(), entry);
  return found == log.end() ? -1 : found - log.begin();
}

inline std::ptrdiff_t LogCount(const CallLog& log, const std::string& entry) {
  return std::count(log.begin(), log.end(), entry);
}

class FakeFrontEnd : public WindowControls,
                     public WindowSystem,
                     public IntervalTimer,
                     public TrayArea,
                     public Dialogs,
                     public ShellServices,
                     public ProcessServices {
 public:
  explicit FakeFrontEnd(CallLog& log) : log_(log) {}

  // Window controls.
  std::string GetControlText(int id) override { return texts[id]; }
  void SetControlText(int id, const std::string& text) override {
    log_.push_back("text " + std::to_string(id));
    texts[id] = text;
  }
  int GetControlState(int id) override {
    auto found = states.find(id);
    return found != states.end() ? found->second : id == kPresetList ? -1 : 0;
  }
  void SetControlState(int id, int value) override {
    log_.push_back("state " + std::to_string(id) + " " + std::to_string(value));
    const bool in_list = value >= 0 && value < static_cast<int>(list_items.size());
    states[id] = id == kPresetList ? (in_list ? value : -1) : value;
  }
  void AddListItem(int id, int position, const std::string& text) override {
    log_.push_back("item " + std::to_string(id) + " " + std::to_string(position));
    list_items.insert(list_items.begin() + std::min<std::size_t>(position, list_items.size()),
                      text);
  }
  void SetStatusText(int field, const std::string& text, int appearance) override {
    log_.push_back("status " + std::to_string(field) + " " + text + " " +
                   std::to_string(appearance));
  }
  std::string GetWindowTitle() override { return title; }
  void SetWindowTitle(const std::string& new_title) override { title = new_title; }
  void ShowWindow(bool hide) override {
    log_.push_back(hide ? "hide" : "show");
    hidden = hide;
    if (!hide) minimised = false;
  }
  bool IsMinimised() override { return minimised; }

  // Window system.
  void BuildMainWindow(const InterfaceTexts& interface_texts) override {
    log_.push_back("build");
    built = true;
    title = "Verdalin";
    texts[kStartButton] = interface_texts.Text(2);
  }
  void SetWhiteBackground() override { log_.push_back("white"); }
  void ApplyBlackOnWhite(int id) override { log_.push_back("black " + std::to_string(id)); }
  void EndEventLoop() override { log_.push_back("end loop"); }

  // Timer: the running timers by identity with their periods.
  bool StartTimer(int identity, int64_t period_ms) override {
    log_.push_back("start timer " + std::to_string(identity) + " " + std::to_string(period_ms));
    if (refuse_timer) return false;
    timers[identity] = period_ms;
    return true;
  }
  void StopTimer(int identity) override {
    log_.push_back("stop timer " + std::to_string(identity));
    timers.erase(identity);
  }

  // Tray.
  bool TrayAvailable() override { return tray_available; }
  bool AddTrayIcon(int identity, const std::string& tooltip) override {
    log_.push_back("add icon " + std::to_string(identity));
    tray_tooltip = tooltip;
    return tray_available;
  }
  bool ShowTrayIcon(int identity) override {
    log_.push_back("show icon " + std::to_string(identity));
    return tray_available;
  }
  void RemoveTrayIcon(int identity) override {
    log_.push_back("remove icon " + std::to_string(identity));
  }
  bool CreatePopupMenu(int menu) override {
    log_.push_back("menu " + std::to_string(menu));
    return menu_possible;
  }
  void AddMenuItem(int menu, int item, const std::string& text) override {
    log_.push_back("menu " + std::to_string(menu) + " item " + std::to_string(item) + " " + text);
  }
  void AddMenuSeparator(int menu) override {
    log_.push_back("menu " + std::to_string(menu) + " separator");
  }
  void DisplayPopupMenu(int menu) override { log_.push_back("popup " + std::to_string(menu)); }

  // Dialogs.
  void ShowMessage(const std::string& message_title, const std::string& text,
                   MessageIcon icon) override {
    log_.push_back("message");
    messages.push_back({message_title, text, icon});
  }
  std::optional<std::string> ChooseFile(const FileDialogRequest& request) override {
    log_.push_back("file dialog");
    dialog_requests.push_back(request);
    return chosen_file;
  }

  // Shell.
  std::string SpecialFolderPath(SpecialFolder folder) override {
    return folder == SpecialFolder::kDocuments ? documents_folder : startup_folder;
  }
  std::string ExecutablePath() override { return executable; }
  char PathSeparator() override { return '\\'; }
  std::string StartupEntryName() override { return "Verdalin.lnk"; }
  bool CreateStartupEntry(const std::string& path, const StartupEntrySpec& entry) override {
    log_.push_back("create entry " + path);
    entries.push_back(entry);
    return entry_possible;
  }
  void OpenHomePage(const std::string& address) override { log_.push_back("open " + address); }

  // Process.
  void SetPriority(PriorityClass priority) override {
    log_.push_back(priority == PriorityClass::kIdle ? "idle" : "normal");
  }
  bool StartSocketLayer() override {
    log_.push_back("sockets");
    return sockets_work;
  }

  FrontEnd front{*this, *this, *this, *this, *this, *this, *this};

  struct Message {
    std::string title;
    std::string text;
    MessageIcon icon;
  };

  // Window state.
  std::map<int, std::string> texts;
  std::map<int, int> states;
  std::vector<std::string> list_items;
  std::string title;
  bool built = false;
  bool hidden = false;
  bool minimised = false;
  // Other services' state and knobs.
  std::map<int, int64_t> timers;
  bool refuse_timer = false;
  bool tray_available = true;
  bool menu_possible = true;
  std::string tray_tooltip;
  std::vector<Message> messages;
  std::vector<FileDialogRequest> dialog_requests;
  std::optional<std::string> chosen_file;
  std::string documents_folder = "C:\\Users\\me\\Documents";
  std::string startup_folder = "C:\\Users\\me\\Start Menu\\Programs\\Startup";
  std::string executable = "C:\\Verdalin\\verdalin.exe";
  std::vector<StartupEntrySpec> entries;
  bool entry_possible = true;
  bool sockets_work = true;

 private:
  CallLog& log_;
};

// A poll that only counts and logs.
class FakePoll : public PollRunner {
 public:
  explicit FakePoll(CallLog& log) : log_(log) {}
  void Poll() override {
    ++count;
    log_.push_back("poll");
  }
  int count = 0;

 private:
  CallLog& log_;
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
  std::vector<std::string> ListFolder(const std::string& folder) override {
    return inner_.ListFolder(folder);
  }

 private:
  FileSystem& inner_;
  CallLog& log_;
};

}  // namespace verdalin
