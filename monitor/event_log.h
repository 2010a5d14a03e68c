// The event log: one ";"-separated row per line event, beside the data log.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "base/file_layer.h"
#include "base/file_system.h"
#include "monitor/line_events.h"

namespace verdalin {

inline constexpr std::string_view kEventsLogFileName = "Verdalin_Events.csv";
inline constexpr std::string_view kEventLogHeader = "Date;Event;Detail\r\n";

// The event log in the folder of the data log at `data_log` (either separator counts).
std::string EventLogPath(std::string_view data_log);

// "yyyy/mm/dd hh:ii:ss;EVENT;"detail"" with its CR LF; double quotes in the detail doubled.
std::string FormatEventRow(const LineEvent& event);

// Appends the row through file number 2, after the header when the file is empty, under the
// data log's sharing rules; false when the file could not be opened or written (nothing of the
// row stays then).
bool AppendEventRow(DataFiles& files, FileSystem& fs, const std::string& path,
                    const LineEvent& event);

}  // namespace verdalin
