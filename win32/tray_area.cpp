// The notification-area icon (Shell_NotifyIconA) and the popup menu of the main window.
#include "win32/tray_area.h"

#include <shellapi.h>

#include <cstring>

#include "base/encoding.h"

namespace verdalin {

namespace {

NOTIFYICONDATAA IconData(HWND owner) {
  NOTIFYICONDATAA data = {};
  data.cbSize = sizeof(data);
  data.hWnd = owner;
  data.uID = kTrayIconId;
  return data;
}

}  // namespace

HICON ExecutableIcon() {
  char path[MAX_PATH] = {};
  const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return nullptr;
  const HICON icon = ExtractIconA(GetModuleHandleA(nullptr), path, 0);
  // 1 means "not an executable, DLL or icon file"; null means it holds no icon.
  return reinterpret_cast<UINT_PTR>(icon) <= 1 ? nullptr : icon;
}

Win32Tray::~Win32Tray() {
  if (icon_ != nullptr) DestroyIcon(icon_);
  if (menu_ != nullptr) DestroyMenu(menu_);
}

// The shell's taskbar window holds the notification area (Wine's desktop has one too).
bool Win32Tray::Available() {
  return FindWindowA("Shell_TrayWnd", nullptr) != nullptr;
}

// The icon is added, then its hidden state cleared, so that it shows whatever the shell made of
// an earlier icon of the same identity.
bool Win32Tray::AddIcon(const std::string& tooltip) {
  if (icon_ == nullptr) icon_ = ExecutableIcon();
  NOTIFYICONDATAA data = IconData(Owner());
  data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  data.uCallbackMessage = kTrayCallbackMessage;
  data.hIcon = icon_;
  std::strncpy(data.szTip, tooltip.c_str(), sizeof(data.szTip) - 1);
  const bool added = Shell_NotifyIconA(NIM_ADD, &data) != 0;
  NOTIFYICONDATAA shown = IconData(Owner());
  shown.uFlags = NIF_STATE;
  shown.dwState = 0;
  shown.dwStateMask = NIS_HIDDEN;
  Shell_NotifyIconA(NIM_MODIFY, &shown);
  return added;
}

void Win32Tray::RemoveIcon() {
  NOTIFYICONDATAA data = IconData(Owner());
  Shell_NotifyIconA(NIM_DELETE, &data);
}

// The icon's balloon: the information icon, the title in bold, the text under it.
bool Win32Tray::ShowNotice(const std::string& title, const std::string& text) {
  NOTIFYICONDATAA data = IconData(Owner());
  data.uFlags = NIF_INFO;
  std::strncpy(data.szInfoTitle, title.c_str(), sizeof(data.szInfoTitle) - 1);
  std::strncpy(data.szInfo, text.c_str(), sizeof(data.szInfo) - 1);
  data.dwInfoFlags = NIIF_INFO;
  data.uTimeout = kNoticeMilliseconds;
  return Shell_NotifyIconA(NIM_MODIFY, &data) != 0;
}

bool Win32Tray::SetMenu(const std::vector<MenuEntry>& entries) {
  const HMENU created = ::CreatePopupMenu();
  if (created == nullptr) return false;
  if (menu_ != nullptr) DestroyMenu(menu_);
  menu_ = created;
  for (const MenuEntry& entry : entries) {
    if (entry.item == kMenuSeparator)
      AppendMenuA(created, MF_SEPARATOR, 0, nullptr);
    else
      AppendMenuA(created, MF_STRING, static_cast<UINT_PTR>(entry.item),
                  Utf8ToWindows1252(entry.text).c_str());
  }
  return true;
}

void Win32Tray::OpenMenu() {
  const HMENU popup = menu_;
  const HWND owner = Owner();
  if (popup == nullptr || owner == nullptr) return;
  SetForegroundWindow(owner);  // so that a click elsewhere dismisses the menu
  POINT cursor = {};
  GetCursorPos(&cursor);
  TrackPopupMenu(popup, TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON, cursor.x - 1, cursor.y - 1,
                 0, owner, nullptr);
  PostMessageA(owner, WM_NULL, 0, 0);  // lets the menu close properly on the next click
}

}  // namespace verdalin
