// libFuzzer target for the log reader and the report: a data log and an event log (split at the
// first 0 byte) read back, summarised and written as a page whose scripts stay closed; each
// row's time stamp written again reads back the same.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "base/date_format.h"
#include "report/history_report.h"
#include "report/log_reader.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

std::size_t Occurrences(const std::string& text, std::string_view part) {
  std::size_t count = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
    ++count;
  return count;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::size_t cut = input.find('\0');
  const std::string_view data_log = input.substr(0, cut);
  verdalin::ReportRequest request;
  request.log = verdalin::ReadDataLog(data_log);
  for (const verdalin::LogRow& row : request.log.rows) {
    Check(row.mode_type < request.log.texts.size() && row.device < request.log.texts.size() &&
          row.firmware < request.log.texts.size());
    Check(verdalin::ReadTimestamp(verdalin::TimestampText(row.time)) == row.time);
  }
  if (cut != std::string_view::npos) {
    verdalin::EventLog events = verdalin::ReadEventLog(input.substr(cut + 1));
    request.events = std::move(events.events);
  }
  if (request.log.rows.empty()) return 0;
  const std::string html = verdalin::BuildHistoryReport(std::move(request));
  Check(Occurrences(html, "</script>") == Occurrences(html, "<script"));
  return 0;
}
