// A test fixture that runs each test on the platform's file system in a temporary folder and on
// the in-memory fake, so that the fake keeps behaving like the real thing.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "fakes/fake_file_system.h"
#include "fakes/temp_folder.h"

namespace verdalin {

class OnEachFileSystem : public testing::TestWithParam<bool> {
 protected:
  OnEachFileSystem() { fake_.folders.insert("mem"); }
  bool IsFake() const { return GetParam(); }
  FileSystem& fs() { return IsFake() ? static_cast<FileSystem&>(fake_) : PlatformFileSystem(); }
  std::string Path(std::string_view name) const {
    return IsFake() ? "mem/" + std::string(name) : temp_.Path(name);
  }
  std::string MakeFolder(std::string_view name) {
    std::string path = Path(name);
    if (IsFake())
      fake_.folders.insert(path);
    else
      std::filesystem::create_directory(path);
    return path;
  }
  void Put(const std::string& path, std::string_view contents) {
    ASSERT_TRUE(fs().ReplaceAll(path, contents)) << path;
  }
  // The whole file, or "<missing>".
  std::string Read(const std::string& path) {
    std::string contents;
    return fs().ReadAll(path, contents) ? contents : "<missing>";
  }
  // A path of kMaxPathLength characters.
  std::string LongPath() const {
    std::string path = Path("");
    return path + std::string(kMaxPathLength - path.size(), 'x');
  }

  TempFolder temp_;
  FakeFileSystem fake_;
};

// Names the two instances: INSTANTIATE_TEST_SUITE_P(Each, Suite, testing::Bool(), FileSystemName).
inline std::string FileSystemName(const testing::TestParamInfo<bool>& info) {
  return info.param ? "Fake" : "Platform";
}

}  // namespace verdalin
