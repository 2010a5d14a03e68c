// Where the desktop program shows itself: the window, or the tray icon with the window hidden and
// the process at idle priority; and the icon's menu.
#pragma once

#include "app/desktop.h"
#include "app/host.h"

namespace verdalin {

class TrayPresence {
 public:
  TrayPresence(Desktop& desktop, ProcessServices& process) : desktop_(desktop), process_(process) {}

  // The icon with its tooltip, and the menu (the program goes on without a menu it cannot make).
  void AddIconAndMenu();
  void RemoveIcon() { desktop_.tray.RemoveIcon(); }
  // A right press on the icon.
  void OpenMenu();

  // "-startup": into the tray now, or as soon as a notification area appears.
  void HideAtStart();
  // The window is minimised: into the tray, where there is one to come back from.
  void HideIfMinimised();
  // The menu item shows the window first, a double click on the icon raises the priority first.
  void Restore(bool priority_first);
  // The user has the window in hand: a pending start-up hide is dropped.
  void KeepShown() { hide_pending_ = false; }

  void OnAreaBack();
  void OnAreaLost();

 private:
  void AddIcon();
  void HideToTray();

  Desktop& desktop_;
  ProcessServices& process_;
  bool icon_present_ = false;
  bool menu_made_ = false;
  bool hidden_ = false;
  bool hide_pending_ = false;  // "-startup" before any notification area existed
};

}  // namespace verdalin
