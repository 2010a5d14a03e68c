// The Broadcom modems' line statistics: "Key: value" lines, a down/up table and counter blocks.
#include "monitor/broadcom_stats.h"

#include <algorithm>
#include <optional>
#include <string>

namespace verdalin {

namespace {

// The rows of the down/up table and of the counter blocks, by their key without blanks.
struct PairRow {
  std::string_view key;
  LineField down;
  LineField up;
};
constexpr PairRow kTableRows[] = {
    {"SNR(dB)", LineField::kDownSnr, LineField::kUpSnr},
    {"Attn(dB)", LineField::kDownAttenuation, LineField::kUpAttenuation},
    {"Pwr(dBm)", LineField::kDownPower, LineField::kUpPower},
};
constexpr PairRow kCounterRows[] = {
    {"FEC", LineField::kNearFec, LineField::kFarFec},
    {"CRC", LineField::kNearCrc, LineField::kFarCrc},
    {"ES", LineField::kNearEs, LineField::kFarEs},
    {"SES", LineField::kNearSes, LineField::kFarSes},
    {"UAS", LineField::kNearUas, LineField::kFarUas},
};
// The counter block whose values the sample takes: those since the line last came up.
constexpr std::string_view kLinkBlock = "Since Link";
constexpr std::string_view kBlockMark = " time =";

struct Reader {
  LineSample& sample;
  bool status_found = false;
  bool in_link_block = false;
};

std::string WithoutBlanks(std::string_view text) {
  std::string kept;
  for (char c : text) {
    if (c != ' ' && c != '\t') kept += c;
  }
  return kept;
}

// "1 days 2 hours 3 min 4 sec" in seconds; none when a part is not a number with a known unit.
std::optional<double> DurationSeconds(std::string_view text) {
  struct Unit {
    std::string_view word;
    double seconds;
  };
  constexpr Unit kUnits[] = {{"day", 86400}, {"days", 86400}, {"hour", 3600}, {"hours", 3600},
                             {"min", 60},    {"mins", 60},    {"sec", 1},     {"secs", 1}};
  double total = 0;
  bool any = false;
  for (text = TrimSpace(text); !text.empty(); text = TrimSpace(text)) {
    std::string_view rest;
    const std::optional<double> number = LeadingNumber(text, &rest);
    if (!number) return std::nullopt;
    rest = TrimSpace(rest);
    const std::string_view word = rest.substr(0, rest.find_first_of(" \t"));
    const Unit* unit = nullptr;
    for (const Unit& each : kUnits) {
      if (SameWord(word, each.word)) unit = &each;
    }
    if (unit == nullptr) return std::nullopt;
    total += *number * unit->seconds;
    any = true;
    text = rest.substr(word.size());
  }
  if (!any) return std::nullopt;
  return total;
}

// "Upstream rate = 1020 Kbps, Downstream rate = 20480 Kbps" into the two fields.
void ReadRates(LineSample& sample, std::string_view text, LineField up, LineField down) {
  const auto rate_after = [&](std::string_view name, LineField field) {
    const std::size_t at = text.find(name);
    if (at == std::string_view::npos) return;
    std::string_view rest = TrimSpace(text.substr(at + name.size()));
    if (rest.empty() || rest.front() != '=') return;
    if (const std::optional<double> kbps = RateKbps(rest.substr(1), 1)) {
      StoreNumber(sample, field, *kbps);
    }
  };
  rate_after("Upstream rate", up);
  rate_after("Downstream rate", down);
}

// A row of two numbers, down then up; a value that is no number ("N/A") is left out.
void ReadPair(LineSample& sample, std::string_view values, LineField down, LineField up) {
  std::string_view rest;
  if (const std::optional<double> first = LeadingNumber(values, &rest)) {
    StoreNumber(sample, down, *first);
  } else {
    rest = TrimSpace(values);
    rest.remove_prefix(std::min(rest.size(), rest.find_first_of(" \t")));
  }
  if (const std::optional<double> second = LeadingNumber(rest)) StoreNumber(sample, up, *second);
}

bool ReadTableRow(Reader& reader, const std::string& key, std::string_view values) {
  for (const PairRow& row : kTableRows) {
    if (SameWord(key, row.key)) {
      ReadPair(reader.sample, values, row.down, row.up);
      return true;
    }
  }
  if (!reader.in_link_block) return false;
  for (const PairRow& row : kCounterRows) {
    if (SameWord(key, row.key)) {
      ReadPair(reader.sample, values, row.down, row.up);
      return true;
    }
  }
  return false;
}

// "Status:", "Max:", "Bearer:" or "Channel:", "Mode:" and "VDSL2 Profile:".
void ReadKeyLine(Reader& reader, std::string_view key, std::string_view value) {
  LineSample& sample = reader.sample;
  value = TrimSpace(value);
  if (SameWord(key, "Status")) {
    reader.status_found = true;
    sample.Connected = SameWord(value.substr(0, value.find_first_of(" \t")), "Showtime") ? 1 : 0;
  } else if (SameWord(key, "Max")) {
    ReadRates(sample, value, LineField::kUpAttainable, LineField::kDownAttainable);
  } else if (SameWord(key, "Bearer") || SameWord(key, "Channel")) {
    const std::size_t comma = value.find(',');
    const std::string_view first = TrimSpace(value.substr(0, comma));
    if (comma == std::string_view::npos || (SameWord(key, "Bearer") && first != "0")) return;
    if (SameWord(key, "Channel")) StoreText(sample, LineField::kType, first);
    ReadRates(sample, value.substr(comma + 1), LineField::kUpRate, LineField::kDownRate);
  } else if (SameWord(key, "Mode")) {
    StoreText(sample, LineField::kMode, value);
    StoreText(sample, LineField::kStandard, value);
  } else if (SameWord(key, "VDSL2 Profile")) {
    StoreText(sample, LineField::kType, value);
    const std::size_t last = value.find_last_of(" \t");
    StoreText(sample, LineField::kProfile,
              last == std::string_view::npos ? value : value.substr(last + 1));
  }
}

// "Since Link time = 1 days 2 hours 3 min 4 sec" and the like open a counter block.
bool ReadBlockStart(Reader& reader, std::string_view line) {
  const std::size_t mark = line.find(kBlockMark);
  if (mark == std::string_view::npos || line.find(':') < mark) return false;
  reader.in_link_block = SameWord(TrimSpace(line.substr(0, mark)), kLinkBlock);
  if (reader.in_link_block) {
    if (const std::optional<double> seconds =
            DurationSeconds(line.substr(mark + kBlockMark.size()))) {
      StoreNumber(reader.sample, LineField::kUptime, *seconds);
    }
  }
  return true;
}

void ReadLine(Reader& reader, std::string_view line) {
  line = TrimSpace(line);
  if (ReadBlockStart(reader, line)) return;
  const std::size_t colon = line.find(':');
  if (colon == std::string_view::npos) return;
  const std::string_view key = TrimSpace(line.substr(0, colon));
  const std::string_view value = line.substr(colon + 1);
  if (ReadTableRow(reader, WithoutBlanks(key), value)) return;
  ReadKeyLine(reader, key, value);
}

}  // namespace

AnswerOutcome ReadBroadcomStats(std::string_view answer, LineSample& sample) {
  Reader reader{sample};
  const std::string plain = PlainTerminalText(answer);
  ForEachLine(plain, [&](std::string_view line) { ReadLine(reader, line); });
  if (sample.Device.empty()) sample.Device = "Broadcom";
  return reader.status_found ? AnswerOutcome::kValues : AnswerOutcome::kNoValues;
}

}  // namespace verdalin
