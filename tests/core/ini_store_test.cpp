// The INI preference store: lookups, value cleaning, the file text a write leaves, failed writes.
#include "text/ini_store.h"

#include <gtest/gtest.h>

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

TEST_P(IniStore, LongValuesAreCutTo254Characters) {
  std::string value;
  for (int i = 0; i < 300; ++i) value += static_cast<char>('a' + i % 26);
  Set("S", "long", value);
  EXPECT_EQ(Get("S", "long"), value.substr(0, 254));
  Set("S", "quoted", "\"" + value.substr(0, 254) + "\"");
  EXPECT_EQ(Get("S", "quoted"), value.substr(0, 254));
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

TEST(IniStoreFailures, AFailedWriteLeavesTheOldFileWhole) {
  FakeFileSystem fs;
  fs.files["s.ini"] = "[S]\r\nk=1\r\n";
  fs.fail_replace = true;
  WritePreference(fs, "S", "k", "2", "s.ini");
  WritePreference(fs, "T", "k", "2", "s.ini");
  EXPECT_EQ(fs.files["s.ini"], "[S]\r\nk=1\r\n");
}

}  // namespace verdalin
