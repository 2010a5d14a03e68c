// The Win32 front end as the contract tests drive it under Wine: its real window, timer and tray,
// whose popup menu opens as a right click opens it and is read and worked from its own window.
#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <thread>

#include "contract/contract_host.h"
#include "ui/control_table.h"
#include "win32/dialogs.h"
#include "win32/interval_timer.h"
#include "win32/main_window.h"
#include "win32/shell_services.h"
#include "win32/tray_area.h"

namespace verdalin {

namespace {

// The open popup menu's window of this process (the system keeps hidden ones of the same class).
HWND OpenMenuWindow() {
  for (HWND found = FindWindowExA(nullptr, nullptr, "#32768", nullptr); found != nullptr;
       found = FindWindowExA(nullptr, found, "#32768", nullptr)) {
    DWORD process = 0;
    GetWindowThreadProcessId(found, &process);
    if (process == GetCurrentProcessId() && IsWindowVisible(found)) return found;
  }
  return nullptr;
}

std::vector<MenuEntry> EntriesOf(HMENU menu) {
  std::vector<MenuEntry> entries;
  for (int i = 0; i < GetMenuItemCount(menu); ++i) {
    char text[128] = {};
    GetMenuStringA(menu, static_cast<UINT>(i), text, sizeof text, MF_BYPOSITION);
    const bool separator =
        (GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION) & MF_SEPARATOR) != 0;
    entries.push_back(
        {separator ? kMenuSeparator : static_cast<int>(GetMenuItemID(menu, i)), text});
  }
  return entries;
}

void PressKey(HWND window, WPARAM key) {
  PostMessageA(window, WM_KEYDOWN, key, 1);
  PostMessageA(window, WM_KEYUP, key, 0xC0000001);
}

class Win32ContractHost : public ContractHost, public DesktopHost {
 public:
  explicit Win32ContractHost(EventSink& events)
      : window_(GetModuleHandleA(nullptr), WindowResources{}, events) {
    texts_.Load();
    window_.Build(texts_);
  }

  EventLoop& Loop() override { return front_.loop; }
  Timer& PollTimer() override { return front_.timer; }
  bool RunUntil(const std::function<bool()>& done, int milliseconds) override;
  // Windows sends its programs no termination signal: a logout comes through the window.
  bool RequestTermination() override { return false; }
  DesktopHost* AsDesktop() override { return this; }

  Desktop& Front() override { return front_; }
  bool WindowShown() override { return IsWindowVisible(window_.Handle()) != FALSE; }
  void Minimise() override { PostMessageA(window_.Handle(), WM_SYSCOMMAND, SC_MINIMIZE, 0); }
  void Close() override { PostMessageA(window_.Handle(), WM_SYSCOMMAND, SC_CLOSE, 0); }
  void Click(int control) override { PostMessageA(window_.Control(control), BM_CLICK, 0, 0); }
  // The entries of the menu window that shows, then Escape closes it.
  std::vector<MenuEntry> MenuShown() override {
    std::vector<MenuEntry> entries;
    WithOpenMenu([&entries](HWND menu) {
      entries = EntriesOf(reinterpret_cast<HMENU>(SendMessageA(menu, MN_GETHMENU, 0, 0)));
      PressKey(menu, VK_ESCAPE);
    });
    return entries;
  }
  // The keys a user presses in the open menu: down to the item, then Enter.
  void Choose(int item) override {
    WithOpenMenu([item](HWND menu) {
      for (const MenuEntry& entry :
           EntriesOf(reinterpret_cast<HMENU>(SendMessageA(menu, MN_GETHMENU, 0, 0)))) {
        if (entry.item == kMenuSeparator) continue;  // the keys pass over separators
        PressKey(menu, VK_DOWN);
        if (entry.item == item) break;
      }
      PostMessageA(menu, WM_CHAR, '\r', 1);  // Enter, as the keyboard's translation gives it
    });
  }
  bool EndSession() override {
    SendMessageA(window_.Handle(), WM_QUERYENDSESSION, 0, 0);
    SendMessageA(window_.Handle(), WM_ENDSESSION, TRUE, 0);
    return true;
  }

 private:
  // Opens the tray's menu as a right click does (the menu's own loop runs until it closes), and
  // works its window from another thread once it shows.
  void WithOpenMenu(const std::function<void(HWND menu)>& act) {
    std::thread user([&act] {
      for (int tries = 0; tries < 300; ++tries, Sleep(10))
        if (const HWND menu = OpenMenuWindow()) return act(menu);
      ADD_FAILURE() << "no popup menu showed";
    });
    tray_.OpenMenu();
    user.join();
  }

  InterfaceTexts texts_;
  MainWindow window_;
  Win32IntervalTimer timer_{window_};
  Win32Tray tray_{window_};
  Win32Dialogs dialogs_{window_};
  EventRelay relay_;
  Desktop front_{relay_, window_, window_, timer_, tray_, dialogs_};
};

bool Win32ContractHost::RunUntil(const std::function<bool()>& done, int milliseconds) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
  while (!done()) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
  }
  return true;
}

}  // namespace

std::unique_ptr<ContractHost> MakeContractHost(EventSink& events) {
  return std::make_unique<Win32ContractHost>(events);
}

}  // namespace verdalin
