// The DrayTek routers' line status: known keys found anywhere on a line, each with the value after
// its colon.
#include "monitor/draytek_status.h"

#include <optional>
#include <string>
#include <vector>

namespace verdalin {

namespace {

// Rates come in bit/s unless a unit word says otherwise; attenuation and margins in dB.
constexpr double kBitsToKbps = 0.001;
constexpr KeyedField kNumberKeys[] = {
    {"DS Actual Rate", LineField::kDownRate, kBitsToKbps},
    {"US Actual Rate", LineField::kUpRate, kBitsToKbps},
    {"DS Attainable Rate", LineField::kDownAttainable, kBitsToKbps},
    {"US Attainable Rate", LineField::kUpAttainable, kBitsToKbps},
    {"NE Current Attenuation", LineField::kDownAttenuation},
    {"Cur SNR Margin", LineField::kDownSnr},
    {"Far Current Attenuation", LineField::kUpAttenuation},
    {"Far SNR Margin", LineField::kUpSnr},
    {"NE CRC Count", LineField::kNearCrc},
    {"FE CRC Count", LineField::kFarCrc},
    {"NE ES Count", LineField::kNearEs},
    {"FE ES Count", LineField::kFarEs},
    {"Xdsl Reset Times", LineField::kRetrains},
};
constexpr std::string_view kStateKey = "State";
constexpr std::string_view kModeKey = "Running Mode";
constexpr std::string_view kPathKey = "DS Path Mode";
constexpr std::string_view kFirmwareKeys[] = {"VDSL Firmware Version", "ADSL Firmware Version",
                                              "Firmware Version"};

bool IsSpace(char c) {
  return c == ' ' || c == '\t';
}

char Lower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// The length of `key` at the start of `text`, a blank in the key matching any run of blanks and
// tabs, followed by blanks and a colon; 0 when it is not there.
std::size_t KeyLength(std::string_view text, std::string_view key) {
  std::size_t at = 0;
  for (char k : key) {
    if (k == ' ') {
      if (at >= text.size() || !IsSpace(text[at])) return 0;
      while (at < text.size() && IsSpace(text[at])) ++at;
    } else {
      if (at >= text.size() || Lower(text[at]) != Lower(k)) return 0;
      ++at;
    }
  }
  while (at < text.size() && IsSpace(text[at])) ++at;
  return at < text.size() && text[at] == ':' ? at + 1 : 0;
}

// A key of the line found at a word's start: which one, where it starts and where its value does.
struct Found {
  std::string_view key;
  std::size_t start = 0;
  std::size_t value = 0;
};

std::vector<std::string_view> AllKeys() {
  std::vector<std::string_view> keys{kStateKey, kModeKey, kPathKey};
  for (const KeyedField& each : kNumberKeys) keys.push_back(each.key);
  for (std::string_view each : kFirmwareKeys) keys.push_back(each);
  return keys;
}

// The known keys of a line, in their order on it; the longest one wins where two start alike.
std::vector<Found> FindKeys(std::string_view line) {
  static const std::vector<std::string_view> keys = AllKeys();
  std::vector<Found> found;
  for (std::size_t at = 0; at < line.size(); ++at) {
    if (IsSpace(line[at]) || (at > 0 && !IsSpace(line[at - 1]))) continue;  // word starts only
    Found best;
    for (std::string_view key : keys) {
      const std::size_t length = KeyLength(line.substr(at), key);
      if (length > 0 && key.size() > best.key.size()) best = {key, at, at + length};
    }
    if (best.value == 0) continue;
    found.push_back(best);
    at = best.value - 1;
  }
  return found;
}

// The first word of a value: "SHOWTIME", "17A", "Fast", "05-07-06-07-00-01".
std::string_view FirstWord(std::string_view value) {
  value = TrimSpace(value);
  return value.substr(0, value.find_first_of(" \t"));
}

bool ReadNumberKey(LineSample& sample, std::string_view key, std::string_view value) {
  for (const KeyedField& each : kNumberKeys) {
    if (each.key != key) continue;
    const std::optional<double> number =
        each.scale == kBitsToKbps ? RateKbps(value, each.scale) : LeadingNumber(value);
    if (number) StoreNumber(sample, each.field, *number);
    return true;
  }
  return false;
}

// A VDSL2 profile as the mode names it: digits and one letter ("17A", "8b", "35b").
bool IsProfile(std::string_view word) {
  if (word.size() < 2 || word.size() > 3) return false;
  for (std::size_t i = 0; i + 1 < word.size(); ++i) {
    if (word[i] < '0' || word[i] > '9') return false;
  }
  const char letter = Lower(word.back());
  return letter >= 'a' && letter <= 'z';
}

void ReadMode(LineSample& sample, std::string_view mode) {
  StoreText(sample, LineField::kMode, mode);
  if (IsProfile(mode)) {
    StoreText(sample, LineField::kProfile, mode);
    StoreText(sample, LineField::kStandard, "VDSL2");
  } else {
    StoreText(sample, LineField::kStandard, mode);
  }
}

void ReadPair(LineSample& sample, bool& state_found, std::string_view key, std::string_view value) {
  if (ReadNumberKey(sample, key, value)) return;
  const std::string_view word = FirstWord(value);
  if (key == kStateKey) {
    state_found = true;
    sample.Connected = SameWord(word, "SHOWTIME") ? 1 : 0;
  } else if (key == kModeKey) {
    ReadMode(sample, word);
  } else if (key == kPathKey) {
    StoreText(sample, LineField::kType, word);
  } else {
    StoreText(sample, LineField::kFirmware, word);
  }
}

void ReadLine(LineSample& sample, bool& state_found, std::string_view line) {
  const std::vector<Found> keys = FindKeys(line);
  for (std::size_t i = 0; i < keys.size(); ++i) {
    const std::size_t end = i + 1 < keys.size() ? keys[i + 1].start : line.size();
    ReadPair(sample, state_found, keys[i].key, line.substr(keys[i].value, end - keys[i].value));
  }
}

}  // namespace

AnswerOutcome ReadDraytekStatus(std::string_view answer, LineSample& sample) {
  bool state_found = false;
  const std::string plain = PlainTerminalText(answer);
  ForEachLine(plain, [&](std::string_view line) { ReadLine(sample, state_found, line); });
  if (sample.Device.empty()) sample.Device = "DrayTek";
  return state_found ? AnswerOutcome::kValues : AnswerOutcome::kNoValues;
}

}  // namespace verdalin
