// The gateway page parsers: lines matched with the pattern engine, entries stored by key.
#include "monitor/parsers.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <functional>
#include <string>

#include "base/regexp.h"
#include "base/text_ops.h"

namespace verdalin {

namespace {

// The page cut at each line feed, one line after the other. A page with n line feeds has n+1
// lines, the last possibly empty; a carriage return stays on its line. The page is not copied:
// only the lines handed to the pattern engine are, into a Subject.
class PageLines {
  // Up to the line feed or the end: the first bytes one by one, which is quicker for the short
  // lines that pages hold by the thousand, the rest in one scan.
  static std::size_t LineLength(const char* start, std::size_t left) {
    const std::size_t by_hand = std::min<std::size_t>(left, 16);
    for (std::size_t i = 0; i < by_hand; ++i)
      if (start[i] == '\n') return i;
    const void* end = std::memchr(start + by_hand, '\n', left - by_hand);
    return end ? static_cast<std::size_t>(static_cast<const char*>(end) - start) : left;
  }

 public:
  explicit PageLines(std::string_view page) : page_(page) {}

  // The next line; false after the last one.
  bool Next(std::string_view& line) {
    if (at_ > page_.size()) return false;
    const char* start = page_.data() + at_;
    line = std::string_view(start, LineLength(start, page_.size() - at_));
    at_ += line.size() + 1;
    return true;
  }

 private:
  std::string_view page_;
  std::size_t at_ = 0;
};

// A line as the pattern engine takes it: a copy ended by a 0 byte, which stays in place for the
// groups of its match until the next line is copied in.
class Subject {
 public:
  const char* Of(std::string_view line) {
    text_.assign(line);
    return text_.c_str();
  }

