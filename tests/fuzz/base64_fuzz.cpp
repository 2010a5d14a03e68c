// Fuzz target: the Base64 decoder of the stored password, and the password's round trip.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "base/scramble.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  // Any text decodes, to at most three bytes per complete group of four characters, and what it
  // gives encodes and decodes to itself.
  const std::string decoded = verdalin::DecodeBase64(input);
  Check(decoded.size() <= size / 4 * 3 && decoded.size() >= size / 4);
  Check(verdalin::DecodeBase64(verdalin::EncodeBase64(decoded)) == decoded);
  Check(verdalin::DecodeBase64(verdalin::EncodeBase64(input)) == input);
  // A password (a text: no 0 byte) comes back whole from its stored form.
  std::string password(input);
  for (char& c : password)
    if (c == '\0') c = 'x';
  Check(verdalin::LoadPassword(verdalin::StorePassword(password)) == password);
  verdalin::LoadPassword(input);
  return 0;
}
