// WinMain: the Windows program's start-up, its one message loop and the exit.
#include <winsock2.h>  // before windows.h

#include <windows.h>

#include <commctrl.h>

#include <memory>
#include <string>

#include "app/application.h"
#include "monitor/page_fetcher.h"
#include "monitor/poll.h"
#include "text/debug_output.h"
#include "text/file_layer.h"
#include "win32/dialogs.h"
#include "win32/link_label.h"
#include "win32/main_window.h"
#include "win32/pictures.h"
#include "win32/shell_services.h"
#include "win32/tray_area.h"

namespace verdalin {

namespace {

// The window's messages as the application's events.
class ApplicationEvents : public WindowEvents {
 public:
  explicit ApplicationEvents(Application& app) : app_(app) {}
  void OnClose() override { app_.OnClose(); }
  void OnMenuItem(int item) override { app_.OnMenuItem(item); }
  void OnControl(int id) override { app_.OnControl(id); }
  void OnOtherEvent() override { app_.OnOtherEvent(); }
  void OnTrayMessage(UINT mouse_message) override {
    if (mouse_message == WM_RBUTTONDOWN) app_.OnTrayMouse(TrayMouse::kRightPress);
    if (mouse_message == WM_LBUTTONDBLCLK) app_.OnTrayMouse(TrayMouse::kDoubleClick);
  }
  void OnTimer() override { app_.OnTimer(); }
  void OnSessionEnd() override { app_.OnSessionEnd(); }
  void OnTrayRecreated() override { app_.OnTrayRecreated(); }

 private:
  Application& app_;
};

// The line monitor's poll as the application runs it.
class MonitorPoll : public PollRunner {
 public:
  explicit MonitorPoll(const PollServices& services) : poller_(services) {}
  void Poll() override { poller_.Poll(); }

 private:
  Poller poller_;
};

// Start-up steps 1 to 3 that belong to the platform: libraries, the link font and the pictures.
WindowResources LoadWindowResources(HINSTANCE instance) {
  InitCommonControls();
  WindowResources resources;
  resources.link_font = CreateLinkFont();
  resources.banner = LoadBanner(instance);
  resources.globe = LoadGlobe(instance);
  return resources;
}

void ReleaseWindowResources(const WindowResources& resources) {
  for (HGDIOBJ object :
       {static_cast<HGDIOBJ>(resources.link_font), static_cast<HGDIOBJ>(resources.banner),
        static_cast<HGDIOBJ>(resources.globe)})
    if (object != nullptr) DeleteObject(object);
}

int RunProgram(HINSTANCE instance, const WindowResources& resources) {
  MainWindow window(instance, resources);
  Win32Tray tray(window);
  Win32Dialogs dialogs(window);
  Win32Shell shell;
  Win32Process process;
  FrontEnd front{window, window, window, tray, dialogs, shell, process};
  FileSystem& files = PlatformFileSystem();
  NumberFormatService& numbers = PlatformNumberFormat();
  Application app(front, CoreServices{files, SystemClock(), numbers});

  std::unique_ptr<PageFetcher> fetcher = MakePlatformPageFetcher();
  DataFiles data_files(files);
  MonitorPoll poll(PollServices{window, *fetcher, SystemClock(), files, data_files, numbers,
                                app.Locale(), app.Presets()});
  app.SetPollRunner(&poll);
  ApplicationEvents events(app);
  window.SetEventSink(&events);

  int exit_code = Application::ExitCode();
  if (app.Start(FirstParameter(GetCommandLineA()))) {
    window.RunEventLoop();
    exit_code = app.Shutdown();
  }
  window.SetEventSink(nullptr);
  return exit_code;
}

int Run(HINSTANCE instance) {
  SetDebugOutput(&PlatformDebugOutput());
  const WindowResources resources = LoadWindowResources(instance);
  const int exit_code = RunProgram(instance, resources);
  WSACleanup();
  ReleaseWindowResources(resources);
  return exit_code;
}

}  // namespace

}  // namespace verdalin

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  return verdalin::Run(instance);
}
