// The Windows platform for the core's entry point: the Win32 front end is built only for the
// desktop; the report command writes its errors to the console it was started from.
#include <winsock2.h>  // before windows.h

#include "win32/program_host.h"

#include <commctrl.h>

#include <string_view>

#include "win32/dialogs.h"
#include "win32/interval_timer.h"
#include "win32/main_window.h"
#include "win32/pictures.h"
#include "win32/tray_area.h"

namespace verdalin {

namespace {

// A GUI program has no standard output or error of its own unless its starter gave it one; a
// command prompt's console can be borrowed (attached once, for both).
HANDLE ConsoleOrStandard(DWORD standard) {
  const HANDLE given = GetStdHandle(standard);
  if (given != nullptr && given != INVALID_HANDLE_VALUE) return given;
  static const bool attached = AttachConsole(ATTACH_PARENT_PROCESS) != 0;
  if (!attached) return INVALID_HANDLE_VALUE;
  return CreateFileA("CONOUT$", GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                     nullptr);
}

// The text with Windows line ends.
void WriteLines(HANDLE output, std::string_view text) {
  if (output == INVALID_HANDLE_VALUE) return;
  std::string lines;
  for (char ch : text) {
    if (ch == '\n') lines += '\r';
    lines += ch;
  }
  DWORD written = 0;
  WriteFile(output, lines.data(), static_cast<DWORD>(lines.size()), &written, nullptr);
}

// Standard error, or the borrowed console: the same handle for errors and the progress line.
HANDLE ErrorOutput() {
  static const HANDLE output = ConsoleOrStandard(STD_ERROR_HANDLE);
  return output;
}

}  // namespace

void Win32ProgramHost::WriteError(const std::string& line) {
  WriteLines(ErrorOutput(), line + "\n");
}

void Win32ProgramHost::WriteOutput(const std::string& text) {
  static const HANDLE output = ConsoleOrStandard(STD_OUTPUT_HANDLE);
  WriteLines(output, text);
}

void Win32ProgramHost::ShowProgress(const std::string& line) {
  const HANDLE output = ErrorOutput();
  if (output == INVALID_HANDLE_VALUE || GetFileType(output) != FILE_TYPE_CHAR) return;
  const std::string text = "\r" + std::string(72, ' ') + "\r" + line;
  DWORD written = 0;
  WriteFile(output, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

int Win32ProgramHost::RunDesktop(const std::function<int(Desktop&)>& program) {
  InitCommonControls();
  const WindowResources resources = LoadWindowResources(instance_);
  int exit_code = 0;
  {
    EventRelay events;
    MainWindow window(instance_, resources, events);
    Win32IntervalTimer timer(window);
    Win32Tray tray(window);
    Win32Dialogs dialogs(window);
    Desktop desktop{events, window, window, timer, tray, dialogs};
    exit_code = program(desktop);
  }
  WSACleanup();
  ReleaseWindowResources(resources);
  return exit_code;
}

}  // namespace verdalin
