// Where the INI files live: beside a portable copy, in the user's folder for an installed or
// read-only copy, and the program, the report command and their writes following that choice.
#include <gtest/gtest.h>

#include "app/report_command.h"
#include "app/settings_folder.h"
#include "fakes/app_harness.h"

namespace verdalin {

namespace {

constexpr const char* kProgramFolder = "C:\\Verdalin\\";
constexpr const char* kUserFolder = "C:\\Users\\me\\AppData\\Roaming\\Verdalin\\";

struct FolderCase {
  const char* what;
  std::vector<std::string> files_beside;  // in the program's folder
  bool read_only;
  std::string user_folder;  // as the platform gives it
  const char* chosen;
};

const FolderCase kCases[] = {
    {"a portable copy", {}, false, "C:\\Users\\me\\AppData\\Roaming\\Verdalin", kProgramFolder},
    {"a read-only folder", {}, true, "C:\\Users\\me\\AppData\\Roaming\\Verdalin", kUserFolder},
    {"read-only, settings beside", {"Verdalin_Settings.ini"}, true, "x", kProgramFolder},
    // The presets beside the program are the shipped ones: they keep nothing there.
    {"read-only, presets beside",
     {"Verdalin_Presets.ini"},
     true,
     "C:\\Users\\me\\AppData\\Roaming\\Verdalin",
     kUserFolder},
    {"an installed copy",
     {"Verdalin_Installed.txt"},
     false,
     "C:\\Users\\me\\AppData\\Roaming\\Verdalin",
     kUserFolder},
    {"installed, settings beside",
     {"Verdalin_Installed.txt", "Verdalin_Settings.ini"},
     false,
     "x",
     kProgramFolder},
    {"read-only, no user folder known", {}, true, "", kProgramFolder},
};

}  // namespace

TEST(SettingsFolder, ChoosesBesideTheProgramOrTheUsersFolder) {
  for (const FolderCase& c : kCases) {
    SCOPED_TRACE(c.what);
    CallLog log;
    FakeFrontEnd front(log);
    FakeFileSystem disk;
    for (const std::string& name : c.files_beside) disk.files[kProgramFolder + name] = "";
    if (c.read_only) front.read_only_folders.insert("C:\\Verdalin");
    front.settings_folder = c.user_folder;
    EXPECT_EQ(SettingsFolder(disk, front), c.chosen);
  }
}

// The user's own presets file first, else the shipped one; a folder is no file.
TEST(SettingsFolder, ReadsTheUsersPresetsFileElseTheShippedOne) {
  const std::string own = std::string(kUserFolder) + "Verdalin_Presets.ini";
  const std::string shipped = "C:\\Verdalin\\Verdalin_Presets.ini";
  const struct {
    bool own_file, own_folder, shipped_file;
    std::string chosen;
  } cases[] = {{true, false, true, own},
               {false, false, true, shipped},
               {false, true, true, shipped},
               {false, false, false, own}};
  for (const auto& c : cases) {
    CallLog log;
    FakeFrontEnd front(log);
    FakeFileSystem disk;
    if (c.own_file) disk.files[own] = "";
    if (c.own_folder) disk.folders.insert(own);
    if (c.shipped_file) disk.files[shipped] = "";
    EXPECT_EQ(PresetsFile(disk, front, kUserFolder), c.chosen);
  }
}

TEST(SettingsFolder, ASubfolderNamedLikeTheSettingsIsNoSettingsFile) {
  CallLog log;
  FakeFrontEnd front(log);
  FakeFileSystem disk;
  disk.folders.insert("C:\\Verdalin\\Verdalin_Settings.ini");
  front.read_only_folders.insert("C:\\Verdalin");
  EXPECT_EQ(SettingsFolder(disk, front), kUserFolder);
}

// A program in a folder the user cannot write: the user's folder is made before the first write,
// holds the statistics, the presets and the settings saved at the end; nothing goes beside the
// program. The report command and "Show history" read the same settings file.
TEST(SettingsFolder, AReadOnlyProgramKeepsEveryEditInTheUsersFolder) {
  AppHarness h;
  h.front.read_only_folders.insert("C:\\Verdalin");
  const std::string settings = std::string(kUserFolder) + "Verdalin_Settings.ini";
  h.disk.files[std::string(kUserFolder) + "Verdalin_Presets.ini"] =
      "[Index]\r\ntotal=1\r\n1=P\r\n[P]\r\nlabel=Mine\r\n";
  ASSERT_TRUE(h.Start());
  EXPECT_EQ(h.front.list_items[kPresetList].size(), 1u);
  EXPECT_GE(LogIndex(h.log, "create folder C:\\Users\\me\\AppData\\Roaming\\Verdalin"), 0);
  EXPECT_EQ(ReadPreference(h.disk, "Statistics", "Runs", "", settings), "1");
  h.front.texts[kDelayField] = "42";
  h.Send(EventKind::kCloseRequested);
  h.app.Shutdown();
  EXPECT_EQ(ReadPreference(h.disk, "Settings", "delay", "", settings), "42");
  EXPECT_EQ(h.disk.files.count(AppHarness::kSettings), 0u);
  EXPECT_EQ(StoredReportPlaces(h.disk, h.front).settings_file, settings);
}

// A copy that the user can write beside keeps its files there, as it always did.
TEST(SettingsFolder, APortableProgramWritesBesideItself) {
  AppHarness h;
  ASSERT_TRUE(h.Start());
  EXPECT_EQ(h.Statistic("Runs"), "1");
  EXPECT_EQ(StoredReportPlaces(h.disk, h.front).settings_file, AppHarness::kSettings);
}

}  // namespace verdalin
