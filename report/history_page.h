// The history report's page from the logs on disk: the data log's rows of a period, the event log
// beside it, and what the page is drawn against.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "base/clock.h"
#include "base/file_system.h"
#include "monitor/line_events.h"
#include "report/line_history.h"
#include "report/log_reader.h"

namespace verdalin {

inline constexpr int32_t kShowHistoryDays = 30;

// The rows held in memory at most: a period with more is read piece by piece, twice, and counted
// as it goes (BuildStreamedReport).
inline constexpr std::size_t kMostHeldRows = 600000;

// The share of the log read so far, from 0 to 1, for a progress line.
using ReadProgress = std::function<void(double done)>;

// What the page is made of: the data log (the event log lies beside it), the subscribed rate and
// thresholds it is drawn against, and the program's version printed on it.
struct HistorySource {
  std::string log;
  int32_t subscribed_kbps = 0;
  AlertThresholds thresholds;
  std::string version;
  // The attainable rates down and up (kbit/s) of the running program's last poll, where its
  // source gives them: the log does not hold them.
  std::array<std::optional<double>, 2> attainable_kbps{};
};

// A data log's rows read piece by piece and kept from one reading to the next: each reading goes
// on from where the last one stopped, so that a growing log is never read twice.
class LogFollower {
 public:
  // Holds at most `most_rows` rows (kMostHeldRows by default).
  explicit LogFollower(std::size_t most_rows = kMostHeldRows) : most_rows_(most_rows) {}

  // Reads what the log gained since the last call: all of it the first time, when the path
  // names another file, or when the file got shorter than what was read. Rows outside `period`
  // are let go. With `finish`, a last line without its end is read too (for a log read once).
  // Past its most rows it lets them all go and stops: the log is then too long to hold
  // (TooLong) and is read from StartOfPeriod on each time. False when the log cannot be read.
  bool Update(FileSystem& fs, const std::string& path, const HistoryPeriod& period, bool finish,
              const ReadProgress& progress = {});
  bool TooLong() const { return too_long_; }
  // Where the piece that held the first row of the period starts.
  int64_t StartOfPeriod() const { return period_start_.value_or(0); }
  // The rows kept, in file order, with the texts they index.
  DataLog Rows() const;
  // The same, handed over: the follower keeps no row after it (for a log read once).
  DataLog TakeRows();
  // Whether any row at all was read, kept or not.
  bool AnyRow() const { return any_row_; }

 private:
  void Restart(const std::string& path, std::optional<FileIdentity> identity);

  std::size_t most_rows_;
  std::string path_;
  std::optional<FileIdentity> identity_;
  std::unique_ptr<DataLogStream> stream_;
  std::vector<LogRow> rows_;
  bool any_row_ = false;
  bool too_long_ = false;
  std::optional<int64_t> period_start_;
};

// The page of the log's rows in the period, or the line that says why there is none (no log, an
// unreadable one, no row in the period).
struct HistoryPage {
  std::optional<std::string> html;
  std::string error;
};
HistoryPage MakeHistoryPage(FileSystem& fs, const Clock& clock, const HistorySource& source,
                            const HistoryPeriod& period, const ReadProgress& progress = {});
// The same from the rows `follower` keeps, brought up to date first (a page made again and again).
HistoryPage MakeHistoryPage(FileSystem& fs, const Clock& clock, const HistorySource& source,
                            const HistoryPeriod& period, LogFollower& follower);

// The last kShowHistoryDays days, today included.
HistoryPeriod RecentDays(const Clock& clock);

}  // namespace verdalin
