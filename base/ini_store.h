// The INI preference store: INI files read once, changed key by key in memory, written back once.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/file_system.h"

namespace verdalin {

// Values read back hold at most this many characters, as many as the longest field (the address).
constexpr std::size_t kMaxPreferenceLength = 2048;
// Larger INI files are neither read nor written over.
constexpr int64_t kMaxIniFileSize = int64_t{16} << 20;

// What loading an INI file found.
enum class IniLoad {
  kLoaded,   // read
  kMissing,  // no such file: every key reads as its default, and a save creates the file
  kRefused,  // there but not read (not a regular file, too large, unreadable): every key reads
             // as its default, and the file is never written over
};

// The text of an INI file, parsed once, its groups and keys indexed. Lines that no write touches
// keep their bytes, line ends included.
class IniDocument {
 public:
  explicit IniDocument(std::string text = {});
  IniDocument(IniDocument&&) noexcept = default;
  IniDocument& operator=(IniDocument&&) noexcept = default;

  // The value of `key` in the first group named `group`; `default_value` when either is missing.
  std::string Read(std::string_view group, std::string_view key,
                   std::string_view default_value) const;
  // Sets the key line of `key` in `group`, adding the line or the group when missing. False, and
  // nothing changes, for names or a value that would change the shape of the file.
  bool Write(std::string_view group, std::string_view key, std::string_view value);
  // The whole text as it stands, and as it was parsed.
  std::string Text() const;
  const std::string& Original() const { return *source_; }

 private:
  struct Line {
    std::string_view text;
    std::string_view end;  // "\r\n", "\n", or at the end of the text "\r" or ""
  };
  // Sections or lines by the hash of their name (ASCII case ignored), then by position: of the
  // entries of a name, the first is the one that counts.
  using NameIndex = std::vector<std::pair<std::size_t, std::size_t>>;
  // A header line and the lines up to the next one; the first section has no header.
  struct Section {
    std::vector<Line> lines;
    // Its keys are indexed when its group is first looked up: most lines of a large file are
    // never looked at.
    mutable bool indexed = false;
    mutable std::size_t last_key = 0;  // once indexed: the last key line, or the header
    mutable NameIndex keys;
  };

  void Parse();
  std::size_t FindGroup(std::string_view group) const;
  std::size_t FindKey(std::size_t section, std::string_view key) const;
  void Index(std::size_t section) const;
  std::string_view Keep(std::string text);
  Line* LastLine();
  static void EndLine(Line& line);
  void InsertLine(std::size_t section, std::size_t at, std::string_view text);
  void AppendGroup(std::string_view group, std::string_view key, std::string_view key_line);

  std::unique_ptr<std::string> source_;  // the views of unchanged lines point into it
  std::deque<std::string> written_;      // and those of written lines into these
  std::vector<Section> sections_;
  NameIndex groups_;
};

// An INI file read once: reads and writes act on the document in memory, and Save replaces the
// file once, atomically, with every write in it.
class IniFile {
 public:
  IniFile(FileSystem& fs, std::string_view path);
  IniFile(const IniFile&) = delete;
  IniFile& operator=(const IniFile&) = delete;

  IniLoad outcome() const { return outcome_; }
  std::string Read(std::string_view group, std::string_view key,
                   std::string_view default_value) const {
    return document_.Read(group, key, default_value);
  }
  bool Write(std::string_view group, std::string_view key, std::string_view value) {
    return document_.Write(group, key, value);
  }
  // Replaces the file when the text has changed. True when the file holds the text; false when
  // its load was refused (it is then never written) or the replacement failed (the old file
  // stays as it was).
  bool Save();

 private:
  FileSystem& fs_;
  std::string path_;
  IniLoad outcome_;
  IniDocument document_;
};

// One key read or written, the file read (and replaced) each time.
std::string ReadPreference(FileSystem& fs, std::string_view group, std::string_view key,
                           std::string_view default_value, std::string_view file);
void WritePreference(FileSystem& fs, std::string_view group, std::string_view key,
                     std::string_view value, std::string_view file);

// Removes the temporary files that replacements of the file at `path` left behind when a run was
// killed (`<name>.tmp-<digits>` beside it, whatever process wrote them): they may hold secrets.
void RemoveLeftoverTempFiles(FileSystem& fs, std::string_view path);

}  // namespace verdalin
