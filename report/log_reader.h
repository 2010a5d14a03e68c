// Reading back the CSV data log and the event log, whatever locale and program version wrote them.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "monitor/event_log.h"
#include "monitor/line_events.h"

namespace verdalin {

// A number column left empty: no value (LineValue), or one that needed more than 9 characters.
inline constexpr int32_t kNoValue = std::numeric_limits<int32_t>::min();

// The four decibel columns in the order of the row.
enum DecibelColumn { kAttenuationLocal, kAttenuationDistant, kSnrLocal, kSnrDistant };

// One data row as read back. Decibels are kept exactly as written, in hundredths.
struct LogRow {
  int64_t time = 0;           // date value
  int32_t upstream_kbps = 0;  // kNoValue when empty
  int32_t downstream_kbps = 0;
  std::array<int32_t, 4> centi_db{};  // by DecibelColumn; kNoValue when empty
  int32_t crc_errors = 0;
  uint32_t mode_type = 0;  // indexes into DataLog::texts
  uint32_t device = 0;
  uint32_t firmware = 0;
  bool connected = false;
};

struct DataLog {
  std::vector<LogRow> rows;        // in the order of the file, that is of the polls
  std::vector<std::string> texts;  // each distinct quoted text once, as written; texts[0] is ""
  int64_t rows_skipped = 0;        // lines that are neither a row, a header nor blank
};

using RowSink = std::function<void(const LogRow&)>;

// A line without its end that grows past this is no row: it is counted in rows_skipped and
// passed over up to its end, never held whole.
inline constexpr std::size_t kLongestLine = 64 * 1024;
class DataLogReader;

// Reads a data log piece by piece as it grows, keeping no row: each row goes to the sink.
class DataLogStream {
 public:
  DataLogStream();
  ~DataLogStream();
  // Reads the whole lines of `bytes`, which follow the bytes fed before; a last line without
  // its end waits for the next piece.
  void Feed(std::string_view bytes, const RowSink& sink);
  // Reads the line still waiting for its end as a whole one.
  void Finish(const RowSink& sink);
  // The bytes read up to the end of the last whole line: where the next piece starts.
  int64_t Offset() const { return offset_; }
  // The bytes fed so far, the line waiting for its end included: where the next piece starts.
  int64_t Fed() const { return offset_ + static_cast<int64_t>(pending_.size()); }
  // The texts the rows index, and the count of lines that were not rows (no row is kept).
  const DataLog& Log() const;

 private:
  friend DataLog ReadDataLog(std::string_view contents);
  // The rest of a line too long to be a row, up to its end, passed over.
  std::string_view SkipLineRest(std::string_view bytes);

  std::unique_ptr<DataLogReader> reader_;
  std::string pending_;
  int64_t offset_ = 0;
  bool skipping_ = false;
};

// Reads every row of a data log. Never fails: what does not read as a row is counted in
// rows_skipped.
DataLog ReadDataLog(std::string_view contents);

// A decibel column's text in hundredths: decimal comma or point, any grouping separator, every
// negative form a locale writes; kNoValue for an empty field, nothing for a text that is not a
// number with two decimals.
std::optional<int32_t> ReadLocaleHundredths(std::string_view field);

// "yyyy/mm/dd hh:ii:ss" as a date value; nothing for any other text or an impossible date.
std::optional<int64_t> ReadTimestamp(std::string_view text);

struct EventLog {
  std::vector<LineEvent> events;  // in the order of the file
  int64_t rows_skipped = 0;       // lines that are not events, unknown event names included
};

// Reads the event log: "Date;Event;Detail" with the detail quoted.
EventLog ReadEventLog(std::string_view contents);

}  // namespace verdalin
