// The file layer of the CSV log: numbered open files, one current file, size queries, deletion.
#include "base/file_layer.h"

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

}  // namespace

int64_t QueryFileSize(FileSystem& fs, std::string_view path) {
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
  return info.size;
}

bool SameFile(FileSystem& fs, const std::string& a, const std::string& b) {
  const std::optional<FileIdentity> first = fs.IdentityOf(a);
  return first && first == fs.IdentityOf(b);
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

void DataFiles::SeekFile(int64_t position) {
  if (current_) current_->Seek(position);
}

int64_t DataFiles::FilePosition() {
  return current_ ? current_->Position() : -1;
}

int64_t DataFiles::WriteFileText(std::string_view text) {
  if (!current_ || text.empty()) return 0;
  return current_->Write(text);
}

int DataFiles::TruncateFile(int64_t size) {
  return current_ && current_->Truncate(size) ? 1 : 0;
}

void DataFiles::CloseDataFile(int number) {
  auto entry = open_.find(number);
  if (entry == open_.end()) return;
  if (current_ == entry->second.file.get()) current_ = nullptr;
  open_.erase(entry);
}

namespace {

// Writes at the end of the current file, `size` bytes long; the size query of an open file
// failing all the same writes nothing rather than over the start of the file.
bool AppendAtEnd(DataFiles& files, int64_t size, std::string_view header, const std::string& line) {
  if (size < 0) return false;
  files.SeekFile(size);
  if (files.FilePosition() != size) return false;
  const std::string text = size == 0 ? std::string(header) + line : line;
  if (files.WriteFileText(text) == static_cast<int64_t>(text.size())) return true;
  files.TruncateFile(size);
  return false;
}

}  // namespace

bool AppendLogLine(DataFiles& files, FileSystem& fs, int number, const std::string& path,
                   std::string_view header, const std::string& line) {
  if (!files.OpenDataFile(number, path)) return false;
  const bool written = AppendAtEnd(files, QueryFileSize(fs, path), header, line);
  files.CloseDataFile(number);
  return written;
}

}  // namespace verdalin
