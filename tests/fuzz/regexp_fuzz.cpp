// libFuzzer target for the pattern engine: compile, search and substitute one fuzzed input.
//
// Input layout: one byte giving the destination capacity (0 to 47), then the pattern, the
// subject and the template separated by 0 bytes (missing parts are empty).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "base/regexp.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

// Every recorded piece of a match lies inside the match, start before end.
void CheckSlots(const verdalin::regexp& re, const std::string& subject) {
  const char* begin = subject.c_str();
  const char* end = begin + subject.size();
  Check(re.startp[0] != nullptr && re.endp[0] != nullptr);
  Check(begin <= re.startp[0] && re.startp[0] <= re.endp[0] && re.endp[0] <= end);
  for (int n = 1; n < verdalin::kRegexpSlots; ++n) {
    if (re.startp[n] == nullptr && re.endp[n] == nullptr) continue;
    Check(re.startp[n] != nullptr && re.endp[n] != nullptr);
    Check(re.startp[0] <= re.startp[n] && re.startp[n] <= re.endp[n] && re.endp[n] <= re.endp[0]);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  std::size_t capacity = data[0] % 48;
  std::string parts[3];
  int part = 0;
  for (std::size_t i = 1; i < size; ++i) {
    if (data[i] == 0 && part < 2) {
      ++part;
    } else if (data[i] != 0) {
      parts[part] += static_cast<char>(data[i]);
    }
  }
  verdalin::RegexpPtr re = verdalin::regcomp(parts[0].c_str());
  if (!re) return 0;
  re->step_budget = 1u << 20;  // keeps hopeless backtracking quick
  if (verdalin::regexec(re.get(), parts[1].c_str())) CheckSlots(*re, parts[1]);

  // A buffer of exactly `capacity` bytes: the sanitizer catches any write past it.
  std::unique_ptr<char[]> dest(new char[capacity + 1]);
  std::memset(dest.get(), 'X', capacity + 1);
  verdalin::regsub(re.get(), parts[2].c_str(), dest.get() + 1, capacity);
  Check(dest[0] == 'X');
  if (capacity > 0) Check(std::memchr(dest.get() + 1, 0, capacity) != nullptr);
  return 0;
}
