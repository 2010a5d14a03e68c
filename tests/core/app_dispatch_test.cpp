// The event dispatch of the application core, row by row, with the tray moves and the shutdown.
#include <gtest/gtest.h>

#include "fakes/app_harness.h"

namespace verdalin {

namespace {

struct Started : AppHarness {
  Started() {
    disk.files[kPresets] =
        "[Index]\r\ntotal=2\r\n1=A\r\n2=B\r\n"
        "[A]\r\ntype=SAGEM\r\nlabel=A\r\nURL=ua\r\nlogin=la\r\npassword=pa\r\ndownmax=1\r\n"
        "[B]\r\ntype=AH4222\r\nlabel=B\r\nURL=ub\r\nlogin=lb\r\npassword=pb\r\ndownmax=2\r\n";
    EXPECT_TRUE(app.Start(""));
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
    if (by_menu) {
      h.app.OnMenuItem(2);
    } else {
      h.app.OnClose();
    }
    EXPECT_TRUE(h.app.QuitRequested());
    EXPECT_EQ(h.Since(), (CallLog{"end loop"}));
    EXPECT_EQ(h.app.Shutdown(), 0);
    EXPECT_EQ(h.Setting("url"), "http://127.0.0.1:8/edited");
    EXPECT_LT(LogIndex(h.log, std::string("write ") + AppHarness::kSettings),
              LogIndex(h.log, "remove icon 0"));
    EXPECT_TRUE(h.front.timers.empty());  // monitoring was off; nothing stopped it either
  }
}

TEST(AppDispatch, RestoreMenuItemShowsWithNormalPriorityAndOtherItemsAreIgnored) {
  Started h;
  h.front.minimised = true;
  h.app.OnMenuItem(1);
  EXPECT_EQ(h.Since(), (CallLog{"show", "normal"}));
  EXPECT_FALSE(h.front.minimised);
  h.mark = h.log.size();
  h.app.OnMenuItem(3);
  h.app.OnMenuItem(0);
  EXPECT_TRUE(h.Since().empty());
  EXPECT_FALSE(h.app.QuitRequested());
}

TEST(AppDispatch, StartRunsTheTimerAndOnePollEachTime) {
  Started h;
  h.front.texts[kDelayField] = "20";
  h.app.OnControl(kStartButton);
  h.front.texts[kDelayField] = "7";
  h.app.OnControl(kStartButton);
  EXPECT_EQ(h.Since(), (CallLog{"start timer 1 20000", "poll", "start timer 1 7000", "poll"}));
  EXPECT_EQ(h.front.timers, (std::map<int, int64_t>{{1, 7000}}));
  h.app.OnTimer();
  EXPECT_EQ(h.poll.count, 3);
}

TEST(AppDispatch, TimerPeriodIsUnchecked) {
  EXPECT_EQ(TimerPeriod("abc"), 0);
  EXPECT_EQ(TimerPeriod("-5"), -5000);
  EXPECT_EQ(TimerPeriod(" 12s"), 12000);
  EXPECT_EQ(TimerPeriod("2147483647"), int64_t{2147483647} * 1000);  // no 32-bit overflow
  Started h;
  h.front.texts[kDelayField] = "letters";
  h.app.OnControl(kStartButton);
  EXPECT_EQ(h.Since(), (CallLog{"start timer 1 0", "poll"}));
}

TEST(AppDispatch, RefusedTimerShowsTheErrorAndDoesNotPoll) {
  Started h;
  h.front.refuse_timer = true;
  h.app.OnControl(kStartButton);
  EXPECT_EQ(h.Since(), (CallLog{"start timer 1 300000", "status 0 ERROR WITH TIMER!! 5"}));
  EXPECT_EQ(h.poll.count, 0);
}

TEST(AppDispatch, StopShowsItsMessageWithOrWithoutATimer) {
  Started h;
  h.app.OnControl(kStopButton);
  EXPECT_EQ(h.Since(), (CallLog{"stop timer 1", "status 0 Monitoring stopped. 6"}));
  h.app.OnControl(kStartButton);
  h.app.OnControl(kStopButton);
  EXPECT_TRUE(h.front.timers.empty());
}

TEST(AppDispatch, EveryPresetListEventCopiesTheSelectedPreset) {
  Started h;
  h.front.texts[kDelayField] = "45";
  h.front.texts[kOutputFileField] = "C:\\out.csv";
  h.front.states[kPresetList] = 1;
  h.front.texts[kAddressField] = "typed by hand";
  h.app.OnControl(kPresetList);  // a focus change, say: the preset comes back all the same
  EXPECT_EQ(h.Since(), (CallLog{"text 1", "text 2", "text 3", "text 13"}));
  EXPECT_EQ(h.Text(kAddressField), "ub");
  EXPECT_EQ(h.Text(kLoginField), "lb");
  EXPECT_EQ(h.Text(kPasswordField), "pb");
  EXPECT_EQ(h.Text(kDownstreamMaxField), "2");
  EXPECT_EQ(h.Text(kDelayField), "45");
  EXPECT_EQ(h.Text(kOutputFileField), "C:\\out.csv");
  h.front.states[kPresetList] = 0;
  h.app.OnControl(kPresetList);
  EXPECT_EQ(h.Text(kAddressField), "ua");
  for (int nothing : {-1, 5}) {
    h.front.states[kPresetList] = nothing;
    h.app.OnControl(kPresetList);
    EXPECT_EQ(h.Text(kAddressField), "");
    EXPECT_EQ(h.Text(kLoginField), "");
    EXPECT_EQ(h.Text(kPasswordField), "");
    EXPECT_EQ(h.Text(kDownstreamMaxField), "");
  }
}

TEST(AppDispatch, BrowseStartsFromTheFieldAndKeepsItWhenCancelled) {
  Started h;
  h.front.texts[kOutputFileField] = "D:\\data\\line.csv";
  h.app.OnControl(kBrowseButton);
  ASSERT_EQ(h.front.dialog_requests.size(), 1u);
  const FileDialogRequest& request = h.front.dialog_requests[0];
  EXPECT_EQ(request.title, "Select output CSV file");
  EXPECT_EQ(request.filter, "Fichiers texte CSV|*.csv;*.txt");
  EXPECT_EQ(request.initial_folder, "D:\\data");
  EXPECT_EQ(request.initial_name, "line.csv");
  EXPECT_EQ(h.Text(kOutputFileField), "D:\\data\\line.csv");
  h.front.chosen_file = "E:\\new.csv";
  h.app.OnControl(kBrowseButton);
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
      {"/home/me/donn\xC3\xA9" "es.csv", '/', "/home/me", "donn\xC3\xA9" "es.csv"},
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
  h.app.OnControl(kHomePageLink);
  EXPECT_EQ(h.Since(), (CallLog{"open http://www.verdalin.net/?orig=program&version=1.7.2"}));
}

TEST(AppDispatch, OtherControlsAreIgnored) {
  Started h;
  for (int id : {1, 2, 3, 4, 9, 13, 17, 18, 21, 24, -1}) h.app.OnControl(id);
  h.front.minimised = true;
  h.app.OnControl(kAddressField);  // a control event is not "any other event"
  EXPECT_TRUE(h.Since().empty());
}

TEST(AppDispatch, MinimisedWindowGoesToTheTrayOnTheNextOtherEvent) {
  Started h;
  h.app.OnOtherEvent();
  EXPECT_TRUE(h.Since().empty());
  h.front.minimised = true;
  h.app.OnOtherEvent();
  EXPECT_EQ(h.Since(), (CallLog{"hide", "idle"}));
  h.mark = h.log.size();
  h.app.OnTrayMouse(TrayMouse::kDoubleClick);
  EXPECT_EQ(h.Since(), (CallLog{"normal", "show"}));
  EXPECT_FALSE(h.front.hidden);
}

TEST(AppDispatch, TrayMouseActions) {
  Started h;
  h.app.OnTrayMouse(TrayMouse::kRightPress);
  h.app.OnTrayMouse(TrayMouse::kOther);
  EXPECT_EQ(h.Since(), (CallLog{"popup 9"}));
  AppHarness no_menu;
  no_menu.front.menu_possible = false;
  ASSERT_TRUE(no_menu.app.Start(""));
  EXPECT_EQ(LogIndex(no_menu.log, "menu 9 item 1 Restore Window"), -1);
  const std::size_t mark = no_menu.log.size();
  no_menu.app.OnTrayMouse(TrayMouse::kRightPress);
  EXPECT_TRUE(no_menu.LogFrom(mark).empty());
}

TEST(AppDispatch, WithoutNotificationAreaMinimisingDoesNotHide) {
  Started h;
  h.front.tray_available = false;
  h.front.minimised = true;
  h.app.OnOtherEvent();
  EXPECT_TRUE(h.Since().empty());
  EXPECT_FALSE(h.front.hidden);
}

TEST(AppDispatch, TrayRecreatedAddsTheIconAgainAndTrayLostBringsTheWindowBack) {
  AppHarness h;
  h.front.tray_available = false;  // no notification area at start
  ASSERT_TRUE(h.app.Start(""));
  h.front.tray_available = true;
  std::size_t mark = h.log.size();
  h.app.OnTrayRecreated();
  EXPECT_EQ(h.LogFrom(mark), (CallLog{"add icon 0", "show icon 0"}));
  h.front.minimised = true;
  h.app.OnOtherEvent();
  EXPECT_TRUE(h.front.hidden);
  h.front.tray_available = false;
  mark = h.log.size();
  h.app.OnTrayLost();
  EXPECT_EQ(h.LogFrom(mark), (CallLog{"show", "normal"}));
  h.front.minimised = true;
  h.app.OnOtherEvent();
  EXPECT_FALSE(h.front.hidden);
}

TEST(AppDispatch, SessionEndSavesOnceLikeANormalExit) {
  Started h;
  h.front.texts[kLoginField] = "edited";
  h.app.OnSessionEnd();
  EXPECT_EQ(h.Setting("login"), "edited");
  const std::string write = std::string("write ") + AppHarness::kSettings;
  const auto writes = LogCount(h.log, write);
  h.app.OnSessionEnd();
  EXPECT_EQ(h.app.Shutdown(), 0);
  EXPECT_EQ(LogCount(h.log, write), writes);
  EXPECT_EQ(LogCount(h.log, "remove icon 0"), 1);
}

}  // namespace verdalin
