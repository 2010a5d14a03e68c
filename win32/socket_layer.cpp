// The start of the network layer (Windows Sockets 2.2, which every network client of the program
// uses) and the computer's name.
#include <winsock2.h>
// After Winsock's header, which must come first.
#include <windows.h>

#include <string>

#include "win32/shell_services.h"

namespace verdalin {

bool StartNetwork() {
  WSADATA data;
  return WSAStartup(MAKEWORD(2, 2), &data) == 0;
}

std::string HostName() {
  char name[MAX_COMPUTERNAME_LENGTH + 1] = {};
  DWORD size = sizeof name;
  return GetComputerNameA(name, &size) ? std::string(name, size) : std::string();
}

}  // namespace verdalin
