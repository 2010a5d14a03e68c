// The start-up check of the network layer on Linux (the process can open an IPv4 stream socket)
// and the host's name.
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <string>

#include "linux/shell_services.h"

namespace verdalin {

bool StartNetwork() {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  close(fd);
  return true;
}

std::string HostName() {
  char name[256] = {};
  if (gethostname(name, sizeof name - 1) != 0) return "";
  return name;
}

}  // namespace verdalin
