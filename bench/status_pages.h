// Realistic gateway status pages of the three supported makes, about 20 KB each, for benchmarks:
// the templates of tests/pages/ that the tests and the fake gateway use, padded with markup.
#pragma once

#include <cstddef>
#include <string>

#include "fakes/gateway_pages.h"

namespace verdalin::bench {

constexpr std::size_t kPageSize = 20000;

// A page of about kPageSize bytes from `make` (InventelPage, SagemPage or TecomPage).
template <typename Make>
std::string PaddedPage(Make make, const PageValues& values) {
  const std::size_t bare = make(values, 0).size();
  return make(values, bare < kPageSize ? kPageSize - bare : 0);
}

inline PageValues BenchValues() {
  PageValues values;
  values.mode = "G992.5 (ADSL2+)";
  values.up = "1023";
  values.down = "17184";
  values.firmware = "SG30_sip-fr-5.4.2.8;b";
  return values;
}

inline std::string InventelStatusPage() {
  return PaddedPage(InventelPage, BenchValues());
}
inline std::string SagemStatusPage() {
  return PaddedPage(SagemPage, BenchValues());
}
inline std::string TecomStatusPage() {
  return PaddedPage(TecomPage, BenchValues());
}

}  // namespace verdalin::bench
