// Fuzz target: the Inventel page parser, then the CSV row and the status texts of its sample.
#include "page_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  return verdalin::FuzzPage(verdalin::ParseInventel, data, size);
}
