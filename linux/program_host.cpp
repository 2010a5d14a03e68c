// The Linux platform for the core's entry point: one thread takes the termination signals for
// every program; the Qt front end is built only for the desktop.
#include "linux/program_host.h"

#include <pthread.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <iostream>
#include <mutex>
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

}  // namespace

// Waits for the signals with sigwait: no handler, no pipe. A signal that comes while no loop
// watches ends the process with the signal's default action.
class LinuxProgramHost::Signals {
 public:
  Signals() : set_(TerminationSignals()) {
    pthread_sigmask(SIG_BLOCK, &set_, nullptr);
    thread_ = std::thread([this] { Wait(); });
  }
  ~Signals() {
    stopping_ = true;
    pthread_kill(thread_.native_handle(), SIGTERM);
    thread_.join();
  }
  void Watch(EventLoop* loop) {
    std::lock_guard lock(mutex_);
    loop_ = loop;
  }

 private:
  void Wait() {
    for (int number = 0; sigwait(&set_, &number) == 0 && !stopping_;) {
      std::lock_guard lock(mutex_);
      if (loop_ != nullptr) {
        loop_->Post({EventKind::kTerminationRequested});
        continue;
      }
      std::signal(number, SIG_DFL);
      pthread_sigmask(SIG_UNBLOCK, &set_, nullptr);
      raise(number);
    }
  }

  sigset_t set_;
  std::atomic<bool> stopping_{false};
  std::mutex mutex_;
  EventLoop* loop_ = nullptr;
  std::thread thread_;
};

LinuxProgramHost::LinuxProgramHost(int& argc, char** argv)
    : argc_(argc), argv_(argv), signals_(std::make_unique<Signals>()) {}

LinuxProgramHost::~LinuxProgramHost() = default;

std::unique_ptr<Watch> LinuxProgramHost::WatchTermination(EventLoop& loop) {
  struct Watching : Watch {
    explicit Watching(Signals& watched) : signals(watched) {}
    ~Watching() override { signals.Watch(nullptr); }
    Signals& signals;
  };
  signals_->Watch(&loop);
  return std::make_unique<Watching>(*signals_);
}

void LinuxProgramHost::WriteError(const std::string& line) {
  std::fprintf(stderr, "%s\n", line.c_str());
}

void LinuxProgramHost::WriteOutput(const std::string& text) {
  std::fwrite(text.data(), 1, text.size(), stdout);
  std::fflush(stdout);
}

void LinuxProgramHost::ShowProgress(const std::string& line) {
  static const bool terminal = isatty(STDERR_FILENO) == 1;
  if (!terminal) return;
  std::fprintf(stderr, "\r%-72s\r%s", "", line.c_str());
  std::fflush(stderr);
}

std::optional<std::string> LinuxProgramHost::ReadLine(bool hidden) {
  termios before{};
  const bool terminal = tcgetattr(STDIN_FILENO, &before) == 0;
  const bool quiet = hidden && terminal;
  if (quiet) {
    termios silent = before;
    silent.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    tcsetattr(STDIN_FILENO, TCSAFLUSH, &silent);
  }
  std::string line;
  const bool read = static_cast<bool>(std::getline(std::cin, line));
  if (quiet) tcsetattr(STDIN_FILENO, TCSAFLUSH, &before);
  // The line's end the terminal did not echo, or that input from elsewhere never shows.
  if (quiet || !terminal) WriteOutput("\n");
  if (!read) return std::nullopt;
  return line;
}

int LinuxProgramHost::RunDesktop(const std::function<int(Desktop&)>& program) {
  return RunQtDesktop(argc_, argv_, program);
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
