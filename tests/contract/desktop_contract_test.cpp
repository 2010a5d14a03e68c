// The contract of the desktop front ends: the window, the tray menu and the session's end.
#include "contract/contract_fixture.h"
#include "ui/control_table.h"

namespace verdalin {

TEST_F(DesktopContract, WindowHidesRestoresAndReportsTheUsersMinimise) {
  WindowControls& window = desktop_->Front().window;
  EXPECT_TRUE(desktop_->WindowShown());
  window.HideWindow();
  EXPECT_FALSE(desktop_->WindowShown());
  window.RestoreWindow();
  EXPECT_TRUE(desktop_->WindowShown());
  desktop_->Minimise();
  EXPECT_TRUE(WaitFor(EventKind::kWindowMinimised, 0));
  EXPECT_TRUE(window.IsMinimised());
  window.RestoreWindow();
  EXPECT_TRUE(desktop_->WindowShown());
  EXPECT_FALSE(window.IsMinimised());
}

TEST_F(DesktopContract, CloseAndClicksAreEventsAndTheWindowStays) {
  desktop_->Click(kStartButton);
  EXPECT_TRUE(WaitFor(EventKind::kControl, kStartButton));
  desktop_->Close();
  EXPECT_TRUE(WaitFor(EventKind::kCloseRequested, 0));
  EXPECT_TRUE(desktop_->WindowShown());  // the core decides when the program ends
}

TEST_F(DesktopContract, TrayMenuHoldsTheCoresEntriesAndReportsTheChoice) {
  const std::vector<MenuEntry> entries = {
      {kRestoreItem, "Restore Window"}, {kMenuSeparator, ""}, {kQuitItem, "Quit"}};
  ASSERT_TRUE(desktop_->Front().tray.SetMenu(entries));
  const std::vector<MenuEntry> shown = desktop_->MenuShown();
  ASSERT_EQ(shown.size(), entries.size());
  for (std::size_t i = 0; i < entries.size(); ++i) {
    EXPECT_EQ(shown[i].item, entries[i].item) << i;
    EXPECT_EQ(shown[i].text, entries[i].text) << i;
  }
  EXPECT_EQ(events_.Count(EventKind::kTrayMenuItem), 0) << "looking at the menu chooses nothing";
  desktop_->Choose(kQuitItem);
  EXPECT_TRUE(WaitFor(EventKind::kTrayMenuItem, kQuitItem));
  EXPECT_FALSE(events_.Has(EventKind::kTrayMenuItem, kRestoreItem));
}

// A logout reaches the core as an event that saves the settings, and the window stays.
TEST_F(DesktopContract, SessionEndReachesTheCore) {
  if (!desktop_->EndSession()) GTEST_SKIP() << "no session manager here";
  EXPECT_TRUE(WaitFor(EventKind::kSessionSaveRequest, 0));
  EXPECT_TRUE(desktop_->WindowShown());
}

}  // namespace verdalin