 private:
  std::string text_;
};

// A pattern whose searches all draw on the page's budget.
RegexpPtr CompileForPage(const char* pattern, RegexpBudget& budget) {
  RegexpPtr compiled = regcomp(pattern);
  if (compiled) compiled->shared_budget = &budget;
  return compiled;
}

// The line without its leading blanks. Blanks at the end are left in place: every pattern here
// ends in a literal tag, so they can never change a match or its groups.
std::string_view SkipBlanks(std::string_view line) {
  std::size_t blanks = 0;
  while (blanks < line.size() && line[blanks] == ' ') ++blanks;
  return line.substr(blanks);
}

// Group `n` of the last match, through regsub into a buffer of `capacity` characters plus the
// terminator. A longer group is cut: the first characters still give a number or a readable
// text, which serves the user better than dropping the entry.
template <std::size_t Size>
std::string_view Group(const regexp& pattern, int n, std::array<char, Size>& buffer) {
  const char source[] = {'\\', static_cast<char>('0' + n), '\0'};
  regsub(&pattern, source, buffer.data(), buffer.size());
  return buffer.data();
}

enum class Field {
  kIgnored,
  kLineStatus,
  kMode,
  kCommaMode,
  kType,
  kUpstream,
  kDownstream,
  kAttenuationLocal,
  kAttenuationDistant,
  kSnrLocal,
  kSnrDistant,
  kCrcErrors,
  kFirmware,
};

struct Entry {
  std::string_view key;
  Field field;
};

constexpr Entry kInventelEntries[] = {
    {"MODE", Field::kMode},
    {"UPSTREAM", Field::kUpstream},
    {"DOWNSTREAM", Field::kDownstream},
    {"ATTENUATION", Field::kAttenuationLocal},
    {"ATTENUATION_UP", Field::kAttenuationDistant},
    {"NOISE_MARGIN", Field::kSnrLocal},
    {"NOISE_MARGIN_UP", Field::kSnrDistant},
    {"RSCORR", Field::kCrcErrors},
    {"ADSL_VERSION", Field::kFirmware},
    {"ADSL_TYPE", Field::kType},
};

constexpr Entry kSagemEntries[] = {
    {"v_ADSL_line_status", Field::kLineStatus}, {"v_ADSL_mode", Field::kMode},
    {"v_upstream", Field::kUpstream},           {"v_downstream", Field::kDownstream},
    {"v_att_near", Field::kAttenuationLocal},   {"v_att_far", Field::kAttenuationDistant},
    {"v_SNR_near", Field::kSnrLocal},           {"v_SNR_far", Field::kSnrDistant},
    {"v_CRC_errors", Field::kCrcErrors},        {"v_firm_ver", Field::kFirmware},
    {"v_down_pathtype", Field::kType},
};

constexpr Entry kTecomEntries[] = {
    {"Mode:", Field::kCommaMode},
    {"Line Rate - Upstream (Kbps):", Field::kUpstream},
    {"Line Rate - Downstream (Kbps):", Field::kDownstream},
    {"Attenuation - Downstream (dB):", Field::kAttenuationLocal},
    {"Attenuation - Upstream (dB):", Field::kAttenuationDistant},
    {"SNR Margin - Downstream (dB):", Field::kSnrLocal},
    {"SNR Margin - Upstream (dB):", Field::kSnrDistant},
    {"Software Version:", Field::kFirmware},
};

template <std::size_t N>
Field FieldOf(const Entry (&entries)[N], std::string_view key) {
  for (const Entry& entry : entries) {
    if (entry.key == key) return entry.field;
  }
  return Field::kIgnored;
}

std::string WithCommas(std::string_view text) {
  return ReplaceText(text, ";", ",");
}

void Store(LineSample& sample, Field field, std::string_view value) {
  switch (field) {
    case Field::kIgnored:
      break;
    case Field::kLineStatus:
      sample.Connected = value == "OK" ? 1 : 0;
      break;
    case Field::kMode:
      sample.Mode = value;
      break;
    case Field::kCommaMode:
      sample.Mode = WithCommas(value);
      break;
    case Field::kType:
      sample.Type = WithCommas(value);
      break;
    case Field::kUpstream:
      sample.Upstream_kbps = ParseFloat(value);
      break;
    case Field::kDownstream:
      sample.Downstream_kbps = ParseFloat(value);
      break;
    case Field::kAttenuationLocal:
      sample.Attenuation_local = ParseFloat(value);
      break;
    case Field::kAttenuationDistant:
      sample.Attenuation_distant = ParseFloat(value);
      break;
    case Field::kSnrLocal:
      sample.SNR_local = ParseFloat(value);
      break;
    case Field::kSnrDistant:
      sample.SNR_distant = ParseFloat(value);
      break;
    case Field::kCrcErrors:
      sample.CRC_errors = ParseInteger(value);
      break;
    case Field::kFirmware:
      sample.Firmware = WithCommas(value);
      break;
  }
}

// Hands group 1 (the key) and group 2 (the value) of every line that begins with `prefix` and
// matches `pattern_text` to `store`, in page order. The pattern is compiled for this page only.
// Stops at the end of the page's step budget with the entries found so far.
template <typename StoreEntry>
void ForEachKeyValue(std::string_view page, const char* pattern_text, std::string_view prefix,
                     bool skip_blanks, StoreEntry store) {
  RegexpBudget budget{kPageStepBudget};
  RegexpPtr pattern = CompileForPage(pattern_text, budget);
  if (!pattern) return;
  PageLines lines(page);
  std::array<char, kKeyValueCapacity + 1> key;
  std::array<char, kKeyValueCapacity + 1> value;
  Subject subject;
  for (std::string_view line; !budget.Exhausted() && lines.Next(line);) {
    if (skip_blanks) line = SkipBlanks(line);
    if (line.empty() || line[0] != prefix[0] || line.substr(0, prefix.size()) != prefix) continue;
    if (!regexec(pattern.get(), subject.Of(line))) continue;
    store(Group(*pattern, 1, key), Group(*pattern, 2, value));
  }
}

void StoreTecomCell(std::string_view label, std::string_view value, LineSample& sample,
                    bool& values_found) {
  Field field = FieldOf(kTecomEntries, label);
  if (field == Field::kCommaMode && value == "&nbsp") {
    values_found = true;
    sample.Connected = 0;
    return;
  }
  Store(sample, field, value);
  if (field == Field::kDownstream) {
    values_found = true;
    sample.Connected = sample.Downstream_kbps > 0 ? 1 : 0;
  }
}

}  // namespace

void ParseInventel(std::string_view page, LineSample& sample, bool& values_found) {
  // The line goes to the pattern without the blanks at its start.
  ForEachKeyValue(page, "ADSL_(.+)=(.+)\\<br\\>", "ADSL_", true,
                  [&](std::string_view key, std::string_view value) {
                    Field field = FieldOf(kInventelEntries, key);
                    Store(sample, field, value);
                    if (field == Field::kDownstream) {
                      values_found = true;
                      sample.Connected = ParseInteger(value) != 0 ? 1 : 0;
                    }
                  });
  sample.Device = "LiveBox Inventel";
}

void ParseSagem(std::string_view page, LineSample& sample, bool& values_found) {
  // The \t is one tab character in the pattern text; the line goes to the pattern unchanged.
  ForEachKeyValue(page, "var +([a-zA-Z_]+)\t+= \"(.+)\";", "var", false,
                  [&](std::string_view key, std::string_view value) {
                    Field field = FieldOf(kSagemEntries, key);
                    Store(sample, field, value);
                    if (field == Field::kDownstream) values_found = true;
                  });
  sample.Device = "LiveBox Sagem";
}

void ParseTecom(std::string_view page, LineSample& sample, bool& values_found) {
  RegexpBudget budget{kPageStepBudget};
  RegexpPtr label_pattern = CompileForPage("\\<td class\\=\\'hd\\'\\>(.*)\\<\\/td\\>", budget);
  RegexpPtr value_pattern = CompileForPage("\\<td\\>(.*)\\<\\/td\\>", budget);
  sample.Connected = 0;
  if (label_pattern && value_pattern) {
    PageLines lines(page);
    std::array<char, kTecomCapacity + 1> label;
    std::array<char, kTecomCapacity + 1> value;
    // The label cell is looked for by skipping through each line rather than at every "<".
    constexpr std::string_view kLabelCell = "<td class='hd'>";
    const std::boyer_moore_horspool_searcher label_cell(kLabelCell.begin(), kLabelCell.end());
    Subject label_line, value_line;
    std::string_view line, next;
    bool more = lines.Next(line);
    while (more && !budget.Exhausted()) {
      const bool has_next = lines.Next(next);
      // The value cell is looked for on the next line only; when it is not there, that line
      // is examined in its own turn.
      if (has_next && std::search(line.begin(), line.end(), label_cell) != line.end() &&
          regexec(label_pattern.get(), label_line.Of(line)) &&
          regexec(value_pattern.get(), value_line.Of(SkipBlanks(next)))) {
        StoreTecomCell(Group(*label_pattern, 1, label), Group(*value_pattern, 1, value), sample,
                       values_found);
        more = lines.Next(line);
      } else {
        line = next;
        more = has_next;
      }
    }
  }
  sample.Device = "Tecom AH4222";
}

bool ParseGatewayPage(std::string_view type, std::string_view page, LineSample& sample,
                      bool& values_found) {
  if (type == "INVENTEL") {
    ParseInventel(page, sample, values_found);
  } else if (type == "SAGEM") {
    ParseSagem(page, sample, values_found);
  } else if (type == "AH4222") {
    ParseTecom(page, sample, values_found);
  } else {
    return false;
  }
  return true;
}

}  // namespace verdalin
