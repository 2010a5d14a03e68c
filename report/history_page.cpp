// The history report's page from the logs: rows of the period, events, summary and charts.
#include "report/history_page.h"

#include <algorithm>

#include "base/date_format.h"
#include "monitor/event_log.h"
#include "report/history_report.h"
#include "report/log_reader.h"

namespace verdalin {

namespace {

// The rows of the period into `request`; the error line when there is none.
std::optional<std::string> ReadRows(FileSystem& fs, const std::string& path,
                                    const HistoryPeriod& period, ReportRequest& request) {
  const PathInfo info = fs.Stat(path);
  std::string contents;
  if (info.kind == PathKind::kMissing) return "no data log at " + path;
  contents.reserve(static_cast<std::size_t>(std::max<int64_t>(info.size, 0)) + 1);  // no regrowth
  if (info.kind != PathKind::kFile || !fs.ReadAll(path, contents))
    return "cannot read the data log " + path;
  request.log = ReadDataLog(contents);
  contents = std::string();  // the rows take far less room than the text
  const bool any = !request.log.rows.empty();
  KeepRowsInPeriod(request.log, period);
  if (request.log.rows.empty())
    return any ? "no row of " + path + " in the period" : "no row in " + path;
  return std::nullopt;
}

void ReadEvents(FileSystem& fs, const std::string& path, ReportRequest& request) {
  std::string contents;
  if (fs.Stat(path).kind != PathKind::kFile || !fs.ReadAll(path, contents)) return;
  EventLog log = ReadEventLog(contents);
  request.events = std::move(log.events);
  request.events_skipped = log.rows_skipped;
}

}  // namespace

HistoryPage MakeHistoryPage(FileSystem& fs, const Clock& clock, const HistorySource& source,
                            const HistoryPeriod& period) {
  ReportRequest request;
  if (std::optional<std::string> error = ReadRows(fs, source.log, period, request))
    return {std::nullopt, *error};
  ReadEvents(fs, EventLogPath(source.log), request);
  request.subscribed_kbps = source.subscribed_kbps;
  request.thresholds = source.thresholds;
  request.version = source.version;
  request.made_at = CurrentDate(clock);
  request.period = period;
  return {BuildHistoryReport(std::move(request)), ""};
}

HistoryPeriod RecentDays(const Clock& clock) {
  const int64_t today = CurrentDate(clock);
  const int64_t midnight = today - (today % kDaySeconds + kDaySeconds) % kDaySeconds;
  HistoryPeriod period;
  period.from = midnight - (kShowHistoryDays - 1) * kDaySeconds;
  return period;
}

}  // namespace verdalin
