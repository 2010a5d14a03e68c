// File system on Linux: POSIX files, with open-file-description locks standing in for share modes.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/file_system.h"

namespace verdalin {

namespace {

// A writer holds an exclusive lock on the whole file. Open-file-description locks belong to the
// open, not to the process, so a second open in this same process is refused too, as Windows
// share modes refuse it. Readers take no lock and are never blocked.
bool LockWholeFile(int fd, short type, int command) {
  struct flock lock = {};
  lock.l_type = type;
  lock.l_whence = SEEK_SET;
  return fcntl(fd, command, &lock) == 0 && (command != F_OFD_GETLK || lock.l_type == F_UNLCK);
}

int64_t WriteFully(int fd, std::string_view bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<size_t>(n);
  }
  return static_cast<int64_t>(done);
}

class PosixFile : public OpenFile {
 public:
  explicit PosixFile(int fd) : fd_(fd) {}
  ~PosixFile() override { close(fd_); }
  bool Seek(int64_t position) override {
    return position >= 0 && lseek(fd_, position, SEEK_SET) == position;
  }
  int64_t Position() override { return lseek(fd_, 0, SEEK_CUR); }
  int64_t Write(std::string_view bytes) override { return WriteFully(fd_, bytes); }
  bool Truncate(int64_t size) override {
    return size >= 0 && ftruncate(fd_, size) == 0 && Seek(size);
  }

 private:
  int fd_;
};

std::string FolderOf(const std::string& path) {
  size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

// Opens without ever waiting (a FIFO or a device would block a plain open) and keeps the
// descriptor only for a regular file; -1 otherwise.
int OpenRegular(const std::string& path, int flags, mode_t mode) {
  int fd = open(path.c_str(), flags | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, mode);
  struct stat st;
  if (fd >= 0 && (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))) {
    close(fd);
    return -1;
  }
  return fd;
}

// The file that `path` finally names, symbolic links followed (a link's relative target is
// taken from the link's folder); empty for a loop of links.
std::string FollowLinks(std::string path) {
  for (int hops = 0; hops < 40; ++hops) {
    struct stat st;
    if (lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
    std::string target(static_cast<size_t>(st.st_size) + 1, '\0');
    ssize_t n = readlink(path.c_str(), target.data(), target.size());
    if (n <= 0 || static_cast<size_t>(n) >= target.size()) return "";
    target.resize(static_cast<size_t>(n));
    path = target.front() == '/' ? target : FolderOf(path) + "/" + target;
  }
  return "";
}

// Makes the rename itself durable.
void SyncFolder(const std::string& folder) {
  int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  fsync(fd);
  close(fd);
}

// Writes the whole text to a fresh file at `temp` (a link left there is removed, never followed),
// made with `create` less the umask, or with `exact` when given, and flushes it to disk.
bool WriteTempFile(const std::string& temp, std::string_view contents, mode_t create,
                   std::optional<mode_t> exact) {
  unlink(temp.c_str());  // a leftover of an earlier crash under the same process id
  int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, create);
  if (fd < 0) return false;
  bool ok = (!exact || fchmod(fd, *exact) == 0) &&
            WriteFully(fd, contents) == static_cast<int64_t>(contents.size()) && fsync(fd) == 0;
  return close(fd) == 0 && ok;
}

// Writes the text beside `target` and renames it over `target`; nothing is left on failure.
bool WriteAndRename(const std::string& target, std::string_view contents, mode_t create,
                    std::optional<mode_t> exact) {
  std::string temp = target + std::string(kTempSuffix) + std::to_string(getpid());
  if (!WriteTempFile(temp, contents, create, exact) || rename(temp.c_str(), target.c_str()) != 0) {
    unlink(temp.c_str());
    return false;
  }
  SyncFolder(FolderOf(target));
  return true;
}

class PosixFileSystem : public FileSystem {
 public:
  PathInfo Stat(const std::string& path) override {
    struct stat st;
    if (!IsUsablePath(path) || stat(path.c_str(), &st) != 0) return {};
    if (S_ISDIR(st.st_mode)) return {PathKind::kDirectory, 0};
    PathKind kind = S_ISREG(st.st_mode) ? PathKind::kFile : PathKind::kOther;
    return {kind, static_cast<int64_t>(st.st_size)};
  }

