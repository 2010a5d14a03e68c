// The home page link on Windows: ShellExecuteExA with the "open" verb.
#include <windows.h>

#include <shellapi.h>

#include <string>

#include "win32/shell_services.h"

namespace verdalin {

bool OpenAddress(const std::string& address) {
  SHELLEXECUTEINFOA info = {};
  info.cbSize = sizeof(info);
  info.lpVerb = "open";
  info.lpFile = address.c_str();
  info.nShow = SW_SHOWNORMAL;
  return ShellExecuteExA(&info) != FALSE;
}

}  // namespace verdalin
