// The Windows file system: share modes against other handles, and drives.
#include "base/file_system.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <thread>

#include "base/file_layer.h"
#include "base/ini_store.h"
#include "fakes/temp_folder.h"

namespace verdalin {

namespace {

HANDLE OpenWith(const std::string& path, DWORD access, DWORD share) {
  return CreateFileA(path.c_str(), access, share, nullptr, OPEN_EXISTING, 0, nullptr);
}

bool CanOpenWhileHeld(const std::string& path, DWORD access, DWORD share) {
  HANDLE other = OpenWith(path, access, share);
  EXPECT_NE(other, INVALID_HANDLE_VALUE);
  bool opened = PlatformFileSystem().OpenShared(path) != nullptr;
  CloseHandle(other);
  return opened;
}

}  // namespace

TEST(WindowsFileSystem, OpenFailsWhileAnotherHandleWritesOrForbidsWriting) {
  TempFolder temp;
  std::string path = temp.Path("log.csv");
  ASSERT_TRUE(PlatformFileSystem().ReplaceAll(path, "x"));
  EXPECT_FALSE(CanOpenWhileHeld(path, GENERIC_READ, FILE_SHARE_READ));
  EXPECT_FALSE(CanOpenWhileHeld(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE));
  EXPECT_TRUE(CanOpenWhileHeld(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE));
}

TEST(WindowsFileSystem, DrivesThatExistAreFolders) {
  FileSystem& fs = PlatformFileSystem();
  EXPECT_EQ(QueryFileSize(fs, "C:"), -2);
  EXPECT_EQ(QueryFileSize(fs, "C:\\"), -2);
  DWORD drives = GetLogicalDrives();
  for (char letter = 'Y'; letter > 'C'; --letter) {
    if (drives & (1u << (letter - 'A'))) continue;
    EXPECT_EQ(QueryFileSize(fs, std::string(1, letter) + ":"), -1) << letter;
    break;
  }
}

// A reader that does not let others delete the file (as GetPrivateProfileString, a virus scanner
// or an indexer) only delays a replacement; one that keeps it open makes it fail, the old file
// whole and nothing left beside it.
TEST(WindowsFileSystem, AReaderHoldingTheFileDelaysTheReplacement) {
  TempFolder temp;
  FileSystem& fs = PlatformFileSystem();
  std::string path = temp.Path("a.ini"), contents;
  ASSERT_TRUE(fs.ReplaceAll(path, "old"));
  HANDLE reader = OpenWith(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE);
  ASSERT_NE(reader, INVALID_HANDLE_VALUE);
  EXPECT_FALSE(fs.ReplaceAll(path, "lost"));
  std::thread closer([&] {
    Sleep(100);
    CloseHandle(reader);
  });
  EXPECT_TRUE(fs.ReplaceAll(path, "new"));
  closer.join();
  ASSERT_TRUE(fs.ReadAll(path, contents));
  EXPECT_EQ(contents, "new");
  EXPECT_EQ(temp.Names(), std::vector<std::string>{"a.ini"});
}

// A device as the settings file is refused: it is neither read nor replaced.
TEST(WindowsFileSystem, DevicesAreNeitherReadNorReplaced) {
  FileSystem& fs = PlatformFileSystem();
  for (const char* device : {"NUL", "\\\\.\\NUL"}) {
    std::string contents;
    EXPECT_FALSE(fs.ReadAll(device, contents)) << device;
    EXPECT_EQ(IniFile(fs, device).outcome(), IniLoad::kRefused) << device;
    EXPECT_FALSE(fs.ReplaceAll(device, "x")) << device;
    EXPECT_EQ(fs.OpenShared(device), nullptr) << device;
  }
}

}  // namespace verdalin
