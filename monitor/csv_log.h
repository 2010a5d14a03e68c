// The CSV data log: one ";"-separated row per poll appended to the output file, header first.
#pragma once

#include <string>
#include <string_view>

#include "base/file_layer.h"
#include "base/file_system.h"
#include "base/locale_number.h"
#include "monitor/line_sample.h"

namespace verdalin {

inline constexpr std::string_view kLogHeader =
    "Date;Connected;Mode:Type;Upstream_kbps;Downstream_kbps;Attenuation_local;"
    "Attenuation_distant;SNR_local;SNR_distant;CRC_errors;Device;Firmware\r\n";

// How the row writes its four decimal columns.
struct LocaleNumbers {
  NumberFormatService& service;
  const LocaleSnapshot& snapshot;
};

// The data line of `sample` stamped `timestamp`, with its CR LF.
std::string FormatLogRow(const LineSample& sample, std::string_view timestamp,
                         const LocaleNumbers& numbers);

// Appends the row to the file at `path` through file number 1, after the header when the file
// is empty. The row is written whole or not at all: false when the file cannot be opened or the
// row cannot be written whole (a full disk), and the file is then as it was before.
bool AppendLogRow(DataFiles& files, FileSystem& fs, const std::string& path,
                  const LineSample& sample, std::string_view timestamp,
                  const LocaleNumbers& numbers);

}  // namespace verdalin
