// The Win32 main window: its 24 controls, status bar, colours, interval timer and event loop.
#pragma once

#include <windows.h>

#include <array>
#include <cstdint>
#include <string>

#include "app/front_end.h"
#include "ui/control_ids.h"

namespace verdalin {

// What the window passes on to the application; the loop's own events are told apart here.
class WindowEvents {
 public:
  virtual ~WindowEvents() = default;
  virtual void OnClose() = 0;
  virtual void OnMenuItem(int item) = 0;
  virtual void OnControl(int id) = 0;
  virtual void OnOtherEvent() = 0;
  // The mouse message number of a tray callback (0x204 right press, 0x203 double click, ...).
  virtual void OnTrayMessage(UINT mouse_message) = 0;
  virtual void OnTimer() = 0;
  virtual void OnSessionEnd() = 0;
  virtual void OnTrayRecreated() = 0;
};

// Pictures and font loaded before the window is built; the window does not own them.
struct WindowResources {
  HBITMAP banner = nullptr;
  HBITMAP globe = nullptr;
  HFONT link_font = nullptr;
};

inline constexpr char kMainWindowClass[] = "VerdalinMainWindow";
inline constexpr int kStatusBarId = 100;

class MainWindow : public WindowControls, public WindowSystem, public IntervalTimer {
 public:
  MainWindow(HINSTANCE instance, const WindowResources& resources);
  ~MainWindow() override;
  MainWindow(const MainWindow&) = delete;
  MainWindow& operator=(const MainWindow&) = delete;

  void SetEventSink(WindowEvents* events) { events_ = events; }
  HWND Handle() const { return window_; }
  HWND Control(int id) const;

  // Waits for messages and dispatches them until EndEventLoop or WM_QUIT.
  void RunEventLoop();

  // WindowSystem
  void BuildMainWindow(const InterfaceTexts& texts) override;
  void SetWhiteBackground() override;
  void ApplyBlackOnWhite(int id) override;
  void EndEventLoop() override { loop_ended_ = true; }

  // WindowControls
  std::string GetControlText(int id) override;
  void SetControlText(int id, const std::string& text) override;
  int GetControlState(int id) override;
  void SetControlState(int id, int value) override;
  void AddListItem(int id, int position, const std::string& text) override;
  void SetStatusText(int field, const std::string& text, int appearance) override;
  std::string GetWindowTitle() override;
  void SetWindowTitle(const std::string& title) override;
  void ShowWindow(bool hide) override;
  bool IsMinimised() override;

  // IntervalTimer
  bool StartTimer(int identity, int64_t period_ms) override;
  void StopTimer(int identity) override;

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  LRESULT Handle(UINT message, WPARAM wparam, LPARAM lparam);
  LRESULT ControlColour(UINT message, WPARAM wparam, LPARAM lparam);
  void OnCommand(WPARAM wparam, LPARAM lparam);
  bool RegisterWindowClass();
  void CreateStatusBar(const InterfaceTexts& texts);
  void CreateControls(const InterfaceTexts& texts);

  HINSTANCE instance_;
  WindowResources resources_;
  WindowEvents* events_ = nullptr;
  HWND window_ = nullptr;
  HWND status_bar_ = nullptr;
  std::array<HWND, kControlCount> controls_{};
  std::array<bool, kControlCount> black_on_white_{};
  HBRUSH white_brush_ = nullptr;
  UINT taskbar_created_ = 0;
  bool loop_ended_ = false;
  bool loop_event_handled_ = false;  // the message being dispatched was a close, menu or control
};

}  // namespace verdalin
