// The INI preference store: reads and writes one key line of an INI file per call.
//
// Both builds use this code rather than the Windows private-profile functions, so a file written
// by one reads the same in the other. Choices:
// - Lines end in CR LF; files with LF-only lines are read as well, and a write keeps every line
//   it does not change byte for byte, its line end included.
// - Lines whose first non-blank character is ";" are comments: never a key, kept by writes.
// - A group appended to a file that does not end in a blank line gets a blank line before its
//   header, so groups stay apart; a new or empty file starts with the header itself.
// - A write rereads the file and replaces it as a whole through FileSystem::ReplaceAll, so a
//   failed write leaves the old file as it was. A file that exists but cannot be read is not
//   written at all, so its other lines are never lost. A write that would not change the text
//   leaves the file untouched.
// - Names are compared without regard to ASCII case, blanks around them ignored. A write whose
//   names or value would change the shape of the file (a line break, a "=" in the key, a "]" in
//   the group, an empty name) does nothing.
#include "text/ini_store.h"

#include <optional>
#include <vector>

namespace verdalin {

namespace {

struct Line {
  std::string text;
  std::string end;  // "\r\n", "\n", or "" for a last line without one
};

std::vector<Line> SplitLines(std::string_view contents) {
  std::vector<Line> lines;
  for (size_t start = 0; start < contents.size();) {
    size_t stop = contents.find('\n', start);
    stop = stop == std::string_view::npos ? contents.size() : stop + 1;
    std::string_view raw = contents.substr(start, stop - start);
    size_t length = raw.size();
    if (length > 0 && raw[length - 1] == '\n') --length;
    if (length > 0 && raw[length - 1] == '\r') --length;
    lines.push_back({std::string(raw.substr(0, length)), std::string(raw.substr(length))});
    start = stop;
  }
  return lines;
}

std::string JoinLines(const std::vector<Line>& lines) {
  std::string text;
  for (const Line& line : lines) text += line.text + line.end;
  return text;
}

std::string_view StripBlanks(std::string_view text) {
  size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

char AsciiLower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  return true;
}

bool StartsWith(std::string_view line, char c) {
  std::string_view text = StripBlanks(line);
  return !text.empty() && text.front() == c;
}

// The group name of a header line: the text between "[" and "]", blanks around it ignored.
std::optional<std::string_view> HeaderName(std::string_view line) {
  if (!StartsWith(line, '[')) return std::nullopt;
  std::string_view text = StripBlanks(line).substr(1);
  return StripBlanks(text.substr(0, text.find(']')));
}

bool IsHeaderOf(std::string_view line, std::string_view group) {
  std::optional<std::string_view> name = HeaderName(line);
  return name && SameName(*name, group);
}

// The key of a key line: the text before the first "=", blanks around it ignored.
std::optional<std::string_view> KeyName(std::string_view line) {
  size_t equals = line.find('=');
  if (equals == std::string_view::npos || StartsWith(line, ';')) return std::nullopt;
  return StripBlanks(line.substr(0, equals));
}

std::string ValueOf(std::string_view line) {
  std::string_view value = StripBlanks(line.substr(line.find('=') + 1));
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front())
    value = value.substr(1, value.size() - 2);
  return std::string(value.substr(0, kMaxPreferenceLength));
}

// Where a key stands in a group: its line (npos when missing) and where a new line would go.
struct KeyPlace {
  size_t found = std::string::npos;
  size_t insert_at = 0;
};

// The first group of that name and its key; nullopt when the group is missing.
std::optional<KeyPlace> FindKey(const std::vector<Line>& lines, std::string_view group,
                                std::string_view key) {
  size_t header = 0;
  while (header < lines.size() && !IsHeaderOf(lines[header].text, group)) ++header;
  if (header == lines.size()) return std::nullopt;
  KeyPlace place;
  place.insert_at = header + 1;
  for (size_t i = header + 1; i < lines.size() && !HeaderName(lines[i].text); ++i) {
    std::optional<std::string_view> name = KeyName(lines[i].text);
    if (!name) continue;
    if (SameName(*name, key)) {
      place.found = i;
      break;
    }
    place.insert_at = i + 1;
  }
  return place;
}

void InsertLine(std::vector<Line>& lines, size_t at, std::string text) {
  if (at > 0 && lines[at - 1].end.empty()) lines[at - 1].end = "\r\n";
  lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(at), Line{std::move(text), "\r\n"});
}

void AppendGroup(std::vector<Line>& lines, std::string_view group, std::string key_line) {
  if (!lines.empty() && !StripBlanks(lines.back().text).empty())
    InsertLine(lines, lines.size(), "");
  std::string header(1, '[');  // built by appending: "[" + text trips a bogus GCC 12 warning
  header.append(group).push_back(']');
  InsertLine(lines, lines.size(), std::move(header));
  InsertLine(lines, lines.size(), std::move(key_line));
}

bool HasAny(std::string_view text, std::string_view bytes) {
  return text.find_first_of(bytes) != std::string_view::npos;
}

bool CanStore(std::string_view group, std::string_view key, std::string_view value) {
  static constexpr std::string_view kLineBreaks("\r\n\0", 3);
  return !group.empty() && !key.empty() && !HasAny(group, kLineBreaks) && !HasAny(group, "]") &&
         !HasAny(key, kLineBreaks) && !HasAny(key, "=") && key.front() != '[' &&
         key.front() != ';' && !HasAny(value, kLineBreaks);
}

}  // namespace

std::string ReadPreference(FileSystem& fs, std::string_view group, std::string_view key,
                           std::string_view default_value, std::string_view file) {
  std::string contents;
  if (!IsUsablePath(file) || !fs.ReadAll(std::string(file), contents))
    return std::string(default_value);
  std::vector<Line> lines = SplitLines(contents);
  std::optional<KeyPlace> place = FindKey(lines, StripBlanks(group), StripBlanks(key));
  if (!place || place->found == std::string::npos) return std::string(default_value);
  return ValueOf(lines[place->found].text);
}

void WritePreference(FileSystem& fs, std::string_view group, std::string_view key,
                     std::string_view value, std::string_view file) {
  group = StripBlanks(group);
  key = StripBlanks(key);
  if (!IsUsablePath(file) || !CanStore(group, key, value)) return;
  std::string path(file), old;
  if (!fs.ReadAll(path, old) && fs.Stat(path).kind != PathKind::kMissing) return;
  std::vector<Line> lines = SplitLines(old);
  std::string key_line = std::string(key) + "=" + std::string(value);
  std::optional<KeyPlace> place = FindKey(lines, group, key);
  if (!place)
    AppendGroup(lines, group, std::move(key_line));
  else if (place->found != std::string::npos)
    lines[place->found].text = std::move(key_line);
  else
    InsertLine(lines, place->insert_at, std::move(key_line));
  std::string text = JoinLines(lines);
  if (text != old) fs.ReplaceAll(path, text);
}

}  // namespace verdalin