  std::unique_ptr<OpenFile> OpenShared(const std::string& path) override {
    if (!IsUsablePath(path)) return nullptr;
    // A new log is readable as the user's umask allows, as other programs' files are.
    int fd = OpenRegular(path, O_RDWR | O_CREAT, 0666);
    if (fd < 0) return nullptr;
    if (!LockWholeFile(fd, F_WRLCK, F_OFD_SETLK)) {
      close(fd);
      return nullptr;
    }
    return std::make_unique<PosixFile>(fd);
  }

  // Like Windows, refuses to delete a read-only file or one that a writer holds open.
  bool Remove(const std::string& path) override {
    struct stat st;
    if (!IsUsablePath(path) || stat(path.c_str(), &st) != 0 || S_ISDIR(st.st_mode) ||
        !(st.st_mode & S_IWUSR))
      return false;
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    bool free = fd >= 0 && LockWholeFile(fd, F_WRLCK, F_OFD_GETLK);
    if (fd >= 0) close(fd);
    return free && unlink(path.c_str()) == 0;
  }

  bool ReadAll(const std::string& path, std::string& contents) override {
    if (!IsUsablePath(path)) return false;
    int fd = OpenRegular(path, O_RDONLY, 0);
    if (fd < 0) return false;
    contents.clear();
    struct stat st;
    if (fstat(fd, &st) == 0) contents.reserve(static_cast<size_t>(st.st_size));
    char buffer[65536];
    ssize_t n;
    while ((n = read(fd, buffer, sizeof buffer)) != 0) {
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) break;
      contents.append(buffer, static_cast<size_t>(n));
    }
    close(fd);
    return n == 0;
  }

  // A file without its owner's write permission is read-only, as on Windows: the rename would
  // replace it all the same, so it is refused here.
  bool ReplaceAll(const std::string& path, std::string_view contents) override {
    if (!IsUsablePath(path)) return false;
    const std::string target = FollowLinks(path);
    struct stat st;
    bool exists = !target.empty() && stat(target.c_str(), &st) == 0;
    if (target.empty() || (exists && (!S_ISREG(st.st_mode) || !(st.st_mode & S_IWUSR))))
      return false;
    return WriteAndRename(target, contents, 0600, exists ? (st.st_mode & 07777) : 0600);
  }

  bool Publish(const std::string& path, std::string_view contents) override {
    struct stat st;
    if (!IsUsablePath(path) || (lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode))) return false;
    return WriteAndRename(path, contents, 0666, std::nullopt);
  }

  bool ReadPart(const std::string& path, int64_t offset, std::size_t count,
                std::string& contents) override {
    contents.clear();
    if (!IsUsablePath(path) || offset < 0) return false;
    int fd = OpenRegular(path, O_RDONLY, 0);
    if (fd < 0) return false;
    contents.resize(count);
    std::size_t done = 0;
    ssize_t n = 0;
    while (done < count &&
           (n = pread(fd, contents.data() + done, count - done,
                      static_cast<off_t>(offset) + static_cast<off_t>(done))) != 0) {
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) break;
      done += static_cast<std::size_t>(n);
    }
    close(fd);
    contents.resize(done);
    return n >= 0;
  }

  std::optional<FileIdentity> IdentityOf(const std::string& path) override {
    struct stat st;
    if (!IsUsablePath(path) || stat(path.c_str(), &st) != 0) return std::nullopt;
    return FileIdentity{static_cast<uint64_t>(st.st_dev), static_cast<uint64_t>(st.st_ino)};
  }

  std::vector<std::string> ListFolder(const std::string& folder) override {
    std::vector<std::string> names;
    DIR* dir = IsUsablePath(folder) ? opendir(folder.c_str()) : nullptr;
    if (dir == nullptr) return names;
    while (const dirent* entry = readdir(dir)) {
      std::string_view name = entry->d_name;
      if (name != "." && name != "..") names.emplace_back(name);
    }
    closedir(dir);
    return names;
  }
};

}  // namespace

FileSystem& PlatformFileSystem() {
  static PosixFileSystem file_system;
  return file_system;
}

}  // namespace verdalin
