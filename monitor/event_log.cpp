// The event log: its path beside the data log, its rows, and their append.
#include "monitor/event_log.h"

#include "base/date_format.h"
#include "base/text_ops.h"

namespace verdalin {

namespace {

constexpr int kEventLogFileNumber = 2;

}  // namespace

std::string EventLogPath(std::string_view data_log) {
  return FolderWithSeparator(data_log) + std::string(kEventsLogFileName);
}

std::string FormatEventRow(const LineEvent& event) {
  std::string row = TimestampText(event.time);
  row += ";";
  row += LineEventName(event.kind);
  row += ";\"" + ReplaceText(event.detail, "\"", "\"\"") + "\"\r\n";
  return row;
}

bool AppendEventRow(DataFiles& files, FileSystem& fs, const std::string& path,
                    const LineEvent& event) {
  return AppendLogLine(files, fs, kEventLogFileNumber, path, kEventLogHeader,
                       FormatEventRow(event));
}

}  // namespace verdalin
