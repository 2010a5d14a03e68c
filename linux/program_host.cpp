// The Linux platform for the core's entry point: the Qt front end is built only for the desktop;
// without a window, a thread takes the termination signals.
#include "linux/program_host.h"

#include <pthread.h>
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <thread>

#include "linux/desktop.h"

namespace verdalin {

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
  return RunQtDesktop(argc_, argv_, *this, program);
}

void ExecHeadlessProgram(char** argv) {
  const std::string own = ExecutablePath();
  const std::string folder = own.substr(0, own.rfind('/') + 1);
  for (const std::string& place :
       {folder + kHeadlessProgram, folder + "../lib/verdalin/" + kHeadlessProgram}) {
    if (access(place.c_str(), X_OK) != 0) continue;
    argv[0] = const_cast<char*>(place.c_str());
    execv(place.c_str(), argv);  // returns only when it failed: the program runs as it is
  }
}

}  // namespace verdalin
