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

class DataFiles {
 public:
  explicit DataFiles(FileSystem& fs) : fs_(fs) {}
  DataFiles(const DataFiles&) = delete;
  DataFiles& operator=(const DataFiles&) = delete;

  int OpenDataFile(int number, std::string_view path);  // non-zero on success
  void SeekFile(int32_t position);
  int32_t FilePosition();
  int32_t WriteFileText(std::string_view text);
  void CloseDataFile(int number);

 private:
  FileSystem& fs_;
  std::map<int, std::unique_ptr<OpenFile>> open_;
  OpenFile* current_ = nullptr;
};

}  // namespace verdalin
