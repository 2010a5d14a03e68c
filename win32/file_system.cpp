// File system on Windows: CreateFileA with share modes, GetFileAttributesExA, MoveFileExA.
#include <windows.h>

#include <algorithm>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/file_system.h"

namespace verdalin {

namespace {

int64_t WriteFully(HANDLE handle, std::string_view bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 30));
    DWORD written = 0;
    if (!WriteFile(handle, bytes.data() + done, chunk, &written, nullptr) || written == 0) break;
    done += written;
  }
  return static_cast<int64_t>(done);
}

class WindowsFile : public OpenFile {
 public:
  explicit WindowsFile(HANDLE handle) : handle_(handle) {}
  ~WindowsFile() override { CloseHandle(handle_); }
  bool Seek(int64_t position) override {
    LARGE_INTEGER to;
    to.QuadPart = position;
    return position >= 0 && SetFilePointerEx(handle_, to, nullptr, FILE_BEGIN);
  }
  int64_t Position() override {
    LARGE_INTEGER zero = {}, at = {};
    return SetFilePointerEx(handle_, zero, &at, FILE_CURRENT) ? at.QuadPart : -1;
  }
  int64_t Write(std::string_view bytes) override { return WriteFully(handle_, bytes); }
  bool Truncate(int64_t size) override { return Seek(size) && SetEndOfFile(handle_); }

 private:
  HANDLE handle_;
};

// Keeps the handle only for a file on disk (not a device, pipe or console); null otherwise.
HANDLE OnDiskOnly(HANDLE handle) {
  if (handle == INVALID_HANDLE_VALUE || GetFileType(handle) == FILE_TYPE_DISK) return handle;
  CloseHandle(handle);
  return INVALID_HANDLE_VALUE;
}

// Devices (NUL, CON, COM1, ...) have no attributes: they are told by opening them with no access.
bool IsDevice(const std::string& path) {
  HANDLE handle = CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return false;
  bool device = GetFileType(handle) != FILE_TYPE_DISK;
  CloseHandle(handle);
  return device;
}

