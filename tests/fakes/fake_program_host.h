// The entry point's platform over the application harness: errors kept, the desktop counted, and
// the termination signal sent by the test when it wants the headless program to end.
#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "app/program.h"
#include "fakes/app_harness.h"

namespace verdalin {

class FakeProgramHost : public ProgramHost {
 public:
  FileSystem& Files() override { return h.files; }
  const Clock& LocalClock() override { return h.clock; }
  ShellServices& Shell() override { return h.front; }
  ProcessServices& Process() override { return h.front; }
  NumberFormatService& Numbers() override { return h.numbers; }
  PageFetcher& Fetcher() override { return h.fetcher; }
  std::shared_ptr<HttpPoster> MakePoster() override { return nullptr; }
  void WriteError(const std::string& line) override {
    std::lock_guard lock(mutex);
    errors.push_back(line);
  }
  int RunDesktop(const std::function<int(Platform&)>& program) override {
    ++desktops;
    return program(h.platform);
  }
  // Posts the termination once `end_when` holds (checked every 10 ms) on a thread of its own.
  std::unique_ptr<Watch> WatchTermination(WindowSystem& loop) override {
    struct Ender : Watch {
      std::atomic<bool> stop{false};
      std::thread thread;
      ~Ender() override {
        stop = true;
        thread.join();
      }
    };
    auto ender = std::make_unique<Ender>();
    ender->thread = std::thread([this, &loop, &flag = ender->stop] {
      while (!flag && !end_when()) std::this_thread::sleep_for(std::chrono::milliseconds(10));
      if (!flag) loop.PostEvent({EventKind::kTerminationRequested});
    });
    return ender;
  }
  std::vector<std::string> Errors() {
    std::lock_guard lock(mutex);
    return errors;
  }

  AppHarness h;
  std::mutex mutex;
  std::vector<std::string> errors;
  int desktops = 0;
  std::function<bool()> end_when = [] { return true; };
};

}  // namespace verdalin
