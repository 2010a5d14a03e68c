// WinMain: builds the Win32 front end and the platform services, and hands them to the core.
#include <winsock2.h>  // before windows.h

#include <windows.h>

#include <commctrl.h>

#include "app/application.h"
#include "text/debug_output.h"
#include "win32/dialogs.h"
#include "win32/interval_timer.h"
#include "win32/main_window.h"
#include "win32/pictures.h"
#include "win32/shell_services.h"
#include "win32/tray_area.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  using namespace verdalin;
  SetDebugOutput(&PlatformDebugOutput());
  InitCommonControls();
  const WindowResources resources = LoadWindowResources(instance);
  int exit_code = 0;
  {
    EventRelay events;
    MainWindow window(instance, resources, events);
    Win32IntervalTimer timer(window);
    Win32Tray tray(window);
    Win32Dialogs dialogs(window);
    PlatformShell shell;
    PlatformProcess process;
    const std::unique_ptr<PageFetcher> fetcher = MakePlatformPageFetcher();
    Platform platform{FrontEnd{window, window, timer, tray, dialogs, shell, process},
                      PlatformFileSystem(), SystemClock(), PlatformNumberFormat(), *fetcher, events};
    exit_code = RunProgram(platform, FirstParameter(GetCommandLineA()));
  }
  WSACleanup();
  ReleaseWindowResources(resources);
  return exit_code;
}
