// The Linux program: builds the Qt front end and the platform services, and hands them to the core.
#include <QApplication>

#include "app/application.h"
#include "linux/dialogs.h"
#include "linux/interval_timer.h"
#include "linux/main_window.h"
#include "linux/pictures.h"
#include "linux/session_end.h"
#include "linux/shell_services.h"
#include "linux/tray_area.h"

int main(int argc, char** argv) {
  using namespace verdalin;
  // Only the first parameter counts; it is taken before Qt removes its own options.
  const std::string first_parameter = argc > 1 ? argv[1] : "";
  QApplication application(argc, argv);
  EventRelay events;
  const FrontEndResources resources = LoadFrontEndResources();
  SetUpToolkit(resources.icon);
  MainWindow window(resources, events);
  QtIntervalTimer timer(events);
  QtTrayArea tray(resources.icon, events);
  QtDialogs dialogs(&window);
  PlatformShell shell;
  PlatformProcess process;
  SessionEnd session_end(events);
  const std::unique_ptr<PageFetcher> fetcher = MakePlatformPageFetcher();
  Platform platform{FrontEnd{window, window, timer, tray, dialogs, shell, process},
                    PlatformFileSystem(), SystemClock(), PlatformNumberFormat(), *fetcher, events};
  return RunProgram(platform, first_parameter);
}
