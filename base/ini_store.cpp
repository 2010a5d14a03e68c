// The INI preference store: a file parsed once into sections and key indexes, written back whole.
//
// Both builds use this code rather than the Windows private-profile functions, so a file written
// by one reads the same in the other. Choices:
// - Lines end in CR LF; files with LF-only lines are read as well, and a save keeps every line
//   that no write changed byte for byte, its line end included.
// - Lines whose first non-blank character is ";" are comments: never a key, kept by writes.
// - A group appended to a file that does not end in a blank line gets a blank line before its
//   header, so groups stay apart; a new or empty file starts with the header itself.
// - A save replaces the whole file through FileSystem::ReplaceAll, so a failed save leaves the
//   old file as it was. A file that exists but was not read is never written, so its other
//   lines are never lost. A save that would not change the text leaves the file untouched.
// - Names are compared without regard to ASCII case, blanks around them ignored; the first
//   group of a name and its first line of a key win. A write whose names or value would change
//   the shape of the file (a line break, a "=" in the key, a "]" in the group, an empty name)
//   does nothing.
#include "base/ini_store.h"

#include <algorithm>
#include <optional>
#include <utility>
#include <vector>

namespace verdalin {

namespace {

constexpr std::string_view kCrLf = "\r\n";

std::string_view StripBlanks(std::string_view text) {
  size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

constexpr std::size_t kNone = std::string_view::npos;

char AsciiLower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

std::size_t NameHash(std::string_view name) {
  std::size_t hash = 14695981039346656037u;  // FNV-1a
  for (char c : name) hash = (hash ^ static_cast<unsigned char>(AsciiLower(c))) * 1099511628211u;
  return hash;
}

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  return true;
}

using NameIndex = std::vector<std::pair<std::size_t, std::size_t>>;

// The first position in the index whose name (as `name_of` gives it) is `name`; kNone if none.
template <typename NameOf>
std::size_t FindName(const NameIndex& index, std::string_view name, NameOf name_of) {
  const std::size_t hash = NameHash(name);
  for (auto entry = std::lower_bound(index.begin(), index.end(), std::make_pair(hash, size_t{0}));
       entry != index.end() && entry->first == hash; ++entry)
    if (SameName(name_of(entry->second), name)) return entry->second;
  return kNone;
}

// Adds a position behind every position already in the index.
void AddToIndex(NameIndex& index, std::size_t hash, std::size_t position) {
  const auto entry = std::make_pair(hash, position);
  index.insert(std::upper_bound(index.begin(), index.end(), entry), entry);
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

bool HasAny(std::string_view text, std::string_view bytes) {
  return text.find_first_of(bytes) != std::string_view::npos;
}

bool CanStore(std::string_view group, std::string_view key, std::string_view value) {
  static constexpr std::string_view kLineBreaks("\r\n\0", 3);
  return !group.empty() && !key.empty() && !HasAny(group, kLineBreaks) && !HasAny(group, "]") &&
         !HasAny(key, kLineBreaks) && !HasAny(key, "=") && key.front() != '[' &&
         key.front() != ';' && !HasAny(value, kLineBreaks);
}

// The line end at the start of `rest`: CR LF, LF, or a CR that ends the text.
std::string_view LineEnd(std::string_view rest) {
  if (rest.substr(0, 2) == kCrLf) return kCrLf;
  if (rest == "\r") return "\r";
  return rest.substr(0, 1) == "\n" ? "\n" : "";
}

using HeaderOrNot = std::optional<std::string_view>;

// Calls `visit` with each line of the text, its line end as it stands (a CR before a LF belongs
// to the end) and, for a header, its group name.
template <typename Visit>
void ForEachLine(std::string_view text, Visit visit) {
  for (size_t start = 0; start < text.size();) {
    size_t stop = text.find('\n', start);
    if (stop == std::string_view::npos) stop = text.size();
    if (stop > start && text[stop - 1] == '\r') --stop;
    const std::string_view line = text.substr(start, stop - start);
    const std::string_view end = LineEnd(text.substr(stop));
    // Most lines are key lines: only one that begins with "[" or a blank can be a header.
    const bool maybe_header = !line.empty() && (line.front() == '[' || line.front() == ' ');
    visit(line, end, maybe_header ? HeaderName(line) : std::nullopt);
    start = stop + end.size();
  }
}

IniLoad LoadText(FileSystem& fs, const std::string& path, std::string& contents) {
  if (!IsUsablePath(path)) return IniLoad::kRefused;
  PathInfo info = fs.Stat(path);
  if (info.kind == PathKind::kMissing) return IniLoad::kMissing;
  if (info.kind != PathKind::kFile || info.size > kMaxIniFileSize) return IniLoad::kRefused;
  if (fs.ReadAll(path, contents) && static_cast<int64_t>(contents.size()) <= kMaxIniFileSize)
    return IniLoad::kLoaded;
  contents.clear();
  // Removed between the look-up and the read: missing after all.
  return fs.Stat(path).kind == PathKind::kMissing ? IniLoad::kMissing : IniLoad::kRefused;
}

}  // namespace

IniDocument::IniDocument(std::string text)
    : source_(std::make_unique<std::string>(std::move(text))) {
  Parse();
}

// Files each line into its section; a header opens one. The sections' sizes are counted first,
// so that a large file is read into lines without growing them again and again.
void IniDocument::Parse() {
  std::vector<std::size_t> sizes(1, 0);
  ForEachLine(*source_, [&](std::string_view, std::string_view, const HeaderOrNot& header) {
    if (header) sizes.push_back(0);
    ++sizes.back();
  });
  sections_.resize(sizes.size());
  for (std::size_t i = 0; i < sizes.size(); ++i) sections_[i].lines.reserve(sizes[i]);
  groups_.reserve(sizes.size() - 1);
  std::size_t section = 0;
  ForEachLine(*source_,
              [&](std::string_view text, std::string_view end, const HeaderOrNot& header) {
                if (header) groups_.emplace_back(NameHash(*header), ++section);
                sections_[section].lines.push_back({text, end});
              });
  std::sort(groups_.begin(), groups_.end());
}

// The first section of the group, npos when there is none.
std::size_t IniDocument::FindGroup(std::string_view group) const {
  return FindName(groups_, group, [&](std::size_t section) {
    return *HeaderName(sections_[section].lines.front().text);
  });
}

// The first line of the key in the section, npos when there is none.
std::size_t IniDocument::FindKey(std::size_t section, std::string_view key) const {
  Index(section);
  const std::vector<Line>& lines = sections_[section].lines;
  return FindName(sections_[section].keys, key,
                  [&](std::size_t line) { return *KeyName(lines[line].text); });
}

// Indexes the key lines of the section, and finds its last key line.
void IniDocument::Index(std::size_t section) const {
  const Section& lines = sections_[section];
  if (lines.indexed) return;
  for (std::size_t i = 1; i < lines.lines.size(); ++i) {
    std::optional<std::string_view> key = KeyName(lines.lines[i].text);
    if (!key) continue;
    lines.keys.emplace_back(NameHash(*key), i);
    lines.last_key = i;
  }
  std::sort(lines.keys.begin(), lines.keys.end());
  lines.indexed = true;
}

std::string IniDocument::Read(std::string_view group, std::string_view key,
                              std::string_view default_value) const {
  const std::size_t section = FindGroup(StripBlanks(group));
  if (section == kNone) return std::string(default_value);
  const std::size_t line = FindKey(section, StripBlanks(key));
  if (line == kNone) return std::string(default_value);
  return ValueOf(sections_[section].lines[line].text);
}

bool IniDocument::Write(std::string_view group, std::string_view key, std::string_view value) {
  group = StripBlanks(group);
  key = StripBlanks(key);
  if (!CanStore(group, key, value)) return false;
  std::string key_line(key);
  key_line.append("=").append(value);
  std::string_view line = Keep(std::move(key_line));
  const std::size_t section = FindGroup(group);
  if (section == kNone) {
    AppendGroup(group, key, line);
    return true;
  }
  const std::size_t found = FindKey(section, key);
  Section& lines = sections_[section];
  if (found != kNone) {
    lines.lines[found].text = line;
    return true;
  }
  // After the group's last key line: only comments and blank lines follow it, which are not
  // indexed, so no index moves.
  InsertLine(section, ++lines.last_key, line);
  AddToIndex(lines.keys, NameHash(key), lines.last_key);
  return true;
}

std::string_view IniDocument::Keep(std::string text) {
  return written_.emplace_back(std::move(text));
}

IniDocument::Line* IniDocument::LastLine() {
  for (auto section = sections_.rbegin(); section != sections_.rend(); ++section)
    if (!section->lines.empty()) return &section->lines.back();
  return nullptr;
}

// Only the last line of the text can lack its line end; a line is about to follow it.
void IniDocument::EndLine(Line& line) {
  if (line.end.empty() || line.end == "\r") line.end = kCrLf;
}

void IniDocument::InsertLine(std::size_t section, std::size_t at, std::string_view text) {
  std::vector<Line>& lines = sections_[section].lines;
  EndLine(lines[at - 1]);
  lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(at), Line{text, kCrLf});
}

void IniDocument::AppendGroup(std::string_view group, std::string_view key,
                              std::string_view key_line) {
  if (Line* last = LastLine()) {
    EndLine(*last);
    if (!StripBlanks(last->text).empty()) sections_.back().lines.push_back({"", kCrLf});
  }
  std::string header(1, '[');  // built by appending: "[" + text trips a bogus GCC 12 warning
  header.append(group).push_back(']');
  const std::size_t number = sections_.size();
  Section& section = sections_.emplace_back();
  section.lines = {Line{Keep(std::move(header)), kCrLf}, Line{key_line, kCrLf}};
  section.indexed = true;
  section.last_key = 1;
  section.keys = {{NameHash(key), 1}};
  AddToIndex(groups_, NameHash(group), number);
}

std::string IniDocument::Text() const {
  std::string text;
  text.reserve(source_->size() + 64);
  for (const Section& section : sections_)
    for (const Line& line : section.lines) text.append(line.text).append(line.end);
  return text;
}

IniFile::IniFile(FileSystem& fs, std::string_view path) : fs_(fs), path_(path) {
  std::string contents;
  outcome_ = LoadText(fs, path_, contents);
  document_ = IniDocument(std::move(contents));
}

bool IniFile::Save() {
  if (outcome_ == IniLoad::kRefused) return false;
  const std::string text = document_.Text();
  return text == document_.Original() || fs_.ReplaceAll(path_, text);
}

std::string ReadPreference(FileSystem& fs, std::string_view group, std::string_view key,
                           std::string_view default_value, std::string_view file) {
  return IniFile(fs, file).Read(group, key, default_value);
}

void WritePreference(FileSystem& fs, std::string_view group, std::string_view key,
                     std::string_view value, std::string_view file) {
  IniFile ini(fs, file);
  if (ini.Write(group, key, value)) ini.Save();
}

void RemoveLeftoverTempFiles(FileSystem& fs, std::string_view path) {
  const size_t cut = path.find_last_of("/\\");
  if (cut == std::string_view::npos || !IsUsablePath(path)) return;
  const std::string folder(path.substr(0, cut + 1));
  const std::string prefix = std::string(path.substr(cut + 1)) + std::string(kTempSuffix);
  for (const std::string& name : fs.ListFolder(folder)) {
    if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0) continue;
    if (name.find_first_not_of("0123456789", prefix.size()) != std::string::npos) continue;
    fs.Remove(folder + name);
  }
}

}  // namespace verdalin
