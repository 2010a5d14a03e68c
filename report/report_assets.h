// The parts of the history report page carried by the program: the chart library uPlot (from the
// npm registry, embedded at build time) with its licence, and the page's own script and styles.
#pragma once

#include <cstddef>
#include <string_view>

namespace verdalin {

// Each part is a byte array kName and its size kNameSize, defined in the source that
// cmake/ReportAssets.cmake generates.
#define VERDALIN_REPORT_ASSET(name)     \
  extern const unsigned char k##name[]; \
  extern const std::size_t k##name##Size

VERDALIN_REPORT_ASSET(UplotJs);
VERDALIN_REPORT_ASSET(UplotCss);
VERDALIN_REPORT_ASSET(UplotLicense);
VERDALIN_REPORT_ASSET(ReportJs);
VERDALIN_REPORT_ASSET(ReportCss);

#undef VERDALIN_REPORT_ASSET

inline std::string_view AssetText(const unsigned char* bytes, std::size_t size) {
  return std::string_view(reinterpret_cast<const char*>(bytes), size);
}

}  // namespace verdalin
