// The contract every front end keeps, the program without a window included: posted events, the
// poll's timer and the system's request to end.
#include <thread>

#include "contract/contract_fixture.h"
#include "monitor/monitor_config.h"

namespace verdalin {

namespace {

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
  EventLoop& loop = host->Loop();
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
  Timer& timer = host_->PollTimer();
  ASSERT_TRUE(timer.Start(60000));
  ASSERT_TRUE(timer.Start(kShortestPollPeriod));  // replaces the first
  EXPECT_TRUE(WaitFor(EventKind::kTimerTick, 0, 4000));
  timer.Stop();
  timer.Stop();  // stopping twice does nothing
  const long ticks = events_.Count(EventKind::kTimerTick);
  Idle(1500);
  EXPECT_EQ(events_.Count(EventKind::kTimerTick), ticks);
  ASSERT_TRUE(timer.Start(kLongestPollPeriod));  // taken as given: no tick soon
  Idle(1500);
  EXPECT_EQ(events_.Count(EventKind::kTimerTick), ticks);
  timer.Stop();
}

// One signal, one request: the core decides how the program ends.
TEST_F(FrontEndContract, TerminationSignalReachesTheCoreOnce) {
  if (!host_->RequestTermination()) GTEST_SKIP() << "no termination signals on this platform";
  EXPECT_TRUE(WaitFor(EventKind::kTerminationRequested, 0));
  Idle(300);
  EXPECT_EQ(events_.Count(EventKind::kTerminationRequested), 1);
}

}  // namespace verdalin
