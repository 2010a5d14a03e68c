// Shared body of the parser fuzz targets: one parser, then the CSV row and status texts it feeds.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "fakes/fake_window.h"
#include "monitor/csv_log.h"
#include "monitor/parsers.h"
#include "ui/status_line.h"

namespace verdalin {

// The CSV row and the status texts of a sample read from fuzzed input.
inline int FuzzSample(const LineSample& sample, bool values_found) {
  PortableNumberFormat format;
  LocaleSnapshot snapshot;
  FormatLogRow(sample, "2006/12/30 21:05:09", LocaleNumbers{format, snapshot});
  FakeWindow window;
  PollResult result;
  result.config.subscribed_kbps = 8192;
  result.outcome = values_found ? PollOutcome::kSample : PollOutcome::kUnrecognised;
  result.sample = sample;
  result.row_written = true;
  ShowPollResult(window, result, "");
  return 0;
}

inline int FuzzPage(PageParser parse, const uint8_t* data, size_t size) {
  std::string_view page(reinterpret_cast<const char*>(data), size);
  LineSample sample;
  bool values_found = false;
  parse(page, sample, values_found);
  return FuzzSample(sample, values_found);
}

inline std::string_view FuzzText(const uint8_t* data, size_t size) {
  return std::string_view(reinterpret_cast<const char*>(data), size);
}

}  // namespace verdalin
