// The event log: its path beside the data log, its rows, and their append.
#include "monitor/event_log.h"

#include <algorithm>
#include <climits>

#include "text/date_format.h"
#include "text/text_ops.h"

namespace verdalin {

namespace {

constexpr int kEventLogFileNumber = 2;

int32_t DateValue(int64_t time) {
  return static_cast<int32_t>(std::min<int64_t>(std::max<int64_t>(time, 0), INT32_MAX));
}

}  // namespace

std::string EventLogPath(std::string_view data_log) {
  const std::size_t cut = data_log.find_last_of("/\\");
  const std::string folder(cut == std::string_view::npos ? "" : data_log.substr(0, cut + 1));
  return folder + std::string(kEventsLogFileName);
}

std::string EventTimeText(int64_t time) {
  return FormatDate("%yyyy/%mm/%dd %hh:%ii:%ss", DateValue(time));
}

std::string FormatEventRow(const LineEvent& event) {
  std::string row = EventTimeText(event.time);
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
