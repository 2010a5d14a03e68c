// Fuzz target: the INI store loads a file, takes writes in memory, saves once and reads back.
//
// Input layout: the file's text, then fields separated by 0 bytes taken three at a time as the
// group, key and value of a write. Checks: no crash; every write the store accepts reads back
// (blanks around it and one pair of quotes dropped, cut to the longest value), before and after
// the save; and the text saved is the text that writing one key at a time gives.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "base/ini_store.h"
#include "fakes/fake_file_system.h"

namespace {

constexpr const char* kPath = "mem/Verdalin_Settings.ini";

void Check(bool condition) {
  if (!condition) std::abort();
}

std::string_view StripBlanks(std::string_view text) {
  const std::size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

std::string Lower(std::string_view text) {
  std::string lower(text);
  for (char& c : lower)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return lower;
}

// The value as a read gives it back.
std::string AsRead(std::string_view value) {
  value = StripBlanks(value);
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front())
    value = value.substr(1, value.size() - 2);
  return std::string(value.substr(0, verdalin::kMaxPreferenceLength));
}

struct Write {
  std::string group, key, value;
};

std::vector<Write> Writes(std::string_view fields) {
  std::vector<std::string> parts;
  for (std::size_t at = 0; at <= fields.size();) {
    std::size_t end = fields.find('\0', at);
    if (end == std::string_view::npos) end = fields.size();
    parts.emplace_back(fields.substr(at, end - at));
    at = end + 1;
  }
  std::vector<Write> writes;
  for (std::size_t i = 0; i + 2 < parts.size(); i += 3)
    writes.push_back({parts[i], parts[i + 1], parts[i + 2]});
  return writes;
}

// The expected value of each written key, by group and key as the store compares them.
using Expected = std::map<std::pair<std::string, std::string>, Write>;

void CheckReads(const verdalin::IniFile& file, const Expected& expected) {
  for (const auto& [name, write] : expected)
    Check(file.Read(write.group, write.key, "\r") == AsRead(write.value));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::size_t cut = input.find('\0');
  const std::string text(input.substr(0, cut));
  const std::vector<Write> writes =
      Writes(cut == std::string_view::npos ? std::string_view() : input.substr(cut + 1));

  verdalin::FakeFileSystem fs;
  fs.folders.insert("mem");
  fs.files[kPath] = text;
  verdalin::IniFile file(fs, kPath);
  Check(file.outcome() == verdalin::IniLoad::kLoaded);
  Expected expected;
  std::string one_at_a_time = text;
  for (const Write& write : writes) {
    const bool accepted = file.Write(write.group, write.key, write.value);
    verdalin::IniDocument single(one_at_a_time);
    Check(single.Write(write.group, write.key, write.value) == accepted);
    one_at_a_time = single.Text();
    if (accepted)
      expected[{Lower(StripBlanks(write.group)), Lower(StripBlanks(write.key))}] = write;
  }
  CheckReads(file, expected);
  Check(file.Save());
  Check(fs.files[kPath] == one_at_a_time);
  if (expected.empty()) Check(fs.files[kPath] == text);
  CheckReads(verdalin::IniFile(fs, kPath), expected);
  return 0;
}
