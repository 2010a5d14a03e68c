// The file layer of the CSV log: numbered open files, one current file, size queries, deletion.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "base/file_system.h"

namespace verdalin {

// Sizes, positions and counts are 64-bit: files of 2 GiB or more are sized and appended to.

// Size in bytes; -1 when missing or empty path; -2 for a directory or an existing drive.
int64_t QueryFileSize(FileSystem& fs, std::string_view path);
// True when both paths name one existing file, whatever the names (links, "./", case on Windows).
bool SameFile(FileSystem& fs, const std::string& a, const std::string& b);
// Non-zero on success.
int RemoveFile(FileSystem& fs, std::string_view path);

// Files opened under numbers of the caller's choosing. The file most recently opened is the
// current file, which SeekFile, FilePosition and WriteFileText act on. Nothing is buffered: each
// write reaches the operating system before it returns. Files still open are closed on
// destruction.
class DataFiles {
 public:
  explicit DataFiles(FileSystem& fs) : fs_(fs) {}
  DataFiles(const DataFiles&) = delete;
  DataFiles& operator=(const DataFiles&) = delete;

  // Opens (creating it empty when missing) for reading and writing at position 0, as the current
  // file under `number`, replacing the file open under it. Non-zero on success. On failure the
  // file open under the number stays open and there is no current file.
  int OpenDataFile(int number, std::string_view path);
  // Does nothing without a current file.
  void SeekFile(int64_t position);
  // -1 without a current file.
  int64_t FilePosition();
  // Writes the bytes at the current position; the count written (0 without a current file), short
  // when the disk is full.
  int64_t WriteFileText(std::string_view text);
  // Cuts the current file to `size` bytes, the position going there. Non-zero on success.
  int TruncateFile(int64_t size);
  // Does nothing when no file is open under the number.
  void CloseDataFile(int number);

 private:
  struct Entry {
    std::string path;
    std::unique_ptr<OpenFile> file;
  };
  FileSystem& fs_;
  std::map<int, Entry> open_;
  OpenFile* current_ = nullptr;
};

// Appends `line` to the log at `path` through file number `number`, after `header` when the
// file is empty, in one write; a write cut short (a full disk) is taken back, so that the file
// never holds part of a line and the next one does not run on from it. False when the file
// could not be opened or the line could not be written whole.
bool AppendLogLine(DataFiles& files, FileSystem& fs, int number, const std::string& path,
                   std::string_view header, const std::string& line);

}  // namespace verdalin