// Writes the whole text to a fresh file at `temp` and flushes it to disk.
bool WriteTempFile(const std::string& temp, std::string_view contents) {
  HANDLE handle = CreateFileA(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return false;
  bool ok = WriteFully(handle, contents) == static_cast<int64_t>(contents.size()) &&
            FlushFileBuffers(handle);
  return CloseHandle(handle) && ok;
}

// Renames the new text over the file. A process that reads the file without letting others
// delete it (GetPrivateProfileString, a virus scanner, an indexer) makes the rename fail while it
// holds the file, usually for a moment: the rename is tried again for up to half a second.
bool MoveIntoPlace(const std::string& temp, const std::string& path) {
  for (int attempt = 0; attempt < 20; ++attempt) {
    if (MoveFileExA(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
      return true;
    DWORD error = GetLastError();
    if (error != ERROR_SHARING_VIOLATION && error != ERROR_ACCESS_DENIED) return false;
    Sleep(25);
  }
  return false;
}

// The temporary file beside the path, moved over it; nothing is left on failure.
bool WriteAndMove(const std::string& path, std::string_view contents) {
  std::string temp = path + std::string(kTempSuffix) + std::to_string(GetCurrentProcessId());
  if (!WriteTempFile(temp, contents) || !MoveIntoPlace(temp, path)) {
    DeleteFileA(temp.c_str());
    return false;
  }
  return true;
}

// Checked by hand: Wine running as root would otherwise replace or delete a read-only file.
bool IsReadOnly(const std::string& path) {
  DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY);
}

// Opens a file on disk for reading, letting others read, write and delete it meanwhile.
HANDLE OpenForReading(const std::string& path, DWORD flags) {
  return OnDiskOnly(CreateFileA(path.c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | flags, nullptr));
}

class WindowsFileSystem : public FileSystem {
 public:
  PathInfo Stat(const std::string& path) override {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!IsUsablePath(path)) return {};
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data))
      return IsDevice(path) ? PathInfo{PathKind::kOther, 0} : PathInfo{};
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return {PathKind::kDirectory, 0};
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DEVICE) return {PathKind::kOther, 0};
    int64_t size = (static_cast<int64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    return {PathKind::kFile, size};
  }

  // Others may read while the file is open; the open fails while another handle writes to the
  // file or does not let others write.
  std::unique_ptr<OpenFile> OpenShared(const std::string& path) override {
    if (!IsUsablePath(path)) return nullptr;
    HANDLE handle =
        OnDiskOnly(CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                               OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (handle == INVALID_HANDLE_VALUE) return nullptr;
    return std::make_unique<WindowsFile>(handle);
  }

  bool Remove(const std::string& path) override {
    return IsUsablePath(path) && !IsReadOnly(path) && DeleteFileA(path.c_str());
  }

  bool ReadAll(const std::string& path, std::string& contents) override {
    if (!IsUsablePath(path)) return false;
    HANDLE handle =
        OnDiskOnly(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                               nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (handle == INVALID_HANDLE_VALUE) return false;
    contents.clear();
    char buffer[65536];
    DWORD n = 0;
    bool ok;
    while ((ok = ReadFile(handle, buffer, sizeof buffer, &n, nullptr)) && n > 0)
      contents.append(buffer, n);
    CloseHandle(handle);
    return ok;
  }

  // The temporary file takes the folder's inherited permissions, as the replaced file had; a
  // read-only file refuses the replacement, as it refuses any write.
  bool ReplaceAll(const std::string& path, std::string_view contents) override {
    if (!IsUsablePath(path) || IsReadOnly(path)) return false;
    const PathKind kind = Stat(path).kind;
    if (kind == PathKind::kDirectory || kind == PathKind::kOther) return false;
    return WriteAndMove(path, contents);
  }

  // The rename replaces a link at the path, never its target.
  bool Publish(const std::string& path, std::string_view contents) override {
    if (!IsUsablePath(path) || Stat(path).kind == PathKind::kDirectory) return false;
    return WriteAndMove(path, contents);
  }

  bool ReadPart(const std::string& path, int64_t offset, std::size_t count,
                std::string& contents) override {
    contents.clear();
    if (!IsUsablePath(path) || offset < 0) return false;
    HANDLE handle = OpenForReading(path, 0);
    LARGE_INTEGER to;
    to.QuadPart = offset;
    if (handle == INVALID_HANDLE_VALUE) return false;
    bool ok = SetFilePointerEx(handle, to, nullptr, FILE_BEGIN);
    contents.resize(count);
    std::size_t done = 0;
    DWORD n = 0;
    while (ok && done < count) {
      const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(count - done, 1u << 30));
      ok = ReadFile(handle, contents.data() + done, chunk, &n, nullptr);
      if (!ok || n == 0) break;
      done += n;
    }
    CloseHandle(handle);
    contents.resize(done);
    return ok;
  }

  // The volume's serial number and the file's index on it, as GetFileInformationByHandle says.
  std::optional<FileIdentity> IdentityOf(const std::string& path) override {
    if (!IsUsablePath(path)) return std::nullopt;
    HANDLE handle = OpenForReading(path, FILE_FLAG_BACKUP_SEMANTICS);
    if (handle == INVALID_HANDLE_VALUE) return std::nullopt;
    BY_HANDLE_FILE_INFORMATION info;
    const bool ok = GetFileInformationByHandle(handle, &info);
    CloseHandle(handle);
    if (!ok) return std::nullopt;
    return FileIdentity{info.dwVolumeSerialNumber,
                        (static_cast<uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
  }

  std::vector<std::string> ListFolder(const std::string& folder) override {
    std::vector<std::string> names;
    std::string pattern = folder;
    if (!pattern.empty() && pattern.back() != '\\' && pattern.back() != '/') pattern += '\\';
    pattern += '*';
    WIN32_FIND_DATAA found;
    HANDLE search =
        IsUsablePath(folder) ? FindFirstFileA(pattern.c_str(), &found) : INVALID_HANDLE_VALUE;
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
      std::string_view name = found.cFileName;
      if (name != "." && name != "..") names.emplace_back(name);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return names;
  }
};

}  // namespace

FileSystem& PlatformFileSystem() {
  static WindowsFileSystem file_system;
  return file_system;
}

}  // namespace verdalin
