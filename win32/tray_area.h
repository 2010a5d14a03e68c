// The notification-area icon and the popup menu it opens, over Shell_NotifyIconA.
#pragma once

#include <windows.h>

#include <string>

#include "app/tray.h"
#include "win32/main_window.h"

namespace verdalin {

// The icon's messages to its window, and its identity there.
inline constexpr UINT kTrayCallbackMessage = 0x7658;
inline constexpr UINT kTrayIconId = 0;

class Win32Tray : public Tray {
 public:
  static constexpr UINT kNoticeMilliseconds = 10000;

  // The icon and the menu belong to `window`, which is built later.
  explicit Win32Tray(const MainWindow& window) : window_(window) {}
  ~Win32Tray() override;
  Win32Tray(const Win32Tray&) = delete;
  Win32Tray& operator=(const Win32Tray&) = delete;

  bool Available() override;
  bool AddIcon(const std::string& tooltip) override;
  void RemoveIcon() override;
  bool ShowNotice(const std::string& title, const std::string& text) override;
  bool SetMenu(const std::vector<MenuEntry>& entries) override;
  void OpenMenu() override;

  // The menu made; null when none was.
  HMENU Menu() const { return menu_; }

 private:
  HWND Owner() const { return window_.Handle(); }

  const MainWindow& window_;
  HICON icon_ = nullptr;
  HMENU menu_ = nullptr;
};

// The first icon of the running executable; null when there is none.
HICON ExecutableIcon();

}  // namespace verdalin
