// The file layer of the CSV log: numbered open files, one current file, size queries, deletion.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "text/file_system.h"

namespace verdalin {

// Size in bytes; -1 when missing or empty path; -2 for a directory or an existing drive.
int32_t QueryFileSize(FileSystem& fs, std::string_view path);
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
  void SeekFile(int32_t position);
  // -1 without a current file.
  int32_t FilePosition();
  // Writes the bytes at the current position; the count written (0 without a current file).
  int32_t WriteFileText(std::string_view text);
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

}  // namespace verdalin
