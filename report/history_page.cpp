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

// Reads the log's pieces from `at` to its end (as it is now) into `stream`, telling `read_to`
// where each piece ends, until it says to stop; false when a piece cannot be read.
bool ReadPieces(FileSystem& fs, const std::string& path, int64_t at, DataLogStream& stream,
                const RowSink& sink, const std::function<bool(int64_t)>& read_to) {
  const int64_t size = fs.Stat(path).size;
  std::string piece;
  while (at < size) {
    if (!fs.ReadPart(path, at, kPieceBytes, piece)) return false;
    if (piece.empty()) break;
    stream.Feed(piece, sink);
    at += static_cast<int64_t>(piece.size());
    if (!read_to(at)) break;
  }
  return true;
}

// A log too long to hold, read from the piece that opens its period each time asked.
class FileRows : public RowSource {
 public:
  FileRows(FileSystem& fs, const std::string& path, int64_t start, bool finish,
           std::function<void(int64_t)> read_to)
      : fs_(fs), path_(path), start_(start), finish_(finish), read_to_(std::move(read_to)) {}

  std::optional<DataLog> Read(const Sink& sink) override {
    DataLogStream stream;
    const RowSink rows = [&](const LogRow& row) { sink(row, stream.Log()); };
    const std::function<bool(int64_t)> read_to = [this](int64_t at) {
      if (read_to_) read_to_(at);
      return true;
    };
    if (!ReadPieces(fs_, path_, start_, stream, rows, read_to)) return std::nullopt;
    if (finish_) stream.Finish(rows);
    return stream.Log();
  }

 private:
  FileSystem& fs_;
  const std::string& path_;
  int64_t start_;
  bool finish_;
  std::function<void(int64_t)> read_to_;
};

// The share of the work done as the log is read: once to hold it, then, when it is too long, twice
// more from the start of its period; never going back.
class ProgressLine {
 public:
  ProgressLine(const ReadProgress& progress, int64_t size) : progress_(progress), size_(size) {}

  std::function<void(int64_t)> Reading(int64_t start, int passes) {
    if (!progress_) return {};
    const double before = done_bytes_;
    const double total = before + static_cast<double>(passes) * static_cast<double>(size_ - start);
    return [this, start, before, total](int64_t at) {
      if (at <= start) return;
      shown_ = std::max(shown_, (before + static_cast<double>(at - start)) / std::max(total, 1.0));
      progress_(std::min(shown_, 1.0));
    };
  }
  void Passed(int64_t bytes) { done_bytes_ += static_cast<double>(bytes); }

 private:
  const ReadProgress& progress_;
  int64_t size_;
  double done_bytes_ = 0;
  double shown_ = 0;
};

void ReadEvents(FileSystem& fs, const std::string& path, ReportRequest& request) {
  std::string contents;
  if (fs.Stat(path).kind != PathKind::kFile || !fs.ReadAll(path, contents)) return;
  EventLog log = ReadEventLog(contents);
  request.events = std::move(log.events);
  request.events_skipped = log.rows_skipped;
}

}  // namespace

bool LogFollower::Update(FileSystem& fs, const std::string& path, const HistoryPeriod& period,
                         bool finish, const ReadProgress& progress) {
  const std::optional<FileIdentity> identity = fs.IdentityOf(path);
  const int64_t size = fs.Stat(path).size;
  if (!stream_ || path != path_ || identity != identity_ || size < stream_->Fed())
    Restart(path, identity);
  if (too_long_) return true;
  std::erase_if(rows_, [&period](const LogRow& row) { return !period.Holds(row.time); });
  int64_t piece_start = stream_->Fed();
  const RowSink keep = [&](const LogRow& row) {
    any_row_ = true;
    if (!period.Holds(row.time) || too_long_) return;
    if (!period_start_) period_start_ = piece_start;
    rows_.push_back(row);
    too_long_ = rows_.size() > most_rows_;
  };
  ProgressLine line(progress, size);
  const std::function<void(int64_t)> read_to = line.Reading(piece_start, 1);
  const std::function<bool(int64_t)> next = [&](int64_t at) {
    piece_start = at;
    if (read_to) read_to(at);
    return !too_long_;
  };
  if (!ReadPieces(fs, path, stream_->Fed(), *stream_, keep, next)) return false;
  if (finish && !too_long_) stream_->Finish(keep);
  if (too_long_) rows_ = {};
  return true;
}

void LogFollower::Restart(const std::string& path, std::optional<FileIdentity> identity) {
  path_ = path;
  identity_ = identity;
  stream_ = std::make_unique<DataLogStream>();
  rows_ = {};
  rows_.reserve(most_rows_ + 1);  // never moved as it grows: pages count once written
  any_row_ = false;
  too_long_ = false;
  period_start_.reset();
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
                     const HistoryPeriod& period, LogFollower& follower, bool once,
                     const ReadProgress& progress) {
  ReportRequest request;
  request.made_at = CurrentDate(clock);
  request.subscribed_kbps = source.subscribed_kbps;
  request.attainable_kbps = source.attainable_kbps;
  request.thresholds = source.thresholds;
  request.version = source.version;
  request.period = period;
  const std::string& path = source.log;
  const PathKind kind = fs.Stat(path).kind;
  if (kind == PathKind::kMissing) return {std::nullopt, "no data log at " + path};
  const int64_t size = fs.Stat(path).size;
  ProgressLine line(progress, size);
  if (kind != PathKind::kFile || !follower.Update(fs, path, period, once, progress))
    return {std::nullopt, "cannot read the data log " + path};
  ReadEvents(fs, EventLogPath(path), request);
  if (follower.TooLong()) {
    line.Passed(size);
    FileRows rows(fs, path, follower.StartOfPeriod(), once,
                  line.Reading(follower.StartOfPeriod(), 2));
    std::optional<std::string> html = BuildStreamedReport(std::move(request), rows);
    if (!html) return {std::nullopt, "cannot read the data log " + path};
    return {std::move(*html), ""};
  }
  request.log = once ? follower.TakeRows() : follower.Rows();
  request.odd_dates = TakeOutOddDates(request.log.rows, request.made_at);
  if (request.log.rows.empty())
    return {std::nullopt,
            follower.AnyRow() ? "no row of " + path + " in the period" : "no row in " + path};
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
                            const HistoryPeriod& period, const ReadProgress& progress) {
  LogFollower follower;
  return MakePage(fs, clock, source, period, follower, true, progress);
}

HistoryPage MakeHistoryPage(FileSystem& fs, const Clock& clock, const HistorySource& source,
                            const HistoryPeriod& period, LogFollower& follower) {
  return MakePage(fs, clock, source, period, follower, false, {});
}

HistoryPeriod RecentDays(const Clock& clock) {
  const int64_t today = CurrentDate(clock);
  const int64_t midnight = today - (today % kDaySeconds + kDaySeconds) % kDaySeconds;
  HistoryPeriod period;
  period.from = midnight - (kShowHistoryDays - 1) * kDaySeconds;
  return period;
}

}  // namespace verdalin
