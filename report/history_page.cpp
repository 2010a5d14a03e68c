// The history report's page from the logs: rows of the period, events, summary and charts.
#include "report/history_page.h"

#include <algorithm>

#include "base/date_format.h"
#include "monitor/event_log.h"
#include "report/history_report.h"
#include "report/log_reader.h"

namespace verdalin {

namespace {

// The log is read in pieces of this size: its text is never held whole.
constexpr std::size_t kPieceBytes = 1 << 20;

// The rows of the period, without those of odd dates, into `request`; the error line when none
// is left.
std::optional<std::string> ReadRows(FileSystem& fs, const std::string& path,
                                    const HistoryPeriod& period, LogFollower& follower, bool finish,
                                    ReportRequest& request) {
  const PathKind kind = fs.Stat(path).kind;
  if (kind == PathKind::kMissing) return "no data log at " + path;
  if (kind != PathKind::kFile || !follower.Update(fs, path, period.from, finish))
    return "cannot read the data log " + path;
  request.log = finish ? follower.TakeRows() : follower.Rows();
  KeepRowsInPeriod(request.log, period);
  request.odd_dates = TakeOutOddDates(request.log.rows, request.made_at);
  if (request.log.rows.empty())
    return follower.AnyRow() ? "no row of " + path + " in the period" : "no row in " + path;
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

bool LogFollower::Update(FileSystem& fs, const std::string& path, int64_t keep_from, bool finish) {
  const std::optional<FileIdentity> identity = fs.IdentityOf(path);
  const int64_t size = fs.Stat(path).size;
  if (!stream_ || path != path_ || identity != identity_ || size < stream_->Fed())
    Restart(path, identity);
  std::erase_if(rows_, [keep_from](const LogRow& row) { return row.time < keep_from; });
  const RowSink keep = [this, keep_from](const LogRow& row) {
    any_row_ = true;
    if (row.time >= keep_from) rows_.push_back(row);
  };
  std::string piece;
  for (int64_t at = stream_->Fed(); at < size; at = stream_->Fed()) {
    if (!fs.ReadPart(path, at, kPieceBytes, piece)) return false;
    if (piece.empty()) break;
    stream_->Feed(piece, keep);
  }
  if (finish) stream_->Finish(keep);
  return true;
}

void LogFollower::Restart(const std::string& path, std::optional<FileIdentity> identity) {
  path_ = path;
  identity_ = identity;
  stream_ = std::make_unique<DataLogStream>();
  rows_.clear();
  any_row_ = false;
}

DataLog LogFollower::Rows() const {
  DataLog log;
  log.rows = rows_;
  if (stream_) {
    log.texts = stream_->Log().texts;
    log.rows_skipped = stream_->Log().rows_skipped;
  }
  return log;
}

namespace {

// The page from the rows `follower` keeps, after reading what the log gained; `once`: the log is
// read this one time, its last line whole even without its end.
HistoryPage MakePage(FileSystem& fs, const Clock& clock, const HistorySource& source,
                     const HistoryPeriod& period, LogFollower& follower, bool once) {
  ReportRequest request;
  request.made_at = CurrentDate(clock);
  if (std::optional<std::string> error = ReadRows(fs, source.log, period, follower, once, request))
    return {std::nullopt, *error};
  ReadEvents(fs, EventLogPath(source.log), request);
  request.subscribed_kbps = source.subscribed_kbps;
  request.thresholds = source.thresholds;
  request.version = source.version;
  request.period = period;
  return {BuildHistoryReport(std::move(request)), ""};
}

}  // namespace

DataLog LogFollower::TakeRows() {
  std::vector<LogRow> rows = std::move(rows_);
  rows_.clear();
  DataLog log = Rows();
  log.rows = std::move(rows);
  return log;
}

HistoryPage MakeHistoryPage(FileSystem& fs, const Clock& clock, const HistorySource& source,
                            const HistoryPeriod& period) {
  LogFollower follower;
  return MakePage(fs, clock, source, period, follower, true);
}

HistoryPage MakeHistoryPage(FileSystem& fs, const Clock& clock, const HistorySource& source,
                            const HistoryPeriod& period, LogFollower& follower) {
  return MakePage(fs, clock, source, period, follower, false);
}

HistoryPeriod RecentDays(const Clock& clock) {
  const int64_t today = CurrentDate(clock);
  const int64_t midnight = today - (today % kDaySeconds + kDaySeconds) % kDaySeconds;
  HistoryPeriod period;
  period.from = midnight - (kShowHistoryDays - 1) * kDaySeconds;
  return period;
}

}  // namespace verdalin
