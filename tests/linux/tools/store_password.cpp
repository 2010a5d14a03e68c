// Prints the stored (scrambled, Base64) form of a password, for settings files that tests and
// the demo write: store_password PASSWORD
#include <cstdio>

#include "base/scramble.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: store_password PASSWORD\n");
    return 2;
  }
  std::printf("%s\n", verdalin::StorePassword(argv[1]).c_str());
  return 0;
}
