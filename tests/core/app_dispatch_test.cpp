// The event dispatch of the application core, row by row, with the tray moves and the shutdown.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "fakes/app_harness.h"
#include "ui/control_table.h"
#include "verdalin_version.h"

namespace verdalin {

namespace {

struct Started : AppHarness {
  Started() {
    disk.files[kPresets] =
        "[Index]\r\ntotal=2\r\n1=A\r\n2=B\r\n"
        "[A]\r\ntype=SAGEM\r\nlabel=A\r\nURL=ua\r\nlogin=la\r\npassword=pa\r\ndownmax=1\r\n"
        "[B]\r\ntype=AH4222\r\nlabel=B\r\nURL=ub\r\nlogin=lb\r\npassword=pb\r\ndownmax=2\r\n";
    EXPECT_TRUE(Start());
    mark = log.size();
  }
  CallLog Since() const { return LogFrom(mark); }
  std::size_t mark = 0;
};

}  // namespace

TEST(AppDispatch, CloseAndQuitEndTheLoopAndShutdownSavesThenRemovesTheIcon) {
  for (bool by_menu : {false, true}) {
    Started h;
    h.front.texts[kAddressField] = "http://127.0.0.1:8/edited";
    h.Send(by_menu ? EventKind::kTrayMenuItem : EventKind::kCloseRequested, 2);
    EXPECT_EQ(h.Since(), (CallLog{"end loop"}));
    EXPECT_EQ(h.app.Shutdown(), 0);
    EXPECT_EQ(h.Setting("url"), "http://127.0.0.1:8/edited");
    EXPECT_LT(LogIndex(h.log, std::string("write ") + AppHarness::kSettings),
              LogIndex(h.log, "remove icon"));
    EXPECT_FALSE(h.front.timer_period);  // monitoring was off; nothing stopped it either
  }
}

TEST(AppDispatch, RestoreMenuItemShowsWithNormalPriorityAndOtherItemsAreIgnored) {
  Started h;
  h.front.minimised = true;
  h.Send(EventKind::kTrayMenuItem, 1);
  EXPECT_EQ(h.Since(), (CallLog{"show", "normal"}));
  EXPECT_FALSE(h.front.minimised);
  h.mark = h.log.size();
  h.Send(EventKind::kTrayMenuItem, 5);
  h.Send(EventKind::kTrayMenuItem, 0);
  EXPECT_TRUE(h.Since().empty());
}

TEST(AppDispatch, StartRunsTheTimerAndOnePollEachTime) {
  Started h;
  h.front.texts[kDelayField] = "20";
  h.Send(EventKind::kControl, kStartButton);
  h.front.texts[kDelayField] = "7";
  h.Send(EventKind::kControl, kStartButton);
  const std::string error = "status 0 CONNECTION ERROR: check URL. 5";  // no gateway here
  // The second failure in a row tells the user that the gateway is unreachable.
  EXPECT_EQ(h.Since(), (CallLog{"start timer 20000", "poll", error, "start timer 7000", "poll",
                                error, "notice Verdalin: Gateway unreachable"}));
  EXPECT_EQ(h.front.timer_period, 7000);
  h.Send(EventKind::kTimerTick);
  EXPECT_EQ(h.Polls(), 3);
}

// One rule for both programs: never under a second (0, negative or letters would poll without
// a pause), never beyond what the platform timers take.
TEST(AppDispatch, TimerPeriodRunsAtLeastEverySecond) {
  const std::vector<std::pair<std::string, int64_t>> delays = {
      {"abc", 1000},
      {"0", 1000},
      {"-5", 1000},
      {" 12s", 12000},
      {"2147483", 2147483000},
      {"2147484", kLongestPollPeriod},
      {"2147483647", kLongestPollPeriod}};  // no 32-bit overflow
  for (const auto& [delay, period] : delays) EXPECT_EQ(PollPeriod(delay), period) << delay;
  Started h;
  h.front.texts[kDelayField] = "letters";
  h.Send(EventKind::kControl, kStartButton);
  EXPECT_EQ(h.Since().front(), "start timer 1000");
}

TEST(AppDispatch, RefusedTimerShowsTheErrorAndDoesNotPoll) {
  Started h;
  h.front.refuse_timer = true;
  h.Send(EventKind::kControl, kStartButton);
  EXPECT_EQ(h.Since(), (CallLog{"start timer 300000", "status 0 ERROR WITH TIMER!! 5"}));
  EXPECT_EQ(h.Polls(), 0);
}

TEST(AppDispatch, StopShowsItsMessageWithOrWithoutATimer) {
  Started h;
  h.Send(EventKind::kControl, kStopButton);
  EXPECT_EQ(h.Since(), (CallLog{"stop timer", "status 0 Monitoring stopped. 6"}));
  h.Send(EventKind::kControl, kStartButton);
  h.Send(EventKind::kControl, kStopButton);
  EXPECT_FALSE(h.front.timer_period);
}

// The fetch runs beside the loop: a tick that comes meanwhile is dropped, and a STOP stops the
// timer at once and shows its message after the poll's own, so no further poll runs.
TEST(AppDispatch, TicksDuringAFetchAreDroppedAndStopWaitsForThePoll) {
  Started h;
  h.fetcher.page = "<html>a page of no known model</html>";
  h.front.states[kPresetList] = 0;
  h.app.Dispatch({EventKind::kControl, kStartButton});
  h.app.Dispatch({EventKind::kTimerTick});
  h.app.Dispatch({EventKind::kControl, kStopButton});
  h.Settle();
  EXPECT_EQ(h.Polls(), 1);
  EXPECT_FALSE(h.front.timer_period);
  const std::vector<std::string> shown = h.front.StatusHistory(0);
  ASSERT_GE(shown.size(), 2u);
  EXPECT_NE(shown[shown.size() - 2].find("Warning : Bad/Empty values"), std::string::npos);
  EXPECT_EQ(shown.back(), "Monitoring stopped.");
}

// A quit while the gateway hangs cancels the fetch: no row, the settings saved, the end at once.
TEST(AppDispatch, QuitDuringAFetchCancelsItAndSavesTheSettings) {
  Started h;
  h.front.texts[kOutputFileField] = "C:\\Verdalin\\log.csv";
  h.fetcher.page = "<html>late</html>";
  h.fetcher.during_fetch = [](CancelToken& cancel) {
    while (!cancel.Cancelled()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  };
  h.app.Dispatch({EventKind::kControl, kStartButton});
  h.app.Dispatch({EventKind::kTerminationRequested});
  EXPECT_EQ(LogCount(h.log, "end loop"), 1);
  EXPECT_EQ(h.app.Shutdown(), 0);
  EXPECT_EQ(h.disk.files.count("C:\\Verdalin\\log.csv"), 0u);
  EXPECT_EQ(h.Setting("output_file"), "C:\\Verdalin\\log.csv");
}

// A pick copies the selected preset, the same one again too; the list's other notifications
// (focus, opening, closing) and a pick of nothing leave the typed fields be.
TEST(AppDispatch, OnlyAPickCopiesTheSelectedPreset) {
  Started h;
  h.front.texts[kDelayField] = "45";
  h.front.texts[kOutputFileField] = "C:\\out.csv";
  h.front.states[kPresetList] = 1;
  h.front.texts[kAddressField] = "typed by hand";
  h.Send(EventKind::kControl, kPresetList);
  EXPECT_EQ(h.Since(), CallLog{});
  h.Send(EventKind::kListPick, kPresetList);
  EXPECT_EQ(h.Since(), (CallLog{"text 1", "text 2", "text 3", "text 13"}));
  EXPECT_EQ(h.Text(kAddressField), "ub");
  EXPECT_EQ(h.Text(kLoginField), "lb");
  EXPECT_EQ(h.Text(kPasswordField), "pb");
  EXPECT_EQ(h.Text(kDownstreamMaxField), "2");
  EXPECT_EQ(h.Text(kDelayField), "45");
  EXPECT_EQ(h.Text(kOutputFileField), "C:\\out.csv");
  h.front.texts[kAddressField] = "typed again";
  h.Send(EventKind::kListPick, kPresetList);
  EXPECT_EQ(h.Text(kAddressField), "ub");
  for (int nothing : {-1, 5}) {
    h.front.states[kPresetList] = nothing;
    h.mark = h.log.size();
    h.Send(EventKind::kControl, kPresetList);
    h.Send(EventKind::kListPick, kPresetList);
    EXPECT_EQ(h.Since(), CallLog{}) << nothing;
    EXPECT_EQ(h.Text(kAddressField), "ub");
  }
}

TEST(AppDispatch, BrowseStartsFromTheFieldAndKeepsItWhenCancelled) {
  Started h;
  h.front.texts[kOutputFileField] = "D:\\data\\line.csv";
  h.Send(EventKind::kControl, kBrowseButton);
  ASSERT_EQ(h.front.dialog_requests.size(), 1u);
  const FileDialogRequest& request = h.front.dialog_requests[0];
  EXPECT_EQ(request.title, "Select output CSV file");
  EXPECT_EQ(request.filter, "Fichiers texte CSV|*.csv;*.txt");
  EXPECT_EQ(request.initial_folder, "D:\\data");
  EXPECT_EQ(request.initial_name, "line.csv");
  EXPECT_EQ(h.Text(kOutputFileField), "D:\\data\\line.csv");
  h.front.chosen_file = "E:\\new.csv";
  h.Send(EventKind::kControl, kBrowseButton);
  EXPECT_EQ(h.Text(kOutputFileField), "E:\\new.csv");
}

TEST(AppDispatch, OutputFileRequestSplitsAtTheLastSeparator) {
  struct Case {
    const char* field;
    char separator;
    const char* folder;
    const char* name;
  };
  const Case cases[] = {
      {"c:\\stats.csv", '\\', "c:", "stats.csv"},
      {"C:\\dir\\bad?name.csv", '\\', "C:\\dir", ""},  // not a possible file name: dropped
      {"plain.csv", '\\', "", "plain.csv"},
      {"/home/me/donn\xC3\xA9"
       "es.csv",
       '/', "/home/me",
       "donn\xC3\xA9"
       "es.csv"},
      {"D:\\folder\\", '\\', "D:\\folder", ""},
  };
  for (const Case& c : cases) {
    const FileDialogRequest r = OutputFileRequest(c.field, c.separator);
    EXPECT_EQ(r.initial_folder, c.folder) << c.field;
    EXPECT_EQ(r.initial_name, c.name) << c.field;
  }
}

TEST(AppDispatch, HomePageLinkOpensTheProgramsOwnAddress) {
  Started h;
  h.Send(EventKind::kControl, kHomePageLink);
  EXPECT_EQ(h.Since(), (CallLog{"open " + std::string(kHomePageAddress)}));
  EXPECT_EQ(kHomePageAddress.substr(kHomePageAddress.find('?')),
            "?orig=program&version=" VERDALIN_VERSION);
}

TEST(AppDispatch, OtherControlsAreIgnored) {
  Started h;
  for (int id : {1, 2, 3, 4, 9, 13, 17, 18, 21, 24, -1}) h.Send(EventKind::kControl, id);
  h.front.minimised = true;
  h.Send(EventKind::kControl, kAddressField);  // a control event hides nothing
  EXPECT_TRUE(h.Since().empty());
}

TEST(AppDispatch, MinimisedWindowGoesToTheTrayAndComesBackOnADoubleClick) {
  Started h;
  h.Send(EventKind::kWindowMinimised);
  EXPECT_TRUE(h.Since().empty());
  h.front.minimised = true;
  h.Send(EventKind::kWindowMinimised);
  h.Send(EventKind::kTimerTick);  // already in the tray: hidden once only
  EXPECT_EQ(h.Since().front(), "hide");
  EXPECT_EQ(LogCount(h.Since(), "hide"), 1);
  EXPECT_EQ(h.Since()[1], "idle");
  h.mark = h.log.size();
  h.Send(EventKind::kTrayIconDoubleClick);
  EXPECT_EQ(h.Since(), (CallLog{"normal", "show"}));
  EXPECT_FALSE(h.front.hidden);
}

TEST(AppDispatch, TrayMenuIsDataAndOpensOnARightPress) {
  Started h;
  ASSERT_EQ(h.front.menu_entries.size(), kTrayMenuEntries.size());
  EXPECT_EQ(h.front.menu_entries[0].item, kRestoreItem);
  EXPECT_EQ(h.front.menu_entries[0].text, "Restore Window");
  EXPECT_EQ(h.front.menu_entries[1].item, kShowHistoryItem);
  EXPECT_EQ(h.front.menu_entries[1].text, "Show history");
  EXPECT_EQ(h.front.menu_entries[2].item, kSettingsItem);
  EXPECT_EQ(h.front.menu_entries[3].item, kMenuSeparator);
  EXPECT_EQ(h.front.menu_entries.back().text, "Quit");
  h.Send(EventKind::kTrayIconRightPress);
  EXPECT_EQ(h.Since(), (CallLog{"popup"}));
  AppHarness no_menu;
  no_menu.front.menu_possible = false;
  ASSERT_TRUE(no_menu.Start());
  const std::size_t mark = no_menu.log.size();
  no_menu.Send(EventKind::kTrayIconRightPress);
  EXPECT_TRUE(no_menu.LogFrom(mark).empty());
}

// "Show history" reports on the log the window names now, beside it, and opens the page; a
// problem is told in a message box.
TEST(AppDispatch, ShowHistoryWritesTheReportBesideTheLogAndOpensIt) {
  Started h;
  h.front.texts[kOutputFileField] = "C:\\Verdalin\\none.csv";
  h.Send(EventKind::kTrayMenuItem, kShowHistoryItem);
  ASSERT_EQ(h.front.messages.size(), 1u);
  EXPECT_EQ(h.front.messages[0].text, "no data log at C:\\Verdalin\\none.csv");
  h.front.texts[kOutputFileField] = "C:\\Verdalin\\log.csv";
  h.disk.files["C:\\Verdalin\\log.csv"] =
      "2006/12/30 21:05:09;1;\"G.DMT:\";1024;8128;30.00;20.00;9.00;12.00;0;\"LiveBox "
      "Sagem\";\"1\"\r\n";
  h.Send(EventKind::kTrayMenuItem, kShowHistoryItem);
  EXPECT_EQ(h.front.messages.size(), 1u);
  EXPECT_NE(h.disk.files["C:\\Verdalin\\Verdalin_Report.html"].find("verdalin-summary"),
            std::string::npos);
  EXPECT_EQ(h.log.back(), "open C:\\Verdalin\\Verdalin_Report.html");
}

TEST(AppDispatch, WithoutNotificationAreaMinimisingDoesNotHide) {
  Started h;
  h.front.tray_available = false;
  h.front.minimised = true;
  h.Send(EventKind::kWindowMinimised);
  EXPECT_TRUE(h.Since().empty());
  EXPECT_FALSE(h.front.hidden);
}

TEST(AppDispatch, TrayAreaBackAddsTheIconAgainAndTrayLostBringsTheWindowBack) {
  AppHarness h;
  h.front.tray_available = false;  // no notification area at start
  ASSERT_TRUE(h.Start());
  h.front.tray_available = true;
  std::size_t mark = h.log.size();
  h.Send(EventKind::kTrayAreaBack);
  EXPECT_EQ(h.LogFrom(mark), (CallLog{"add icon"}));
  h.front.minimised = true;
  h.Send(EventKind::kWindowMinimised);
  EXPECT_TRUE(h.front.hidden);
  h.front.tray_available = false;
  mark = h.log.size();
  h.Send(EventKind::kTrayAreaLost);
  EXPECT_EQ(h.LogFrom(mark), (CallLog{"show", "normal"}));
  h.front.minimised = true;
  h.Send(EventKind::kWindowMinimised);
  EXPECT_FALSE(h.front.hidden);
}

// Started at logon before the panel exists: the window goes to the tray once the area appears,
// unless the user took it in hand meanwhile.
TEST(AppDispatch, StartupHideWaitsForALateNotificationArea) {
  for (bool user_acts : {false, true}) {
    AppHarness h;
    h.front.tray_available = false;
    ASSERT_TRUE(h.Start("-startup"));
    EXPECT_FALSE(h.front.hidden);
    if (user_acts) h.Send(EventKind::kControl, kAddressField);
    h.front.tray_available = true;
    const std::size_t mark = h.log.size();
    h.Send(EventKind::kTrayAreaBack);
    EXPECT_EQ(h.front.hidden, !user_acts);
    EXPECT_EQ(LogCount(h.LogFrom(mark), "idle"), user_acts ? 0 : 1);
  }
}

// A session-end request saves at once; the logout may still be cancelled, so the exit saves
// again, with whatever was edited in between.
TEST(AppDispatch, SessionEndSavesAndTheExitSavesAgain) {
  Started h;
  h.front.texts[kLoginField] = "edited";
  h.Send(EventKind::kSessionSaveRequest);
  EXPECT_EQ(h.Setting("login"), "edited");
  EXPECT_EQ(LogCount(h.log, "end loop"), 0);
  h.front.texts[kLoginField] = "edited after a cancelled logout";
  EXPECT_EQ(h.app.Shutdown(), 0);
  EXPECT_EQ(h.Setting("login"), "edited after a cancelled logout");
  EXPECT_EQ(LogCount(h.log, "remove icon"), 1);
}

TEST(AppDispatch, TerminationEndsTheLoopAndTheExitSaves) {
  Started h;
  h.front.texts[kLoginField] = "edited";
  h.Send(EventKind::kTerminationRequested);
  EXPECT_EQ(h.Since(), (CallLog{"end loop"}));
  h.app.Shutdown();
  EXPECT_EQ(h.Setting("login"), "edited");
}

}  // namespace verdalin
