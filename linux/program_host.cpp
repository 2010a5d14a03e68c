// The Linux platform for the core's entry point: the Qt front end is built only for the desktop.
#include "linux/program_host.h"

#include <QApplication>
#include <cstdio>

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
