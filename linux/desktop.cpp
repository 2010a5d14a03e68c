// The Qt desktop front end, built and run: the only part of the Linux program that needs Qt.
#include "linux/desktop.h"

#include <QApplication>

#include "linux/dialogs.h"
#include "linux/interval_timer.h"
#include "linux/main_window.h"
#include "linux/pictures.h"
#include "linux/session_end.h"
#include "linux/tray_area.h"

namespace verdalin {

int RunQtDesktop(int& argc, char** argv, const std::function<int(Desktop&)>& program) {
  QApplication application(argc, argv);
  EventRelay events;
  const FrontEndResources resources = LoadFrontEndResources();
  SetUpToolkit(resources.icon);
  MainWindow window(resources, events);
  QtIntervalTimer timer(events);
  QtTrayArea tray(resources.icon, events);
  QtDialogs dialogs(&window);
  SessionEnd session_end(events);
  Desktop desktop{events, window, window, timer, tray, dialogs};
  return program(desktop);
}

}  // namespace verdalin
