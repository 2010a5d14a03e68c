// The Linux platform for the core's entry point: the Qt front end is built only for the desktop;
// without a window, a thread takes the termination signals.
#include "linux/program_host.h"

#include <pthread.h>

#include <QApplication>
#include <atomic>
#include <csignal>
#include <cstdio>
#include <thread>

#include "linux/dialogs.h"
#include "linux/interval_timer.h"
#include "linux/main_window.h"
#include "linux/pictures.h"
#include "linux/session_end.h"
#include "linux/tray_area.h"

namespace verdalin {

FileSystem& LinuxProgramHost::Files() {
  return PlatformFileSystem();
}

const Clock& LinuxProgramHost::LocalClock() {
  return SystemClock();
}

NumberFormatService& LinuxProgramHost::Numbers() {
  return PlatformNumberFormat();
}

std::shared_ptr<HttpPoster> LinuxProgramHost::MakePoster() {
  return MakePlatformHttpPoster(FetchLimits{});
}

PageFetcher& LinuxProgramHost::Fetcher() {
  if (!fetcher_) fetcher_ = MakePlatformPageFetcher();
  return *fetcher_;
}

namespace {

sigset_t TerminationSignals() {
  sigset_t set;
  sigemptyset(&set);
  for (int number : {SIGTERM, SIGINT, SIGHUP}) sigaddset(&set, number);
  return set;
}

// The signals are blocked in the calling thread before any other exists, so that every thread
// started later leaves them to this one.
class SignalWatch : public Watch {
 public:
  explicit SignalWatch(WindowSystem& loop) {
    const sigset_t set = TerminationSignals();
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
    thread_ = std::thread([this, &loop, set] {
      for (int number = 0; sigwait(&set, &number) == 0 && !stopping_;)
        loop.PostEvent({EventKind::kTerminationRequested});
    });
  }
  ~SignalWatch() override {
    stopping_ = true;
    pthread_kill(thread_.native_handle(), SIGTERM);
    thread_.join();
  }

 private:
  std::atomic<bool> stopping_{false};
  std::thread thread_;
};

}  // namespace

std::unique_ptr<Watch> LinuxProgramHost::WatchTermination(WindowSystem& loop) {
  return std::make_unique<SignalWatch>(loop);
}

void LinuxProgramHost::WriteError(const std::string& line) {
  std::fprintf(stderr, "%s\n", line.c_str());
}

int LinuxProgramHost::RunDesktop(const std::function<int(Platform&)>& program) {
  QApplication application(argc_, argv_);
  EventRelay events;
  const FrontEndResources resources = LoadFrontEndResources();
  SetUpToolkit(resources.icon);
  MainWindow window(resources, events);
  QtIntervalTimer timer(events);
  QtTrayArea tray(resources.icon, events);
  QtDialogs dialogs(&window);
  PlatformProcess process;
  SessionEnd session_end(events);
  const std::unique_ptr<PageFetcher> fetcher = MakePlatformPageFetcher();
  Platform platform{FrontEnd{window, window, timer, tray, dialogs, shell_, process},
                    PlatformFileSystem(),
                    SystemClock(),
                    PlatformNumberFormat(),
                    *fetcher,
                    events};
  return program(platform);
}

}  // namespace verdalin
