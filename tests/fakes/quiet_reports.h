// A report host on the fake disk and clock that opens nothing and says nothing, for the endpoint.
#pragma once

#include <string>

#include "app/report_command.h"
#include "fakes/fake_clock.h"
#include "fakes/fake_file_system.h"

namespace verdalin {

class QuietReports : public ReportHost {
 public:
  FileSystem& Files() override { return disk; }
  const Clock& LocalClock() override { return clock; }
  bool OpenInBrowser(const std::string&) override { return false; }
  void ShowError(const std::string&) override {}
  FakeFileSystem disk;
  FakeClock clock;
};

}  // namespace verdalin
