// The notification-area icon and the popup menu it opens, over Shell_NotifyIconA.
#pragma once

#include <windows.h>

#include <map>
#include <string>

#include "app/front_end.h"
#include "win32/main_window.h"

namespace verdalin {

class Win32Tray : public TrayArea {
 public:
  static constexpr UINT kNoticeMilliseconds = 10000;

  // The icon and the menu belong to `window`, which is built later.
  explicit Win32Tray(const MainWindow& window) : window_(window) {}
  ~Win32Tray() override;
  Win32Tray(const Win32Tray&) = delete;
  Win32Tray& operator=(const Win32Tray&) = delete;

  bool TrayAvailable() override;
  bool AddTrayIcon(int identity, const std::string& tooltip) override;
  bool ShowTrayIcon(int identity) override;
  void RemoveTrayIcon(int identity) override;
  bool ShowNotice(int identity, const std::string& title, const std::string& text) override;
  bool CreatePopupMenu(int menu, const std::vector<MenuEntry>& entries) override;
  void DisplayPopupMenu(int menu) override;

  // The menu made under that number; null when none was.
  HMENU Menu(int menu) const;

 private:
  HWND Owner() const { return window_.Handle(); }

  const MainWindow& window_;
  HICON icon_ = nullptr;
  std::map<int, HMENU> menus_;
};

// The first icon of the running executable; null when there is none.
HICON ExecutableIcon();

}  // namespace verdalin
