// Reading back the logs: lines, the twelve columns of a data row, locale numbers and events.
#include "report/log_reader.h"

#include <algorithm>
#include <unordered_map>

#include "base/date_format.h"

namespace verdalin {

namespace {

constexpr std::size_t kDataColumns = 12;
constexpr std::size_t kNumberColumns = 7;  // the two rates, the four decibels and CRC
constexpr std::size_t kFirstNumberColumn = 3;

// Blanks a locale may put around a sign: the space, and the no-break spaces in Windows-1252
// (0xA0) and UTF-8 (U+00A0, U+202F, U+2009).
constexpr std::array<std::string_view, 5> kSpaces = {" ", "\xA0", "\xC2\xA0", "\xE2\x80\xAF",
                                                     "\xE2\x80\x89"};
// Separators between digit groups or before the decimals: the spaces above, full stop, comma,
// the apostrophe and the right single quote (Swiss German) in both encodings.
constexpr std::array<std::string_view, 9> kSeparators = {
    ".", ",", "'", "\x92", "\xE2\x80\x99", " ", "\xA0", "\xC2\xA0", "\xE2\x80\xAF"};
constexpr std::array<std::string_view, 2> kMinusSigns = {"-", "\xE2\x88\x92"};  // and U+2212

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

template <std::size_t N>
std::size_t PrefixLength(std::string_view text, const std::array<std::string_view, N>& choices) {
  for (std::string_view choice : choices)
    if (text.starts_with(choice)) return choice.size();
  return 0;
}

template <std::size_t N>
std::size_t SuffixLength(std::string_view text, const std::array<std::string_view, N>& choices) {
  for (std::string_view choice : choices)
    if (text.ends_with(choice)) return choice.size();
  return 0;
}

std::string_view TrimSpaces(std::string_view text) {
  while (std::size_t n = PrefixLength(text, kSpaces)) text.remove_prefix(n);
  while (std::size_t n = SuffixLength(text, kSpaces)) text.remove_suffix(n);
  return text;
}

// Takes the sign off a number text: "- 1.50", "-1.50", "(1.50)", "1.50-", "1.50 -".
bool TakeSign(std::string_view& text) {
  if (text.size() >= 2 && text.front() == '(' && text.back() == ')') {
    text = text.substr(1, text.size() - 2);
  } else if (std::size_t n = PrefixLength(text, kMinusSigns)) {
    text.remove_prefix(n);
  } else if (std::size_t m = SuffixLength(text, kMinusSigns)) {
    text.remove_suffix(m);
  } else {
    return false;
  }
  text = TrimSpaces(text);
  return true;
}

std::optional<int32_t> ReadWholeNumber(std::string_view text) {
  bool negative = !text.empty() && text[0] == '-';
  if (negative) text.remove_prefix(1);
  if (text.empty() || text.size() > 10) return std::nullopt;
  int64_t value = 0;
  for (char c : text) {
    if (!IsDigit(c)) return std::nullopt;
    value = value * 10 + (c - '0');
  }
  if (negative) value = -value;
  if (value < std::numeric_limits<int32_t>::min() || value > std::numeric_limits<int32_t>::max())
    return std::nullopt;
  return static_cast<int32_t>(value);
}

// A text field without its surrounding quotes, doubled inner quotes made single again. Older
// rows wrote inner quotes as they came; those stay as they are.
std::string Unquoted(std::string_view field) {
  if (field.size() >= 2 && field.front() == '"' && field.back() == '"')
    field = field.substr(1, field.size() - 2);
  std::string text;
  text.reserve(field.size());
  for (std::size_t i = 0; i < field.size(); ++i) {
    text += field[i];
    if (field[i] == '"' && i + 1 < field.size() && field[i + 1] == '"') ++i;
  }
  return text;
}

// Calls `row` for each line that is not blank and not a header (a line opening like `header`),
// without its line end: LF, CR LF or CR alone (which older Mac editors wrote); a byte-order mark
// before the first line is dropped.
template <typename RowFunction>
void ForEachLine(std::string_view contents, std::string_view header, RowFunction row) {
  if (contents.starts_with("\xEF\xBB\xBF")) contents.remove_prefix(3);
  while (!contents.empty()) {
    std::size_t end = contents.find_first_of("\r\n");
    std::string_view line = contents.substr(0, end);
    contents.remove_prefix(end == std::string_view::npos ? contents.size() : end + 1);
    if (!line.empty() && !line.starts_with(header)) row(line);
  }
}

void SplitFields(std::string_view line, std::vector<std::string_view>& fields) {
  fields.clear();
  for (;;) {
    std::size_t cut = line.find(';');
    fields.push_back(line.substr(0, cut));
    if (cut == std::string_view::npos) return;
    line.remove_prefix(cut + 1);
  }
}

// The view from the start of fields[first] to the end of fields[last].
std::string_view Span(const std::vector<std::string_view>& fields, std::size_t first,
                      std::size_t last) {
  const char* end = fields[last].data() + fields[last].size();
  return std::string_view(fields[first].data(),
                          static_cast<std::size_t>(end - fields[first].data()));
}

}  // namespace

class DataLogReader {
 public:
  DataLogReader() {
    log_.texts.emplace_back();
    ids_.emplace("", 0);
  }

