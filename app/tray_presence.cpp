// The window and the tray icon: hiding into the tray, coming back, and the area coming and going.
#include "app/tray_presence.h"

#include "ui/control_table.h"

namespace verdalin {

void TrayPresence::AddIcon() {
  icon_present_ = desktop_.tray.AddIcon(std::string(kTrayTooltip));
}

void TrayPresence::AddIconAndMenu() {
  AddIcon();
  std::vector<MenuEntry> entries;
  for (const TrayMenuEntry& entry : kTrayMenuEntries)
    entries.push_back({entry.item, std::string(entry.text)});
  menu_made_ = desktop_.tray.SetMenu(entries);
}

void TrayPresence::OpenMenu() {
  if (menu_made_) desktop_.tray.OpenMenu();
}

void TrayPresence::HideAtStart() {
  hide_pending_ = true;
  HideToTray();
}

// Without a notification area to come back from, the window stays where the user can reach it.
void TrayPresence::HideToTray() {
  if (!icon_present_ || !desktop_.tray.Available()) return;
  hide_pending_ = false;
  desktop_.window.HideWindow();
  process_.SetPriority(PriorityClass::kIdle);
  hidden_ = true;
}

void TrayPresence::HideIfMinimised() {
  if (!hidden_ && desktop_.window.IsMinimised()) HideToTray();
}

void TrayPresence::Restore(bool priority_first) {
  hide_pending_ = false;
  if (priority_first) process_.SetPriority(PriorityClass::kNormal);
  desktop_.window.RestoreWindow();
  if (!priority_first) process_.SetPriority(PriorityClass::kNormal);
  hidden_ = false;
}

void TrayPresence::OnAreaBack() {
  AddIcon();
  if (hide_pending_) HideToTray();
}

void TrayPresence::OnAreaLost() {
  icon_present_ = false;
  if (hidden_) Restore(false);
}

}  // namespace verdalin
