// The parts of the history report page carried by the program: the chart library uPlot (from the
// npm registry, embedded at build time) with its licence, and the page's own script and styles.
#pragma once

#include <cstddef>
#include <string_view>

namespace verdalin {

// Defined in the source that cmake/ReportAssets.cmake generates.
extern const unsigned char kUplotJs[];
extern const std::size_t kUplotJsSize;
extern const unsigned char kUplotCss[];
extern const std::size_t kUplotCssSize;
extern const unsigned char kUplotLicense[];
extern const std::size_t kUplotLicenseSize;
extern const unsigned char kReportJs[];
extern const std::size_t kReportJsSize;
extern const unsigned char kReportCss[];
extern const std::size_t kReportCssSize;

inline std::string_view AssetText(const unsigned char* bytes, std::size_t size) {
  return std::string_view(reinterpret_cast<const char*>(bytes), size);
}

}  // namespace verdalin
