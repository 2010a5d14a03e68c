// The desktop program wired to the fake front end, an in-memory disk, fixed clocks and a fake
// gateway; events are sent one at a time and each poll is followed to its end.
#pragma once

#include <memory>
#include <string>

#include "app/desktop_controller.h"
#include "base/ini_store.h"
#include "fakes/fake_clock.h"
#include "fakes/fake_file_system.h"
#include "fakes/fake_front_end.h"
#include "fakes/fake_page_fetcher.h"

namespace verdalin {

// The host over the fakes: its shell and process are the fake front end's.
class FakeHost : public ProgramHost {
 public:
  FakeHost(FileSystem& files, FakeClock& clock, FakeMonotonicClock& monotonic,
           NumberFormatService& numbers, FakeFrontEnd& front, PageFetcher& fetcher)
      : files_(files),
        clock_(clock),
        monotonic_(monotonic),
        numbers_(numbers),
        front_(front),
        fetcher_(fetcher) {}
  FileSystem& Files() override { return files_; }
  const Clock& LocalClock() override { return clock_; }
  const MonotonicClock& Monotonic() override { return monotonic_; }
  ShellServices& Shell() override { return front_; }
  ProcessServices& Process() override { return front_; }
  NumberFormatService& Numbers() override { return numbers_; }
  PageFetcher& Fetcher() override { return fetcher_; }
  std::shared_ptr<HttpPoster> MakePoster() override { return poster; }
  void WriteError(const std::string& line) override { errors.push_back(line); }
  void WriteOutput(const std::string& text) override { output += text; }
  int RunDesktop(const std::function<int(Desktop&)>& program) override {
    ++desktops;
    return program(front_.desktop);
  }
  std::unique_ptr<Watch> WatchTermination(EventLoop&) override { return nullptr; }

  std::shared_ptr<HttpPoster> poster;
  std::vector<std::string> errors;
  std::string output;
  int desktops = 0;

 private:
  FileSystem& files_;
  FakeClock& clock_;
  FakeMonotonicClock& monotonic_;
  NumberFormatService& numbers_;
  FakeFrontEnd& front_;
  PageFetcher& fetcher_;
};

struct AppHarness {
  static constexpr const char* kFolder = "C:\\Verdalin";
  static constexpr const char* kSettings = "C:\\Verdalin\\Verdalin_Settings.ini";
  static constexpr const char* kPresets = "C:\\Verdalin\\Verdalin_Presets.ini";

  AppHarness() {
    disk.folders.insert(kFolder);
    disk.folders.insert(front.documents_folder);
    front.disk_folders = &disk.folders;
    front.relay.Connect(&app);
  }
  ~AppHarness() { front.relay.Connect(nullptr); }

  // Starts the program; a poll that the start runs is followed to its end.
  bool Start(const std::string& first_parameter = "") {
    const bool started = app.Start(first_parameter);
    Settle();
    return started;
  }
  // One event of the loop, then the poll it may have started, to its end.
  void Send(EventKind kind, int value = 0) {
    app.Dispatch({kind, value});
    Settle();
  }
  // Dispatches what the reading's thread posts until no poll is reading; each finished reading
  // is logged as "poll".
  void Settle() {
    while (app.PollBusy()) {
      const std::optional<Event> event = front.TakePosted(std::chrono::seconds(10));
      if (!event) return;
      if (event->kind == EventKind::kPollFetched) log.push_back("poll");
      app.Dispatch(*event);
    }
  }
  int Polls() { return static_cast<int>(fetcher.Requests().size()); }

  std::string Setting(const std::string& key) {
    return ReadPreference(disk, "Settings", key, "<missing>", kSettings);
  }
  std::string Statistic(const std::string& key) {
    return ReadPreference(disk, "Statistics", key, "<missing>", kSettings);
  }
  std::string Text(int id) { return front.texts[id]; }
  // Log entries from `from` on.
  CallLog LogFrom(std::size_t from) const { return CallLog(log.begin() + from, log.end()); }

  CallLog log;
  FakeFileSystem disk;
  LoggingFileSystem files{disk, log};
  FakeClock clock;
  FakeMonotonicClock monotonic;
  FakeNumberFormat numbers{log};
  FakeFrontEnd front{log};
  FakePageFetcher fetcher;
  FakeHost host{files, clock, monotonic, numbers, front, fetcher};
  DesktopController app{host, front.desktop};
};

}  // namespace verdalin
