// The desktop front end of the program without a window: there is none, and it says so.
#include <cstdio>

#include "linux/desktop.h"

namespace verdalin {

int RunQtDesktop(int&, char** argv, const std::function<int(Desktop&)>&) {
  std::fprintf(stderr, "%s: runs only as \"verdalin --headless [--config DIR]\"\n", argv[0]);
  return 2;
}

}  // namespace verdalin
