// The start-up check of the socket layer: WSAStartup asking for Windows Sockets 1.1.
#include <winsock2.h>

#include "win32/shell_services.h"

namespace verdalin {

bool StartSocketLayer() {
  WSADATA data;
  return WSAStartup(MAKEWORD(1, 1), &data) == 0;
}

}  // namespace verdalin
