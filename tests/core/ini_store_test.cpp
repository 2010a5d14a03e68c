// The INI preference store: lookups, value cleaning, the file text a write leaves, failed writes.
#include "base/ini_store.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "base/file_layer.h"
#include "fakes/file_system_cases.h"

namespace verdalin {

class IniStore : public OnEachFileSystem {
 protected:
  std::string Get(std::string_view group, std::string_view key) {
    return ReadPreference(fs(), group, key, "<default>", ini_);
  }
  void Set(std::string_view group, std::string_view key, std::string_view value) {
    WritePreference(fs(), group, key, value, ini_);
  }
  std::string ini_ = Path("Verdalin_Settings.ini");
};
INSTANTIATE_TEST_SUITE_P(Each, IniStore, testing::Bool(), FileSystemName);

TEST_P(IniStore, AFirstWriteCreatesExactlyTwoLines) {
  EXPECT_EQ(Get("Statistics", "Runs"), "<default>");
  Set("Statistics", "Runs", "1");
  EXPECT_EQ(Read(ini_), "[Statistics]\r\nRuns=1\r\n");
  EXPECT_EQ(Get("Statistics", "Runs"), "1");
}

TEST_P(IniStore, NamesMatchWithoutRegardToCaseOrBlanks) {
  Put(ini_, "total=9\r\n[SETTINGS]\r\n  Delay  =120\r\n[Index]\r\ntotal=2\r\n1=A\r\n2=B\r\n");
  EXPECT_EQ(Get("Settings", "delay"), "120");
  EXPECT_EQ(Get("Index", "total"), "2");
  EXPECT_EQ(Get("index", "1"), "A");
  EXPECT_EQ(Get("index", "2"), "B");
  EXPECT_EQ(Get("Settings", "total"), "<default>");  // belongs to another group
  EXPECT_EQ(Get("Index", "delay"), "<default>");
  EXPECT_EQ(Get("Missing", "total"), "<default>");
}

TEST_P(IniStore, ValuesLoseOuterBlanksAndOnePairOfQuotes) {
  Put(ini_,
      "[P]\r\nlabel=  Home  \r\ndq=\"Home\"\r\nsq='Home'\r\nmixed=\"Home'\r\ninner= \" a \" \r\n"
      "twice=\"\"x\"\"\r\none=\"\r\nurl=\r\neq=a=b\r\n");
  EXPECT_EQ(Get("P", "label"), "Home");
  EXPECT_EQ(Get("P", "dq"), "Home");
  EXPECT_EQ(Get("P", "sq"), "Home");
  EXPECT_EQ(Get("P", "mixed"), "\"Home'");
  EXPECT_EQ(Get("P", "inner"), " a ");
  EXPECT_EQ(Get("P", "twice"), "\"x\"");
  EXPECT_EQ(Get("P", "one"), "\"");
  EXPECT_EQ(Get("P", "url"), "");  // empty, not the default
  EXPECT_EQ(Get("P", "eq"), "a=b");
}

// As long as the longest field (the address): what was written is what is read.
TEST_P(IniStore, ValuesOfUpTo2048CharactersReadBackWhole) {
  std::string value;
  for (int i = 0; i < 2100; ++i) value += static_cast<char>('a' + i % 26);
  Set("S", "longest", value.substr(0, 2048));
  EXPECT_EQ(Get("S", "longest"), value.substr(0, 2048));
  Set("S", "longer", value);
  EXPECT_EQ(Get("S", "longer"), value.substr(0, 2048));
  Set("S", "quoted", "\"" + value.substr(0, 2048) + "\"");
  EXPECT_EQ(Get("S", "quoted"), value.substr(0, 2048));
}

TEST_P(IniStore, RewritingAKeyReplacesItsLineInPlace) {
  Put(ini_, "; kept comment\r\n[Settings]\r\ndelay=60\r\nurl=x\r\n\r\n[Other]\r\ndelay=5\r\n");
  Set("settings", "DELAY", "90");
  Set("settings", "DELAY", " 120 ");
  EXPECT_EQ(Read(ini_),
            "; kept comment\r\n[Settings]\r\nDELAY= 120 \r\nurl=x\r\n\r\n[Other]\r\ndelay=5\r\n");
  EXPECT_EQ(Get("Settings", "delay"), "120");
}

TEST_P(IniStore, ANewKeyFollowsTheGroupsLastKeyLine) {
  Put(ini_, "[A]\r\n;x=comment\r\nk=1\r\n; note\r\n\r\n[B]\r\nk=2\r\n[Empty]\r\n");
  Set("A", "x", "new");
  Set("Empty", "first", "1");
  EXPECT_EQ(Read(ini_),
            "[A]\r\n;x=comment\r\nk=1\r\nx=new\r\n; note\r\n\r\n[B]\r\nk=2\r\n[Empty]\r\n"
            "first=1\r\n");
}

TEST_P(IniStore, ANewGroupGoesAtTheEndAfterABlankLine) {
  Put(ini_, "[A]\r\nk=1");  // no line end on the last line
  Set("Statistics", "LastRun", "today");
  EXPECT_EQ(Read(ini_), "[A]\r\nk=1\r\n\r\n[Statistics]\r\nLastRun=today\r\n");
  Put(ini_, "[A]\r\n\r\n");
  Set("B", "k", "v");
  EXPECT_EQ(Read(ini_), "[A]\r\n\r\n[B]\r\nk=v\r\n");
}

TEST_P(IniStore, LinesEndingInLineFeedAloneAreReadAndKept) {
  Put(ini_, "[Settings]\nurl=http://x\ndelay=60\n");
  EXPECT_EQ(Get("Settings", "url"), "http://x");
  Set("Settings", "delay", "30");
  EXPECT_EQ(Read(ini_), "[Settings]\nurl=http://x\ndelay=30\n");
}

TEST_P(IniStore, WritesThatWouldBreakTheFileDoNothing) {
  Put(ini_, "[S]\r\nk=1\r\n");
  Set("S", "k", "2\r\n[Evil]\r\nx=1");
  Set("S", "a=b", "1");
  Set("S]", "k", "1");
  Set("", "k", "1");
  Set("S", "", "1");
  EXPECT_EQ(Read(ini_), "[S]\r\nk=1\r\n");
}

TEST_P(IniStore, PathsOf1024CharactersAreRefused) {
  WritePreference(fs(), "S", "k", "v", LongPath());
  EXPECT_EQ(ReadPreference(fs(), "S", "k", "def", LongPath()), "def");
  if (!IsFake()) EXPECT_TRUE(temp_.Names().empty());
}

TEST_P(IniStore, AFileThatCannotBeReadIsNeverReplaced) {
  std::string folder = MakeFolder("folder.ini");
  WritePreference(fs(), "S", "k", "v", folder);
  EXPECT_EQ(fs().Stat(folder).kind, PathKind::kDirectory);
  EXPECT_EQ(ReadPreference(fs(), "S", "k", "def", folder), "def");
  WritePreference(fs(), "S", "k", "v", Path("missing folder/x.ini"));
  EXPECT_EQ(Read(Path("missing folder/x.ini")), "<missing>");
  if (!IsFake()) EXPECT_EQ(temp_.Names(), std::vector<std::string>{"folder.ini"});
}

// Neither a FIFO nor a device nor a folder is read (none blocks the call) or written over; a file
// over 16 MiB neither.
TEST_P(IniStore, FilesThatAreNotRegularOrTooLargeAreRefusedAndKept) {
  std::string big = Path("big.ini");
  DataFiles files(fs());
  ASSERT_NE(files.OpenDataFile(1, big), 0);
  ASSERT_NE(files.TruncateFile(kMaxIniFileSize + 1), 0);
  files.CloseDataFile(1);
  std::vector<std::string> refused = {big, MakeFolder("folder.ini")};
  if (IsFake()) {
    fake_.others.insert(Path("fifo.ini"));
    refused.push_back(Path("fifo.ini"));
  }
  for (const std::string& path : refused) {
    IniFile ini(fs(), path);
    EXPECT_EQ(ini.outcome(), IniLoad::kRefused) << path;
    EXPECT_EQ(ini.Read("S", "k", "def"), "def");
    EXPECT_TRUE(ini.Write("S", "k", "v"));
    EXPECT_FALSE(ini.Save()) << path;
  }
  EXPECT_EQ(QueryFileSize(fs(), big), kMaxIniFileSize + 1);
  ASSERT_NE(files.OpenDataFile(1, big), 0);
  ASSERT_NE(files.TruncateFile(kMaxIniFileSize), 0);  // at the limit: read
  files.CloseDataFile(1);
  EXPECT_EQ(IniFile(fs(), big).outcome(), IniLoad::kLoaded);
  EXPECT_EQ(IniFile(fs(), Path("missing.ini")).outcome(), IniLoad::kMissing);
}

TEST_P(IniStore, LeftoverTemporaryFilesAreRemovedWhateverTheirProcess) {
  const std::vector<std::string> kept = {
      "Verdalin_Settings.ini",      "Verdalin_Settings.ini.tmp-", "Verdalin_Settings.ini.tmp-1a",
      "Verdalin_Settings.ini.tmp1", "Other.ini.tmp-12",           "xVerdalin_Settings.ini.tmp-3"};
  for (const std::string& name : kept) Put(Path(name), "x");
  for (const char* name : {"Verdalin_Settings.ini.tmp-1", "Verdalin_Settings.ini.tmp-4294967296"})
    Put(Path(name), "[Settings]\r\ncrypted_password=secret\r\n");
  MakeFolder("sub");
  Put(Path("sub/Verdalin_Settings.ini.tmp-2"), "x");
  RemoveLeftoverTempFiles(fs(), ini_);
  std::vector<std::string> names = fs().ListFolder(Path(""));
  std::sort(names.begin(), names.end());
  std::vector<std::string> expected = kept;
  expected.push_back("sub");
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(names, expected);
  EXPECT_EQ(Read(Path("sub/Verdalin_Settings.ini.tmp-2")), "x");
}

TEST(IniStoreFailures, AFailedWriteLeavesTheOldFileWhole) {
  FakeFileSystem fs;
  fs.files["s.ini"] = "[S]\r\nk=1\r\n";
  fs.fail_replace = true;
  WritePreference(fs, "S", "k", "2", "s.ini");
  WritePreference(fs, "T", "k", "2", "s.ini");
  EXPECT_EQ(fs.files["s.ini"], "[S]\r\nk=1\r\n");
}

}  // namespace verdalin
