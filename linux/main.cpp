// The Linux program: Qt front end, platform services and the application core wired together.
#include <QApplication>

#include "app/application.h"
#include "linux/dialogs.h"
#include "linux/interval_timer.h"
#include "linux/main_window.h"
#include "linux/pictures.h"
#include "linux/session_end.h"
#include "linux/shell_services.h"
#include "linux/tray_area.h"
#include "monitor/poll.h"
#include "text/file_layer.h"

namespace verdalin {

namespace {

// The poll of the line monitor, as the application runs it.
class MonitorPoll : public PollRunner {
 public:
  explicit MonitorPoll(Poller& poller) : poller_(poller) {}
  void Poll() override { poller_.Poll(); }

 private:
  Poller& poller_;
};

// The window's events go to the application.
class ApplicationEvents : public WindowEvents {
 public:
  explicit ApplicationEvents(Application& app) : app_(app) {}
  void OnControl(int id) override { app_.OnControl(id); }
  void OnClose() override { app_.OnClose(); }
  void OnOtherEvent() override { app_.OnOtherEvent(); }

 private:
  Application& app_;
};

void ConnectFrontEnd(Application& app, MainWindow& window, QtIntervalTimer& timer,
                     QtTrayArea& tray) {
  timer.on_tick = [&app](int) {
    app.OnTimer();
    app.OnOtherEvent();
  };
  tray.on_mouse = [&app](TrayMouse action) {
    app.OnTrayMouse(action);
    app.OnOtherEvent();
  };
  tray.on_menu_item = [&app](int item) { app.OnMenuItem(item); };
  tray.on_area_back = [&app] { app.OnTrayRecreated(); };
  tray.on_area_lost = [&app] { app.OnTrayLost(); };
  QObject::connect(qApp, &QCoreApplication::aboutToQuit, &window, [&app] { app.OnSessionEnd(); });
}

int Run(const std::string& first_parameter) {
  const FrontEndResources resources = LoadFrontEndResources();
  SetUpToolkit(resources.icon);
  MainWindow window(resources);
  QtIntervalTimer timer;
  QtTrayArea tray(resources.icon);
  QtDialogs dialogs(&window);
  LinuxShell shell;
  LinuxProcess process;
  FrontEnd front{window, window, timer, tray, dialogs, shell, process};
  FileSystem& files = PlatformFileSystem();
  Application app(front, CoreServices{files, SystemClock(), PlatformNumberFormat()});

  const std::unique_ptr<PageFetcher> fetcher = MakePlatformPageFetcher();
  DataFiles data_files(files);
  Poller poller(PollServices{window, *fetcher, SystemClock(), files, data_files,
                             PlatformNumberFormat(), app.Locale(), app.Presets()});
  MonitorPoll poll(poller);
  app.SetPollRunner(&poll);
  ApplicationEvents events(app);
  window.SetEvents(&events);
  ConnectFrontEnd(app, window, timer, tray);
  // Logout, shutdown or a termination signal: the settings are saved as at a normal exit.
  SessionEnd session_end([&app, &window](int signal_number) {
    app.OnSessionEnd();
    if (signal_number != 0) window.EndEventLoop();
  });

  if (!app.Start(first_parameter)) return Application::ExitCode();
  QApplication::exec();
  return app.Shutdown();
}

}  // namespace

}  // namespace verdalin

int main(int argc, char** argv) {
  // Only the first parameter counts; it is taken before Qt removes its own options.
  const std::string first_parameter = argc > 1 ? argv[1] : "";
  QApplication application(argc, argv);
  return verdalin::Run(first_parameter);
}
