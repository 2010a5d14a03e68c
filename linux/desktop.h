// The Qt desktop front end as the Linux program starts it; the program without a window is built
// without it.
#pragma once

#include <functional>

#include "app/desktop.h"

namespace verdalin {

// Builds the window, tray, timer and dialogs on a QApplication and runs `program` on them; Qt
// takes its own options out of the command line. Returns the exit code.
int RunQtDesktop(int& argc, char** argv, const std::function<int(Desktop&)>& program);

}  // namespace verdalin
