// The desktop front end as the core drives it: the window, the loop, the poll's timer, the tray
// and the dialogs, each realised by the Qt and the Win32 front ends.
#pragma once

#include "app/dialogs.h"
#include "app/events.h"
#include "app/tray.h"
#include "base/timer.h"
#include "ui/window_controls.h"

namespace verdalin {

// The front end reports its events to `relay`, which the program connects while it runs.
struct Desktop {
  EventRelay& relay;
  WindowControls& window;
  EventLoop& loop;
  Timer& timer;
  Tray& tray;
  Dialogs& dialogs;
};

}  // namespace verdalin
