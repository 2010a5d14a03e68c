// The Win32 main window: its 24 controls, status bar, colours and the event loop.
#pragma once

#include <windows.h>

#include <array>
#include <cstdint>
#include <string>

#include "app/events.h"
#include "ui/control_ids.h"
#include "ui/window_controls.h"
#include "win32/pictures.h"

namespace verdalin {

inline constexpr char kMainWindowClass[] = "VerdalinMainWindow";
inline constexpr int kStatusBarId = 100;
// Carries an event posted from another thread: the kind in the first parameter, the value in
// the second.
inline constexpr UINT kPostedEventMessage = WM_APP + 1;

class MainWindow : public WindowControls, public EventLoop {
 public:
  // The window's messages become events for `events`: close, controls, menu items, timer ticks,
  // tray icon actions, a minimised window, the taskbar's return and the session's end.
  MainWindow(HINSTANCE instance, const WindowResources& resources, EventSink& events);
  ~MainWindow() override;
  MainWindow(const MainWindow&) = delete;
  MainWindow& operator=(const MainWindow&) = delete;

  HWND Handle() const { return window_; }
  HWND Control(int id) const;

  // EventLoop: waits for messages and dispatches them until End or WM_QUIT.
  void Run() override;
  void End() override { loop_ended_ = true; }
  void Post(const Event& event) override;

  // WindowControls
  void Build(const InterfaceTexts& texts) override;
  std::string GetControlText(int id) override;
  void SetControlText(int id, const std::string& text) override;
  int GetControlState(int id) override;
  void SetControlState(int id, int value) override;
  void AddListItem(int id, int position, const std::string& text) override;
  void SetStatusText(int field, const std::string& text, int appearance) override;
  bool StatusTextFits(int field, const std::string& text) override;
  std::string GetWindowTitle() override;
  void SetWindowTitle(const std::string& title) override;
  void HideWindow() override;
  void RestoreWindow() override;
  bool IsMinimised() override;

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  LRESULT Handle(UINT message, WPARAM wparam, LPARAM lparam);
  LRESULT ControlColour(UINT message, WPARAM wparam, LPARAM lparam);
  void OnCommand(WPARAM wparam, LPARAM lparam);
  void OnTrayCallback(LPARAM mouse_message);
  void Report(const Event& event);
  bool RegisterWindowClass();
  void CreateStatusBar(const InterfaceTexts& texts);
  void CreateControls(const InterfaceTexts& texts);
  void SetWhiteBackground();

  HINSTANCE instance_;
  WindowResources resources_;
  EventSink* events_;
  HWND window_ = nullptr;
  HWND status_bar_ = nullptr;
  std::array<HWND, kControlCount> controls_{};
  HBRUSH white_brush_ = nullptr;
  UINT taskbar_created_ = 0;
  bool loop_ended_ = false;
};

}  // namespace verdalin