  // Reads the lines of `contents`, each whole, giving each row to `sink`.
  void Read(std::string_view contents, const RowSink& sink) {
    ForEachLine(contents, "Date;", [&](std::string_view line) {
      LogRow row;
      if (ReadRow(line, row)) {
        sink(row);
      } else {
        ++log_.rows_skipped;
      }
    });
  }

  DataLog log_;

 private:
  // Only Mode may hold semicolons (Type and Firmware have theirs turned into commas, Device is
  // the parser's own name), and the seven number columns never hold a quote: a row of more than
  // twelve pieces is cut where seven such pieces stand between a closing and an opening quote.
  std::size_t FirstNumberColumn() const {
    if (fields_.size() == kDataColumns) return kFirstNumberColumn;
    for (std::size_t i = kFirstNumberColumn; i + kNumberColumns + 2 <= fields_.size(); ++i) {
      if (!fields_[i - 1].ends_with('"') || !fields_[i + kNumberColumns].starts_with('"')) continue;
      bool plain = true;
      for (std::size_t k = i; k < i + kNumberColumns; ++k)
        plain = plain && fields_[k].find('"') == std::string_view::npos;
      if (plain) return i;
    }
    return 0;
  }

  // A rate column: kNoValue when empty or beyond what a line holds (LineValue).
  static std::optional<int32_t> ReadRate(std::string_view field) {
    if (field.empty()) return kNoValue;
    const std::optional<int32_t> rate = ReadWholeNumber(field);
    if (!rate || LineValue(*rate, LineQuantity::kRate)) return rate;
    return kNoValue;
  }

  bool ReadNumbers(std::size_t at, LogRow& row) const {
    auto up = ReadRate(fields_[at]);
    auto down = ReadRate(fields_[at + 1]);
    auto crc = ReadWholeNumber(fields_[at + 6]);
    if (!up || !down || !crc) return false;
    row.upstream_kbps = *up;
    row.downstream_kbps = *down;
    row.crc_errors = *crc;
    for (std::size_t k = 0; k < row.centi_db.size(); ++k) {
      auto value = ReadLocaleHundredths(fields_[at + 2 + k]);
      if (!value) return false;
      const bool holds = *value == kNoValue || LineValue(*value / 100.0, LineQuantity::kDecibels);
      row.centi_db[k] = holds ? *value : kNoValue;
    }
    return true;
  }

  bool ReadRow(std::string_view line, LogRow& row) {
    SplitFields(line, fields_);
    if (fields_.size() < kDataColumns) return false;
    const std::size_t at = FirstNumberColumn();
    auto time = ReadTimestamp(fields_[0]);
    if (at == 0 || !time || (fields_[1] != "0" && fields_[1] != "1")) return false;
    if (!ReadNumbers(at, row)) return false;
    row.time = *time;
    row.connected = fields_[1] == "1";
    const std::size_t last = fields_.size() - 1;
    row.mode_type = TextId(0, Span(fields_, 2, at - 1));
    row.device = TextId(1, Span(fields_, at + kNumberColumns, last - 1));
    row.firmware = TextId(2, fields_[last]);
    return true;
  }

  // Rows repeat their texts, so each column remembers its last one before any lookup.
  uint32_t TextId(std::size_t column, std::string_view field) {
    Remembered& last = last_[column];
    if (last.known && last.field == field) return last.id;
    std::string text = Unquoted(field);
    auto [place, added] = ids_.try_emplace(text, static_cast<uint32_t>(log_.texts.size()));
    if (added) log_.texts.push_back(std::move(text));
    last = {true, std::string(field), place->second};
    return place->second;
  }

  struct Remembered {
    bool known = false;
    std::string field;
    uint32_t id = 0;
  };

