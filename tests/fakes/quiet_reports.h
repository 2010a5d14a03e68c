// The disk and clock the endpoint's report reads, in memory.
#pragma once

#include "fakes/fake_clock.h"
#include "fakes/fake_file_system.h"

namespace verdalin {

struct QuietReports {
  FakeFileSystem disk;
  FakeClock clock;
};

}  // namespace verdalin
