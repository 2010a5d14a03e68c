// An in-memory file system for fast tests: files, folders, the one-writer rule and failing writes.
#pragma once

#include <algorithm>
#include <iterator>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "base/file_system.h"

namespace verdalin {

class FakeFileSystem : public FileSystem {
 public:
  std::map<std::string, std::string> files;
  std::set<std::string> folders;  // a file can be made only in one of these (or with no folder)
  std::set<std::string> others;   // FIFOs and devices: never read, written or opened
  // Other names of a file (hard or symbolic links): the name and the file it stands for.
  std::map<std::string, std::string> links;
  bool fail_replace = false;  // ReplaceAll fails as on a full disk: the file stays as it was
  // Open files cannot grow past this size: a write beyond it is cut short, as on a full disk.
  std::size_t room = std::string::npos;

  PathInfo Stat(const std::string& path) override {
    if (!IsUsablePath(path)) return {};
    if (folders.count(path)) return {PathKind::kDirectory, 0};
    if (others.count(path)) return {PathKind::kOther, 0};
    auto file = files.find(path);
    if (file == files.end()) return {};
    return {PathKind::kFile, static_cast<int64_t>(file->second.size())};
  }
  std::unique_ptr<OpenFile> OpenShared(const std::string& path) override {
    if (!CanMake(path) || writers_.count(path)) return nullptr;
    files[path];
    writers_.insert(path);
    return std::make_unique<File>(*this, path);
  }
  bool Remove(const std::string& path) override {
    return IsUsablePath(path) && !writers_.count(path) && files.erase(path) > 0;
  }
  bool ReadAll(const std::string& path, std::string& contents) override {
    auto file = files.find(path);
    if (file == files.end()) return false;
    contents = file->second;
    return true;
  }
  bool ReplaceAll(const std::string& path, std::string_view contents) override {
    if (!CanMake(path) || fail_replace) return false;
    files[path] = contents;
    return true;
  }
  bool Publish(const std::string& path, std::string_view contents) override {
    if (!CanMake(path) || fail_replace) return false;
    links.erase(path);
    files[path] = contents;
    return true;
  }
  bool ReadPart(const std::string& path, int64_t offset, std::size_t count,
                std::string& contents) override {
    auto file = files.find(path);
    if (file == files.end() || offset < 0) return false;
    const std::size_t at = std::min(file->second.size(), static_cast<std::size_t>(offset));
    contents = file->second.substr(at, count);
    return true;
  }
  std::optional<FileIdentity> IdentityOf(const std::string& path) override {
    auto link = links.find(path);
    const std::string& name = link == links.end() ? path : link->second;
    auto file = files.find(name);
    if (file == files.end()) return std::nullopt;
    return FileIdentity{1, static_cast<uint64_t>(std::distance(files.begin(), file))};
  }
  std::vector<std::string> ListFolder(const std::string& folder) override {
    std::string inside = folder;
    if (inside.empty() || inside.find_last_of("/\\") != inside.size() - 1) inside += '/';
    std::vector<std::string> names;
    auto add = [&](std::string_view path) {
      if (path.size() > inside.size() && path.compare(0, inside.size(), inside) == 0 &&
          path.find_first_of("/\\", inside.size()) == std::string_view::npos)
        names.emplace_back(path.substr(inside.size()));
    };
    for (const auto& file : files) add(file.first);
    for (const std::string& path : folders) add(path);
    for (const std::string& path : others) add(path);
    return names;
  }

 private:
  bool CanMake(const std::string& path) const {
    size_t cut = path.find_last_of("/\\");
    return IsUsablePath(path) && !folders.count(path) && !others.count(path) &&
           (cut == std::string::npos || folders.count(path.substr(0, cut)));
  }

  class File : public OpenFile {
   public:
    File(FakeFileSystem& fs, std::string path) : fs_(fs), path_(std::move(path)) {}
    ~File() override { fs_.writers_.erase(path_); }
    bool Seek(int64_t position) override {
      if (position >= 0) position_ = position;
      return position >= 0;
    }
    int64_t Position() override { return position_; }
    int64_t Write(std::string_view bytes) override {
      std::string& data = fs_.files[path_];
      size_t at = static_cast<size_t>(position_);
      if (at >= fs_.room) return 0;
      bytes = bytes.substr(0, fs_.room - at);
      if (data.size() < at) data.resize(at, '\0');
      data.replace(at, bytes.size(), bytes);
      position_ += static_cast<int64_t>(bytes.size());
      return static_cast<int64_t>(bytes.size());
    }
    bool Truncate(int64_t size) override {
      if (size < 0) return false;
      fs_.files[path_].resize(static_cast<size_t>(size), '\0');
      position_ = size;
      return true;
    }

   private:
    FakeFileSystem& fs_;
    std::string path_;
    int64_t position_ = 0;
  };
  std::set<std::string> writers_;
};

}  // namespace verdalin
