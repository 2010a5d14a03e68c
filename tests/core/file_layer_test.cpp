// The file layer: size queries, the log append, the one-writer rule, numbers and the current file.
#include "base/file_layer.h"

#include <gtest/gtest.h>

#include <fstream>

#include "fakes/file_system_cases.h"

namespace verdalin {

class FileLayer : public OnEachFileSystem {
 protected:
  // One append as the CSV log does it; false when the file cannot be opened.
  bool Append(DataFiles& files, const std::string& path, std::string_view row) {
    if (!files.OpenDataFile(1, path)) return false;
    files.SeekFile(QueryFileSize(fs(), path));
    if (files.FilePosition() == 0) files.WriteFileText("Date;Sync\r\n");
    files.WriteFileText(row);
    files.CloseDataFile(1);
    return true;
  }
};
INSTANTIATE_TEST_SUITE_P(Each, FileLayer, testing::Bool(), FileSystemName);

TEST_P(FileLayer, QueryFileSizeTellsFilesFoldersAndMissingPaths) {
  Put(Path("empty"), "");
  Put(Path("five"), "12345");
  std::string folder = MakeFolder("folder");
  EXPECT_EQ(QueryFileSize(fs(), Path("missing")), -1);
  EXPECT_EQ(QueryFileSize(fs(), Path("empty")), 0);
  EXPECT_EQ(QueryFileSize(fs(), Path("five")), 5);
  EXPECT_EQ(QueryFileSize(fs(), folder), -2);
  EXPECT_EQ(QueryFileSize(fs(), folder + "\\"), -2);
  EXPECT_EQ(QueryFileSize(fs(), ""), -1);
  EXPECT_EQ(QueryFileSize(fs(), "\\"), -1);
  EXPECT_EQ(QueryFileSize(fs(), LongPath()), -1);
}

TEST_P(FileLayer, AppendWritesTheHeaderOnlyToANewFileAndKeepsExistingBytes) {
  DataFiles files(fs());
  std::string log = Path("Verdalin_Data.CsV");
  ASSERT_TRUE(Append(files, log, "row 1\r\n"));
  EXPECT_EQ(Read(log), "Date;Sync\r\nrow 1\r\n");
  ASSERT_TRUE(Append(files, log, "row 2\r\n"));
  EXPECT_EQ(Read(log), "Date;Sync\r\nrow 1\r\nrow 2\r\n");
  EXPECT_FALSE(Append(files, Path("no such folder/log.csv"), "row\r\n"));
  EXPECT_EQ(QueryFileSize(fs(), Path("no such folder/log.csv")), -1);
}

TEST_P(FileLayer, ASecondWriterIsRefusedWhileReadersGoOn) {
  DataFiles files(fs());
  std::string log = Path("log.csv");
  ASSERT_NE(files.OpenDataFile(1, log), 0);
  EXPECT_EQ(files.WriteFileText("kept"), 4);
  EXPECT_EQ(fs().OpenShared(log), nullptr);  // a second open, even in this process
  EXPECT_EQ(Read(log), "kept");              // readers are not blocked
  EXPECT_EQ(RemoveFile(fs(), log), 0);       // nor is it deleted under the writer

  DataFiles other(fs());
  EXPECT_EQ(other.OpenDataFile(1, log), 0);
  EXPECT_EQ(other.WriteFileText("lost"), 0);
  files.CloseDataFile(1);
  EXPECT_NE(other.OpenDataFile(1, log), 0);
  EXPECT_EQ(other.WriteFileText("K"), 1);
  other.CloseDataFile(1);
  EXPECT_EQ(Read(log), "Kept");
}

TEST_P(FileLayer, AFailedOpenKeepsTheNumbersFileButLeavesNoCurrentFile) {
  DataFiles files(fs());
  std::string first = Path("first");
  ASSERT_NE(files.OpenDataFile(7, first), 0);
  EXPECT_EQ(files.OpenDataFile(7, Path("missing folder/x")), 0);
  EXPECT_EQ(files.FilePosition(), -1);
  EXPECT_EQ(files.WriteFileText("x"), 0);
  files.SeekFile(3);
  EXPECT_EQ(fs().OpenShared(first), nullptr);  // still open under 7
  EXPECT_EQ(files.OpenDataFile(2, LongPath()), 0);
  files.CloseDataFile(7);
  EXPECT_NE(fs().OpenShared(first), nullptr);
}

TEST_P(FileLayer, OpeningANumberInUseClosesItsFile) {
  DataFiles files(fs());
  std::string a = Path("a"), b = Path("b");
  ASSERT_NE(files.OpenDataFile(1, a), 0);
  ASSERT_NE(files.OpenDataFile(1, b), 0);
  EXPECT_NE(fs().OpenShared(a), nullptr);
  ASSERT_NE(files.OpenDataFile(1, b), 0);  // the same path again
  EXPECT_EQ(files.WriteFileText("b"), 1);
  EXPECT_EQ(Read(b), "b");
}

TEST_P(FileLayer, PositionSeekAndWriteActOnTheLatestFile) {
  DataFiles files(fs());
  std::string a = Path("a"), b = Path("b");
  ASSERT_NE(files.OpenDataFile(1, a), 0);
  ASSERT_NE(files.OpenDataFile(2, b), 0);
  EXPECT_EQ(files.WriteFileText("abcdef"), 6);
  EXPECT_EQ(files.FilePosition(), 6);
  files.SeekFile(2);
  EXPECT_EQ(files.WriteFileText("XY"), 2);
  EXPECT_EQ(files.WriteFileText(""), 0);
  EXPECT_EQ(files.FilePosition(), 4);
  files.CloseDataFile(1);  // not the current file
  EXPECT_EQ(files.FilePosition(), 4);
  files.CloseDataFile(3);  // nothing open under 3
  files.CloseDataFile(2);
  EXPECT_EQ(files.FilePosition(), -1);
  EXPECT_EQ(Read(a), "");
  EXPECT_EQ(Read(b), "abXYef");
}

// A sparse file just past 2 GiB: sizes and positions are 64-bit, so the row lands at its end.
TEST_P(FileLayer, FilesOf2GiBOrMoreAreAppendedToAtTheirEnd) {
  if (IsFake()) GTEST_SKIP() << "a 2 GiB file in memory";
  constexpr int64_t kBig = (int64_t{1} << 31) + 3;
  std::string log = Path("big.csv");
  DataFiles files(fs());
  ASSERT_NE(files.OpenDataFile(1, log), 0);
  ASSERT_NE(files.TruncateFile(kBig), 0);
  EXPECT_EQ(files.FilePosition(), kBig);
  files.CloseDataFile(1);
  EXPECT_EQ(QueryFileSize(fs(), log), kBig);
  ASSERT_TRUE(Append(files, log, "row\r\n"));
  EXPECT_EQ(QueryFileSize(fs(), log), kBig + 5);
  std::ifstream in(log, std::ios::binary);
  in.seekg(kBig - 1);
  std::string tail(6, '?');
  in.read(tail.data(), 6);
  EXPECT_EQ(tail, std::string("\0row\r\n", 6));
}

TEST_P(FileLayer, RemoveFileDeletesFilesOnly) {
  Put(Path("f"), "x");
  std::string folder = MakeFolder("folder");
  EXPECT_NE(RemoveFile(fs(), Path("f")), 0);
  EXPECT_EQ(QueryFileSize(fs(), Path("f")), -1);
  EXPECT_EQ(RemoveFile(fs(), Path("f")), 0);
  EXPECT_EQ(RemoveFile(fs(), folder), 0);
  EXPECT_EQ(RemoveFile(fs(), LongPath()), 0);
}

TEST(FileLayerDrives, ALetterAndColonIsADrive) {
  FakeFileSystem fs;
  fs.folders.insert("C:\\");
  EXPECT_EQ(QueryFileSize(fs, "C:"), -2);
  EXPECT_EQ(QueryFileSize(fs, "C:\\"), -2);
  EXPECT_EQ(QueryFileSize(fs, "D:"), -1);
  EXPECT_EQ(QueryFileSize(fs, "C:x"), -1);  // a relative path on C:, not the drive
}

}  // namespace verdalin
