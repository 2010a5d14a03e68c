// The process priority class on Windows: normal while the window is shown, idle in the tray.
#include <windows.h>

#include "win32/shell_services.h"

namespace verdalin {

bool SetProcessPriority(PriorityClass priority) {
  const DWORD level =
      priority == PriorityClass::kIdle ? IDLE_PRIORITY_CLASS : NORMAL_PRIORITY_CLASS;
  return SetPriorityClass(GetCurrentProcess(), level) != 0;
}

}  // namespace verdalin
