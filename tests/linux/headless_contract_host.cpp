// The loop of the program without a window as the contract tests drive it: its timer, and the
// termination signals through the process's host.
#include <chrono>
#include <condition_variable>
#include <limits>
#include <mutex>
#include <thread>

#include "app/headless.h"
#include "contract/contract_host.h"
#include "process_host.h"

namespace verdalin {

namespace {

// Wakes the loop at a deadline; the host keeps it from the sink.
constexpr Event kWake{EventKind::kPollFetched, std::numeric_limits<int>::min()};

class HeadlessContractHost : public ContractHost, public EventSink {
 public:
  explicit HeadlessContractHost(EventSink& events)
      : events_(events),
        loop_(*this, ProcessHost().Monotonic()),
        watch_(ProcessHost().WatchTermination(loop_)) {}

  EventLoop& Loop() override { return loop_; }
  Timer& PollTimer() override { return loop_; }
  bool RunUntil(const std::function<bool()>& done, int milliseconds) override;
  bool RequestTermination() override { return SendTermination(); }
  DesktopHost* AsDesktop() override { return nullptr; }

  void Dispatch(const Event& event) override {
    const bool wake = event.kind == kWake.kind && event.value == kWake.value;
    if (!wake) events_.Dispatch(event);
    if (done_ && ((*done_)() || std::chrono::steady_clock::now() >= deadline_)) loop_.End();
  }

 private:
  EventSink& events_;
  HeadlessLoop loop_;
  std::unique_ptr<Watch> watch_;
  const std::function<bool()>* done_ = nullptr;
  std::chrono::steady_clock::time_point deadline_;
};

// The loop runs here; a thread of its own posts the wake at the deadline unless it ended before.
bool HeadlessContractHost::RunUntil(const std::function<bool()>& done, int milliseconds) {
  if (done()) return true;
  done_ = &done;
  deadline_ = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
  std::mutex mutex;
  std::condition_variable ended_signal;
  bool ended = false;
  std::thread alarm([&] {
    std::unique_lock lock(mutex);
    if (!ended_signal.wait_until(lock, deadline_, [&] { return ended; })) loop_.Post(kWake);
  });
  loop_.Run();
  {
    std::lock_guard lock(mutex);
    ended = true;
  }
  ended_signal.notify_one();
  alarm.join();
  done_ = nullptr;
  return done();
}

}  // namespace

std::unique_ptr<ContractHost> MakeContractHost(EventSink& events) {
  return std::make_unique<HeadlessContractHost>(events);
}

}  // namespace verdalin
