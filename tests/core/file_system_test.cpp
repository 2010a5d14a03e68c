// The platform file system: replacement leaves nothing behind; read-only files and long paths.
#include "base/file_system.h"

#include <gtest/gtest.h>

#include "base/file_layer.h"

#include "fakes/temp_folder.h"

namespace verdalin {

TEST(PlatformFileSystem, ReplaceAllLeavesOnlyTheFileBehind) {
  TempFolder temp;
  FileSystem& fs = PlatformFileSystem();
  std::string path = temp.Path("a.ini"), contents;
  ASSERT_TRUE(fs.ReplaceAll(path, "old\r\n"));
  ASSERT_TRUE(fs.ReplaceAll(path, "new\r\n"));
  ASSERT_TRUE(fs.ReadAll(path, contents));
  EXPECT_EQ(contents, "new\r\n");
  EXPECT_EQ(fs.Stat(path).size, 5);
  EXPECT_EQ(temp.Names(), std::vector<std::string>{"a.ini"});
}

TEST(PlatformFileSystem, AFailedReplaceLeavesNoTemporaryFile) {
  TempFolder temp;
  FileSystem& fs = PlatformFileSystem();
  std::string folder = temp.Path("folder"), contents;
  std::filesystem::create_directory(folder);
  ASSERT_TRUE(fs.ReplaceAll(temp.Path("folder/inside"), "x"));
  EXPECT_FALSE(fs.ReplaceAll(folder, "x"));  // a folder that holds a file is never replaced
  EXPECT_EQ(fs.Stat(folder).kind, PathKind::kDirectory);
  EXPECT_FALSE(fs.ReadAll(folder, contents));
  EXPECT_FALSE(fs.ReplaceAll(temp.Path("missing/x"), "x"));
  EXPECT_EQ(temp.Names(), std::vector<std::string>{"folder"});
}

TEST(PlatformFileSystem, AReadOnlyFileIsNeitherReplacedNorDeleted) {
  TempFolder temp;
  FileSystem& fs = PlatformFileSystem();
  std::string ini = temp.Path("a.ini"), contents;
  ASSERT_TRUE(fs.ReplaceAll(ini, "old"));
  using std::filesystem::perm_options, std::filesystem::perms;
  std::filesystem::permissions(ini, perms::owner_write, perm_options::remove);
  EXPECT_FALSE(fs.ReplaceAll(ini, "new"));
  EXPECT_FALSE(fs.Remove(ini));
  std::filesystem::permissions(ini, perms::owner_write, perm_options::add);
  ASSERT_TRUE(fs.ReadAll(ini, contents));
  EXPECT_EQ(contents, "old");
  EXPECT_EQ(temp.Names(), std::vector<std::string>{"a.ini"});
}

// One file under other names (through "./", through "sub/..", a link where the system makes one)
// is one identity; another file, or a missing one, is not.
TEST(PlatformFileSystem, SameFileKnowsAFileUnderEveryName) {
  TempFolder temp;
  FileSystem& fs = PlatformFileSystem();
  const std::string log = temp.Path("log.csv");
  ASSERT_TRUE(fs.ReplaceAll(log, "rows"));
  ASSERT_TRUE(fs.ReplaceAll(temp.Path("other.csv"), "rows"));
  std::filesystem::create_directory(temp.Path("sub"));
  std::error_code no_link;
  std::filesystem::create_symlink(log, temp.Path("soft.csv"), no_link);
  std::filesystem::create_hard_link(log, temp.Path("hard.csv"), no_link);
  for (const char* name : {"./log.csv", "sub/../log.csv", "soft.csv", "hard.csv"}) {
    if (fs.Stat(temp.Path(name)).kind != PathKind::kFile) continue;  // no links here
    EXPECT_TRUE(SameFile(fs, temp.Path(name), log)) << name;
  }
  EXPECT_FALSE(SameFile(fs, temp.Path("other.csv"), log));
  EXPECT_FALSE(SameFile(fs, temp.Path("missing.csv"), temp.Path("missing.csv")));
}

// A page goes in whole beside what was there; ranges of a file read back as written.
TEST(PlatformFileSystem, PublishReplacesWholeAndReadPartReadsRanges) {
  TempFolder temp;
  FileSystem& fs = PlatformFileSystem();
  const std::string page = temp.Path("page.html");
  std::string part;
  ASSERT_TRUE(fs.Publish(page, "old page"));
  ASSERT_TRUE(fs.Publish(page, "0123456789"));
  EXPECT_FALSE(fs.Publish(temp.Path(""), "x"));
  EXPECT_EQ(temp.Names(), std::vector<std::string>{"page.html"});
  const std::pair<int64_t, std::string> ranges[] = {{0, "0123"}, {8, "89"}, {10, ""}, {99, ""}};
  for (const auto& [offset, expected] : ranges) {
    EXPECT_TRUE(fs.ReadPart(page, offset, 4, part)) << offset;
    EXPECT_EQ(part, expected) << offset;
  }
  EXPECT_FALSE(fs.ReadPart(temp.Path("missing"), 0, 4, part));
}

TEST(PlatformFileSystem, PathsOf1024CharactersOrMoreAreRefused) {
  TempFolder temp;
  FileSystem& fs = PlatformFileSystem();
  std::string base = temp.Path("");
  std::string contents, at_limit = base + std::string(kMaxPathLength - base.size(), 'x');
  EXPECT_EQ(fs.Stat(at_limit).kind, PathKind::kMissing);
  EXPECT_EQ(fs.OpenShared(at_limit), nullptr);
  EXPECT_FALSE(fs.Remove(at_limit));
  EXPECT_FALSE(fs.ReadAll(at_limit, contents));
  EXPECT_FALSE(fs.ReplaceAll(at_limit, "x"));
  EXPECT_FALSE(fs.ReplaceAll(temp.Path(std::string("a\0b", 3)), "x"));
  EXPECT_TRUE(temp.Names().empty());
  EXPECT_FALSE(IsUsablePath(at_limit));
  EXPECT_TRUE(IsUsablePath(at_limit.substr(1)));
}

}  // namespace verdalin
