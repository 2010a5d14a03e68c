// One set of tests for the contract of both front ends (Qt natively, Win32 under Wine): events,
// the loop, timers, the window, the tray menu and the session's end.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "contract/contract_host.h"
#include "fakes/recorded_events.h"
#include "monitor/monitor_config.h"
#include "ui/control_table.h"

namespace verdalin {

namespace {

class FrontEndContract : public ::testing::Test {
 protected:
  void SetUp() override {
    texts_.Load();
    host_ = MakeContractHost(events_);
    front_ = &host_->Front();
    front_->window.Build(texts_);
  }
  bool WaitFor(EventKind kind, int value, int milliseconds = 3000) {
    return host_->RunUntil([&] { return events_.Has(kind, value); }, milliseconds);
  }

  InterfaceTexts texts_;
  RecordedEvents events_;
  std::unique_ptr<ContractHost> host_;
  Desktop* front_ = nullptr;
};

// Ends the loop at the third event it receives.
class EndAtThird : public RecordedEvents {
 public:
  void Dispatch(const Event& event) override {
    RecordedEvents::Dispatch(event);
    threads.push_back(std::this_thread::get_id());
    if (events.size() == 3) loop->End();
  }
  EventLoop* loop = nullptr;
  std::vector<std::thread::id> threads;
};

}  // namespace

TEST(FrontEndLoop, PostedEventsArriveInOrderOnTheLoopThreadAndEndTheLoop) {
  EndAtThird events;
  std::unique_ptr<ContractHost> host = MakeContractHost(events);
  InterfaceTexts texts;
  texts.Load();
  host->Front().window.Build(texts);
  EventLoop& loop = host->Front().loop;
  events.loop = &loop;
  std::thread poster([&loop] {
    for (int value = 1; value <= 3; ++value) loop.Post({EventKind::kPollFetched, value});
  });
  poster.join();
  loop.Run();  // returns once the third event ended it
  ASSERT_EQ(events.events.size(), 3u);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(events.events[i].kind, EventKind::kPollFetched);
    EXPECT_EQ(events.events[i].value, i + 1);
    EXPECT_EQ(events.threads[i], std::this_thread::get_id());
  }
}

TEST_F(FrontEndContract, TimerTicksAtThePeriodGivenAndStops) {
  Timer& timer = front_->timer;
  ASSERT_TRUE(timer.Start(60000));
  ASSERT_TRUE(timer.Start(kShortestPollPeriod));  // replaces the first
  EXPECT_TRUE(WaitFor(EventKind::kTimerTick, 0, 4000));
  timer.Stop();
  timer.Stop();  // stopping twice does nothing
  const long ticks = events_.Count(EventKind::kTimerTick);
  host_->RunUntil([] { return false; }, 1500);
  EXPECT_EQ(events_.Count(EventKind::kTimerTick), ticks);
  ASSERT_TRUE(timer.Start(kLongestPollPeriod));  // taken as given: no tick soon
  host_->RunUntil([] { return false; }, 1500);
  EXPECT_EQ(events_.Count(EventKind::kTimerTick), ticks);
  timer.Stop();
}

TEST_F(FrontEndContract, WindowHidesRestoresAndReportsTheUsersMinimise) {
  WindowControls& window = front_->window;
  EXPECT_TRUE(host_->WindowShown());
  window.HideWindow();
  EXPECT_FALSE(host_->WindowShown());
  window.RestoreWindow();
  EXPECT_TRUE(host_->WindowShown());
  host_->Minimise();
  EXPECT_TRUE(WaitFor(EventKind::kWindowMinimised, 0));
  EXPECT_TRUE(window.IsMinimised());
  window.RestoreWindow();
  EXPECT_TRUE(host_->WindowShown());
  EXPECT_FALSE(window.IsMinimised());
}

TEST_F(FrontEndContract, CloseAndClicksAreEventsAndTheWindowStays) {
  host_->Click(kStartButton);
  EXPECT_TRUE(WaitFor(EventKind::kControl, kStartButton));
  host_->Close();
  EXPECT_TRUE(WaitFor(EventKind::kCloseRequested, 0));
  EXPECT_TRUE(host_->WindowShown());  // the core decides when the program ends
}

TEST_F(FrontEndContract, TrayMenuHoldsTheCoresEntriesAndReportsTheChoice) {
  const std::vector<MenuEntry> entries = {
      {kRestoreItem, "Restore Window"}, {kMenuSeparator, ""}, {kQuitItem, "Quit"}};
  ASSERT_TRUE(front_->tray.SetMenu(entries));
  const std::vector<MenuEntry> shown = host_->MenuShown();
  ASSERT_EQ(shown.size(), entries.size());
  for (std::size_t i = 0; i < entries.size(); ++i) {
    EXPECT_EQ(shown[i].item, entries[i].item) << i;
    EXPECT_EQ(shown[i].text, entries[i].text) << i;
  }
  host_->Choose(kQuitItem);
  EXPECT_TRUE(WaitFor(EventKind::kTrayMenuItem, kQuitItem));
}

// A logout reaches the core as an event that saves the settings: a save request where the
// system asks first, a termination where it ends the program.
TEST_F(FrontEndContract, SessionEndReachesTheCore) {
  if (!host_->EndSession()) GTEST_SKIP() << "no session manager here";
  EXPECT_TRUE(host_->RunUntil(
      [this] {
        return events_.Count(EventKind::kSessionSaveRequest) +
                   events_.Count(EventKind::kTerminationRequested) >
               0;
      },
      3000));
  EXPECT_TRUE(host_->WindowShown());
}

}  // namespace verdalin
