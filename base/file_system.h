// The file system as a platform service: the primitives under the file layer and the INI store.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace verdalin {

// Paths of this many characters or more are refused by every operation.
constexpr std::size_t kMaxPathLength = 1024;

// True for a path the file system accepts at all: not empty, shorter than kMaxPathLength, and
// without a 0 byte (which the operating system would take as its end).
inline bool IsUsablePath(std::string_view path) {
  return !path.empty() && path.size() < kMaxPathLength && path.find('\0') == path.npos;
}

// ReplaceAll writes the new text to the path followed by this and the process id, then renames it.
inline constexpr std::string_view kTempSuffix = ".tmp-";

enum class PathKind { kMissing, kFile, kDirectory, kOther };  // other: a FIFO, device or socket

struct PathInfo {
  PathKind kind = PathKind::kMissing;
  int64_t size = 0;
};

// Which file a path names: its volume and its number on that volume. Two names of one file (a
// hard link, a symbolic link, "./name") give the same identity.
struct FileIdentity {
  uint64_t volume = 0;
  uint64_t index = 0;
  bool operator==(const FileIdentity&) const = default;
};

// A file opened for reading and writing; closed when destroyed.
class OpenFile {
 public:
  virtual ~OpenFile() = default;
  // Moves to that offset from the start; false for a negative offset or on failure.
  virtual bool Seek(int64_t position) = 0;
  // The offset from the start, -1 on failure.
  virtual int64_t Position() = 0;
  // Writes the bytes at the position; returns the count written, short when the disk is full.
  virtual int64_t Write(std::string_view bytes) = 0;
  // Cuts (or extends) the file to `size` bytes and moves the position there; false on failure.
  virtual bool Truncate(int64_t size) = 0;
};

class FileSystem {
 public:
  virtual ~FileSystem() = default;
  // Every operation refuses a path that is not IsUsablePath (missing, null or false).

  // Looks the path up without opening it.
  virtual PathInfo Stat(const std::string& path) = 0;
  // Opens for reading and writing, creating an empty file when missing (with the permissions
  // the user gives new files); others may read the file but not write it while it is open, and
  // the open fails while another writer holds it. Null on failure.
  virtual std::unique_ptr<OpenFile> OpenShared(const std::string& path) = 0;
  // Deletes a file (never a directory); fails for a read-only file and while another writer
  // holds the file open.
  virtual bool Remove(const std::string& path) = 0;
  // Reads a whole regular file; false when it cannot be opened or is not a regular file (which
  // is never waited on: a FIFO or a device does not block the call).
  virtual bool ReadAll(const std::string& path, std::string& contents) = 0;
  // Replaces the whole file: writes the new text beside it and renames it into place, so that a
  // crash or a full disk never leaves a half-written file: on failure the old file is untouched
  // and nothing is left beside it. A read-only file or one that is not a regular file is
  // refused. A new file is readable by its owner only; an existing file keeps its permissions. A
  // symbolic link stays a link: its target is replaced, beside itself.
  virtual bool ReplaceAll(const std::string& path, std::string_view contents) = 0;
  // Writes a page for others to read: the text goes to a new file in the path's folder, made as
  // the user's new files are (read and write for all, less the umask), which is then renamed over
  // the path. A link at the path is replaced by the file, never followed; a folder is refused.
  virtual bool Publish(const std::string& path, std::string_view contents) = 0;
  // Reads at most `count` bytes of a regular file from `offset` on (fewer at its end, none past
  // it); false when the file cannot be opened or read.
  virtual bool ReadPart(const std::string& path, int64_t offset, std::size_t count,
                        std::string& contents) = 0;
  // The identity of the file the path names, links followed; nothing when there is none.
  virtual std::optional<FileIdentity> IdentityOf(const std::string& path) = 0;
  // The names in a folder (given with or without its trailing separator), "." and ".." left
  // out; empty when it cannot be listed.
  virtual std::vector<std::string> ListFolder(const std::string& folder) = 0;
};

// The platform's file system (POSIX with advisory locks on Linux, CreateFileA on Windows).
FileSystem& PlatformFileSystem();

}  // namespace verdalin
