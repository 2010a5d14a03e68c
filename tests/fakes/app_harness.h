// The application wired to the fake front end, an in-memory disk and a fixed clock.
#pragma once

#include <string>

#include "app/application.h"
#include "fakes/fake_clock.h"
#include "fakes/fake_file_system.h"
#include "fakes/fake_front_end.h"
#include "text/ini_store.h"

namespace verdalin {

struct AppHarness {
  static constexpr const char* kFolder = "C:\\Verdalin";
  static constexpr const char* kSettings = "C:\\Verdalin\\Verdalin_Settings.ini";
  static constexpr const char* kPresets = "C:\\Verdalin\\Verdalin_Presets.ini";

  AppHarness() {
    disk.folders.insert(kFolder);
    app.SetPollRunner(&poll);
  }

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
  FakePoll poll{log};
  Application app{front.front, CoreServices{files, clock, numbers}};
};

}  // namespace verdalin
