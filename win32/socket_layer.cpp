// The start of the network layer: Windows Sockets 2.2, which every network client of the program
// uses.
#include <winsock2.h>

#include "win32/shell_services.h"

namespace verdalin {

bool StartNetwork() {
  WSADATA data;
  return WSAStartup(MAKEWORD(2, 2), &data) == 0;
}

}  // namespace verdalin
