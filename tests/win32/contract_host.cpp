// The Win32 front end as the contract tests drive it under Wine: its real window, timer and tray.
#include <windows.h>

#include <chrono>

#include "contract/contract_host.h"
#include "ui/control_table.h"
#include "win32/dialogs.h"
#include "win32/interval_timer.h"
#include "win32/main_window.h"
#include "win32/shell_services.h"
#include "win32/tray_area.h"

namespace verdalin {

namespace {

class Win32ContractHost : public ContractHost {
 public:
  explicit Win32ContractHost(EventSink& events)
      : window_(GetModuleHandleA(nullptr), WindowResources{}, events) {}

  Desktop& Front() override { return front_; }
  bool RunUntil(const std::function<bool()>& done, int milliseconds) override {
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
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
  bool WindowShown() override { return IsWindowVisible(window_.Handle()) != FALSE; }
  void Minimise() override { PostMessageA(window_.Handle(), WM_SYSCOMMAND, SC_MINIMIZE, 0); }
  void Close() override { PostMessageA(window_.Handle(), WM_SYSCOMMAND, SC_CLOSE, 0); }
  void Click(int control) override { PostMessageA(window_.Control(control), BM_CLICK, 0, 0); }
  std::vector<MenuEntry> MenuShown() override {
    std::vector<MenuEntry> entries;
    const HMENU popup = tray_.Menu();
    for (int i = 0; i < GetMenuItemCount(popup); ++i) {
      char text[128] = {};
      GetMenuStringA(popup, static_cast<UINT>(i), text, sizeof text, MF_BYPOSITION);
      entries.push_back({static_cast<int>(GetMenuItemID(popup, i)), text});
    }
    return entries;
  }
  // What the shell's menu sends once the user has chosen: the item's command to the owner.
  void Choose(int item) override {
    PostMessageA(window_.Handle(), WM_COMMAND, MAKEWPARAM(item, 0), 0);
  }
  bool EndSession() override {
    SendMessageA(window_.Handle(), WM_QUERYENDSESSION, 0, 0);
    SendMessageA(window_.Handle(), WM_ENDSESSION, TRUE, 0);
    return true;
  }

 private:
  MainWindow window_;
  Win32IntervalTimer timer_{window_};
  Win32Tray tray_{window_};
  Win32Dialogs dialogs_{window_};
  EventRelay relay_;
  Desktop front_{relay_, window_, window_, timer_, tray_, dialogs_};
};

}  // namespace

std::unique_ptr<ContractHost> MakeContractHost(EventSink& events) {
  return std::make_unique<Win32ContractHost>(events);
}

}  // namespace verdalin
