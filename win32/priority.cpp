// The process on Windows: its priority class (normal while the window is shown, idle in the
// tray), and ending it at once.
#include <windows.h>

#include "win32/shell_services.h"

namespace verdalin {

bool SetProcessPriority(PriorityClass priority) {
  const DWORD level =
      priority == PriorityClass::kIdle ? IDLE_PRIORITY_CLASS : NORMAL_PRIORITY_CLASS;
  return SetPriorityClass(GetCurrentProcess(), level) != 0;
}

void EndProcessNow(int code) {
  ExitProcess(static_cast<UINT>(code));
}

}  // namespace verdalin
