// The application wired to the fake front end, an in-memory disk, a fixed clock and a fake
// gateway; events are sent one at a time and each poll is followed to its end.
#pragma once

#include <string>

#include "app/application.h"
#include "base/ini_store.h"
#include "fakes/fake_clock.h"
#include "fakes/fake_file_system.h"
#include "fakes/fake_front_end.h"
#include "fakes/fake_page_fetcher.h"

namespace verdalin {

struct AppHarness {
  static constexpr const char* kFolder = "C:\\Verdalin";
  static constexpr const char* kSettings = "C:\\Verdalin\\Verdalin_Settings.ini";
  static constexpr const char* kPresets = "C:\\Verdalin\\Verdalin_Presets.ini";

  AppHarness() {
    disk.folders.insert(kFolder);
    disk.folders.insert(front.documents_folder);
    front.disk_folders = &disk.folders;
    events.Connect(&app);
  }
  ~AppHarness() { events.Connect(nullptr); }

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
  // Dispatches what the fetch thread posts until no poll is fetching; each finished fetch is
  // logged as "poll".
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
  FakeNumberFormat numbers{log};
  FakeFrontEnd front{log};
  FakePageFetcher fetcher;
  EventRelay events;
  Platform platform{front.front, files, clock, numbers, fetcher, events};
  Application app{platform};
};

}  // namespace verdalin
