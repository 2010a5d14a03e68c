// The program without a window: a front end in memory, an event loop with its timers, and lines
// on standard error where the desktop would show things.
#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "app/front_end.h"

namespace verdalin {

// Where the headless program says things: one line each (standard error, for journald).
using LineSink = std::function<void(const std::string& line)>;

// The controls in memory: the settings live there as in the window. Status texts other than a
// poll's line of values are said once each time they change.
class HeadlessWindow : public WindowControls {
 public:
  explicit HeadlessWindow(LineSink say) : say_(std::move(say)) {}
  std::string GetControlText(int id) override { return texts_[id]; }
  void SetControlText(int id, const std::string& text) override { texts_[id] = text; }
  int GetControlState(int id) override;
  void SetControlState(int id, int value) override;
  void AddListItem(int id, int position, const std::string& text) override;
  void SetStatusText(int field, const std::string& text, int appearance) override;
  bool StatusTextFits(int, const std::string&) override { return true; }
  std::string GetWindowTitle() override { return title_; }
  void SetWindowTitle(const std::string& title) override { title_ = title; }
  void HideWindow() override {}
  void RestoreWindow() override {}
  bool IsMinimised() override { return false; }

 private:
  LineSink say_;
  std::map<int, std::string> texts_;
  std::map<int, int> states_;
  std::map<int, std::vector<std::string>> items_;
  std::string title_;
  std::string last_said_;
};

// The event loop and the interval timers: waits for the next due timer or a posted event, and
// wakes for nothing else.
class HeadlessLoop : public WindowSystem, public IntervalTimer {
 public:
  explicit HeadlessLoop(EventSink& events) : events_(events) {}
  void BuildMainWindow(const InterfaceTexts&) override {}
  void SetWhiteBackground() override {}
  void ApplyBlackOnWhite(int) override {}
  void RunEventLoop() override;
  void EndEventLoop() override { ended_ = true; }
  void PostEvent(const Event& event) override;
  bool StartTimer(int identity, int64_t period_ms) override;
  void StopTimer(int identity) override;

 private:
  using Clock = std::chrono::steady_clock;
  struct Timer {
    std::chrono::milliseconds period;
    Clock::time_point due;
  };
  // The next event: a posted one, else the first timer due; waits until one comes.
  Event Next();

  EventSink& events_;
  std::mutex mutex_;
  std::condition_variable posted_signal_;
  std::deque<Event> posted_;
  std::map<int, Timer> timers_;
  bool ended_ = false;
};

// No notification area: notices and the menu go nowhere (events are said as lines instead).
class HeadlessTray : public TrayArea {
 public:
  bool TrayAvailable() override { return false; }
  bool AddTrayIcon(int, const std::string&) override { return false; }
  bool ShowTrayIcon(int) override { return false; }
  void RemoveTrayIcon(int) override {}
  bool ShowNotice(int, const std::string&, const std::string&) override { return false; }
  bool CreatePopupMenu(int, const std::vector<MenuEntry>&) override { return false; }
  void DisplayPopupMenu(int) override {}
};

// Message boxes become lines; there is nobody to choose a file.
class HeadlessDialogs : public Dialogs {
 public:
  explicit HeadlessDialogs(LineSink say) : say_(std::move(say)) {}
  void ShowMessage(const std::string& title, const std::string& text, MessageIcon) override {
    say_(title + ": " + text);
  }
  std::optional<std::string> ChooseFile(const FileDialogRequest&) override { return std::nullopt; }

 private:
  LineSink say_;
};

}  // namespace verdalin
