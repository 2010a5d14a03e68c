// The file layer of the CSV log: numbered open files, one current file, size queries, deletion.
#include "text/file_layer.h"

#include <algorithm>
#include <limits>

namespace verdalin {

namespace {

bool IsLetter(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}
bool IsSeparator(char c) {
  return c == '\\' || c == '/';
}

// "C:" or "C:\" names a whole drive.
bool IsDriveName(std::string_view path) {
  return (path.size() == 2 || (path.size() == 3 && IsSeparator(path[2]))) && IsLetter(path[0]) &&
         path[1] == ':';
}

int32_t Clamp32(int64_t value) {
  return static_cast<int32_t>(std::min<int64_t>(value, std::numeric_limits<int32_t>::max()));
}

}  // namespace

int32_t QueryFileSize(FileSystem& fs, std::string_view path) {
  if (!IsUsablePath(path)) return -1;
  std::string name(path);
  if (IsDriveName(name)) {
    if (name.size() == 2) name += '\\';
    return fs.Stat(name).kind == PathKind::kMissing ? -1 : -2;
  }
  if (name.back() == '\\') name.pop_back();
  if (name.empty()) return -1;
  PathInfo info = fs.Stat(name);
  if (info.kind == PathKind::kMissing) return -1;
  if (info.kind == PathKind::kDirectory) return -2;
  // Files of 2 GiB or more cannot be sized in 32 bits; they read as the largest size.
  return Clamp32(info.size);
}

int RemoveFile(FileSystem& fs, std::string_view path) {
  return IsUsablePath(path) && fs.Remove(std::string(path)) ? 1 : 0;
}

int DataFiles::OpenDataFile(int number, std::string_view path) {
  current_ = nullptr;
  if (!IsUsablePath(path)) return 0;
  auto previous = open_.find(number);
  // Reopening the path that is open under the number: close it first, or our own open of it
  // would refuse the new one.
  if (previous != open_.end() && previous->second.path == path) CloseDataFile(number);
  std::unique_ptr<OpenFile> file = fs_.OpenShared(std::string(path));
  if (!file) return 0;
  current_ = file.get();
  open_[number] = Entry{std::string(path), std::move(file)};
  return 1;
}

void DataFiles::SeekFile(int32_t position) {
  if (current_) current_->Seek(position);
}

int32_t DataFiles::FilePosition() {
  return current_ ? Clamp32(current_->Position()) : -1;
}

int32_t DataFiles::WriteFileText(std::string_view text) {
  if (!current_ || text.empty()) return 0;
  return Clamp32(current_->Write(text));
}

void DataFiles::CloseDataFile(int number) {
  auto entry = open_.find(number);
  if (entry == open_.end()) return;
  if (current_ == entry->second.file.get()) current_ = nullptr;
  open_.erase(entry);
}

}  // namespace verdalin