  std::vector<std::string_view> fields_;
  std::array<Remembered, 3> last_;
  std::unordered_map<std::string, uint32_t> ids_;
};

namespace {

int DigitsAt(std::string_view text, std::size_t at, std::size_t count) {
  int value = 0;
  for (std::size_t i = at; i < at + count; ++i) {
    if (!IsDigit(text[i])) return -1;
    value = value * 10 + (text[i] - '0');
  }
  return value;
}

}  // namespace

std::optional<int32_t> ReadLocaleHundredths(std::string_view field) {
  field = TrimSpaces(field);
  if (field.empty()) return kNoValue;
  const bool negative = TakeSign(field);
  int64_t value = 0;
  int digits = 0;
  int run = 0;  // digits since the last separator
  bool separated = false;
  for (std::size_t i = 0; i < field.size();) {
    if (IsDigit(field[i])) {
      if (++digits > 12) return std::nullopt;
      value = value * 10 + (field[i++] - '0');
      ++run;
      continue;
    }
    const std::size_t n = PrefixLength(field.substr(i), kSeparators);
    if (n == 0) return std::nullopt;
    i += n;
    separated = true;
    run = 0;
  }
  // The decimals are the two digits after the last separator; a field of digits alone is whole.
  if (digits == 0 || (separated && run != 2)) return std::nullopt;
  if (!separated) value *= 100;
  if (value > std::numeric_limits<int32_t>::max()) return std::nullopt;
  return static_cast<int32_t>(negative ? -value : value);
}

std::optional<int64_t> ReadTimestamp(std::string_view text) {
  if (text.size() != 19 || text[4] != '/' || text[7] != '/' || text[10] != ' ' || text[13] != ':' ||
      text[16] != ':') {
    return std::nullopt;
  }
  WallClockFields fields{DigitsAt(text, 0, 4),  DigitsAt(text, 5, 2),  DigitsAt(text, 8, 2),
                         DigitsAt(text, 11, 2), DigitsAt(text, 14, 2), DigitsAt(text, 17, 2)};
  // A date that does not come back the same (31 June, 25 o'clock) is not a date.
  const int64_t date = DateFromFields(fields);
  const WallClockFields back = FieldsFromDate(date);
  if (back.year != fields.year || back.month != fields.month || back.day != fields.day ||
      back.hour != fields.hour || back.minute != fields.minute || back.second != fields.second) {
    return std::nullopt;
  }
  return date;
}

DataLogStream::DataLogStream() : reader_(std::make_unique<DataLogReader>()) {}
DataLogStream::~DataLogStream() = default;

void DataLogStream::Feed(std::string_view bytes, const RowSink& sink) {
  if (skipping_) bytes = SkipLineRest(bytes);
  pending_.append(bytes);
  const std::size_t end = pending_.find_last_of("\r\n");
  if (end != std::string::npos) {
    reader_->Read(std::string_view(pending_).substr(0, end + 1), sink);
    offset_ += static_cast<int64_t>(end + 1);
    pending_.erase(0, end + 1);
  }
  if (pending_.size() <= kLongestLine) return;
  ++reader_->log_.rows_skipped;  // no row is that long: the line is let go up to its end
  offset_ += static_cast<int64_t>(pending_.size());
  pending_ = {};
  skipping_ = true;
}

std::string_view DataLogStream::SkipLineRest(std::string_view bytes) {
  const std::size_t end = bytes.find_first_of("\r\n");
  const std::size_t skipped = end == std::string_view::npos ? bytes.size() : end;
  offset_ += static_cast<int64_t>(skipped);
  skipping_ = end == std::string_view::npos;
  return bytes.substr(skipped);
}

void DataLogStream::Finish(const RowSink& sink) {
  reader_->Read(pending_, sink);
  offset_ += static_cast<int64_t>(pending_.size());
  pending_.clear();
}

const DataLog& DataLogStream::Log() const {
  return reader_->log_;
}

DataLog ReadDataLog(std::string_view contents) {
  DataLogStream stream;
  std::vector<LogRow> rows;
  rows.reserve(static_cast<std::size_t>(std::count(contents.begin(), contents.end(), '\n')) + 1);
  const RowSink keep = [&rows](const LogRow& row) { rows.push_back(row); };
  stream.Feed(contents, keep);
  stream.Finish(keep);
  DataLog log = std::move(stream.reader_->log_);
  log.rows = std::move(rows);
  return log;
}

EventLog ReadEventLog(std::string_view contents) {
  EventLog log;
  ForEachLine(contents, "Date;", [&log](std::string_view line) {
    constexpr std::size_t kNameStart = 20;  // after the date and its separator
    const std::string_view rest = line.substr(std::min(line.size(), kNameStart));
    const std::size_t cut = rest.find(';');
    auto time = ReadTimestamp(line.substr(0, kNameStart - 1));
    auto kind = LineEventFromName(rest.substr(0, cut));
    if (line.size() < kNameStart || line[kNameStart - 1] != ';' || !time || !kind) {
      ++log.rows_skipped;
      return;
    }
    std::string detail = cut == std::string_view::npos ? "" : Unquoted(rest.substr(cut + 1));
    log.events.push_back({*kind, *time, std::move(detail)});
  });
  return log;
}

}  // namespace verdalin
