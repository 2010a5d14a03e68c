// Settings round trip, presets from the file, run statistics, and the run-at-startup box.
#include <gtest/gtest.h>

#include "app/settings.h"
#include "app/startup_link.h"
#include "fakes/app_harness.h"

namespace verdalin {

TEST(AppSettings, RoundTripThroughTheSettingsFile) {
  AppHarness first;
  first.disk.files[AppHarness::kPresets] = "[Index]\r\ntotal=1\r\n1=P\r\n[P]\r\nlabel=One\r\n";
  ASSERT_TRUE(first.Start());
  first.front.texts[kDownstreamMaxField] = "20480";
  first.front.texts[kLoginField] = "user name";
  first.front.texts[kDelayField] = "15";
  first.front.texts[kAddressField] = "http://127.0.0.1:5/a?b=c";
  first.front.texts[kOutputFileField] = "E:\\d\\f.csv";
  first.front.states[kPresetList] = 0;
  first.front.texts[kPasswordField] = "p@ss w\xE9rd;=";
  first.Send(EventKind::kCloseRequested);
  first.app.Shutdown();
  // The keys in their saving order.
  const std::string& file = first.disk.files[AppHarness::kSettings];
  std::size_t at = 0;
  for (const char* key : {"downstream=", "login=", "delay=", "url=", "output_file=", "preset=",
                          "crypted_password="}) {
    const std::size_t found = file.find(key, at);
    ASSERT_NE(found, std::string::npos) << key;
    at = found;
  }

  AppHarness second;
  second.disk = first.disk;
  ASSERT_TRUE(second.Start());
  EXPECT_EQ(second.Text(kDownstreamMaxField), "20480");
  EXPECT_EQ(second.Text(kLoginField), "user name");
  EXPECT_EQ(second.Text(kDelayField), "15");
  EXPECT_EQ(second.Text(kAddressField), "http://127.0.0.1:5/a?b=c");
  EXPECT_EQ(second.Text(kOutputFileField), "E:\\d\\f.csv");
  EXPECT_EQ(second.front.GetControlState(kPresetList), 0);
  EXPECT_EQ(second.Text(kPasswordField), "p@ss w\xE9rd;=");
  EXPECT_EQ(second.Statistic("Runs"), "2");
}

TEST(AppSettings, PresetsFollowTheIndexKeys) {
  FakeFileSystem disk;
  disk.files["p.ini"] =
      "[index]\r\nTOTAL=3\r\n1=Second\r\n2=first\r\n3=\r\n"
      "[First]\r\ntype=INVENTEL\r\nlabel=F\r\nURL=uf\r\nlogin=lf\r\npassword=pf\r\ndownmax=9\r\n"
      "[SECOND]\r\ntype=SAGEM\r\nlabel=S\r\n";
  const PresetTable presets = LoadPresets(disk, "p.ini");
  ASSERT_EQ(presets.size(), 4u);
  EXPECT_EQ(presets[0].label, "");
  EXPECT_EQ(presets[1].type, "SAGEM");
  EXPECT_EQ(presets[2].type, "INVENTEL");
  EXPECT_EQ(presets[2].URL, "uf");
  EXPECT_EQ(presets[2].password, "pf");
  EXPECT_EQ(presets[2].downmax, "9");
  EXPECT_EQ(presets[3].label, "");  // names no group: an empty preset
  EXPECT_EQ(&PresetAtPosition(presets, 1), &presets[2]);
  EXPECT_EQ(&PresetAtPosition(presets, -1), &presets[0]);
  EXPECT_EQ(&PresetAtPosition(presets, 3), &presets[0]);
  EXPECT_EQ(&PresetAtPosition(presets, -7), &presets[0]);
}

TEST(AppSettings, PresetCountsThatGiveNoPresetsOrTooMany) {
  FakeFileSystem disk;
  for (const char* total : {"0", "-3", "many", ""}) {
    disk.files["p.ini"] = std::string("[Index]\r\ntotal=") + total + "\r\n";
    EXPECT_EQ(LoadPresets(disk, "p.ini").size(), 1u) << total;
  }
  EXPECT_EQ(LoadPresets(disk, "missing.ini").size(), 1u);
  disk.files["p.ini"] = "[Index]\r\ntotal=2147483647\r\n";
  EXPECT_EQ(LoadPresets(disk, "p.ini").size(), static_cast<std::size_t>(kMaxPresets) + 1);
}

TEST(AppSettings, SelectionBeyondTheListIsSavedAsNone) {
  AppHarness h;
  h.disk.files[AppHarness::kPresets] = "[Index]\r\ntotal=1\r\n1=P\r\n[P]\r\nlabel=One\r\n";
  h.disk.files[AppHarness::kSettings] = "[Settings]\r\npreset=2\r\n";
  ASSERT_TRUE(h.Start());
  EXPECT_EQ(h.front.list_items[kPresetList].size(), 1u);
  EXPECT_EQ(h.front.GetControlState(kPresetList), -1);
  h.app.Shutdown();
  EXPECT_EQ(h.Setting("preset"), "-1");
}

TEST(AppSettings, RunsThatIsNotANumberStartsAgainAtOne) {
  AppHarness h;
  h.disk.files[AppHarness::kSettings] = "[Statistics]\r\nRuns=lots\r\nLastRun=old\r\n";
  h.clock.now = {2024, 2, 29, 7, 3, 59};
  ASSERT_TRUE(h.Start());
  EXPECT_EQ(h.Statistic("Runs"), "1");
  EXPECT_EQ(h.Statistic("LastRun"), "2024/02/29-07:03");
}

TEST(AppSettings, OutputFileDefaultWithoutDocumentsFolder) {
  EXPECT_EQ(DefaultOutputFile("", '\\'), "\\Verdalin_Data.CsV");
  EXPECT_EQ(DefaultOutputFile("/home/me/Documents", '/'), "/home/me/Documents/Verdalin_Data.CsV");
  AppHarness h;
  h.front.documents_folder = "";
  ASSERT_TRUE(h.Start());
  EXPECT_EQ(h.Text(kOutputFileField), "\\Verdalin_Data.CsV");
}

namespace {

struct BoxHarness : AppHarness {
  static constexpr const char* kStartup = "C:\\Start";
  static constexpr const char* kEntry = "C:\\Start\\Verdalin.lnk";
  BoxHarness() {
    front.startup_folder = kStartup;
    disk.folders.insert(kStartup);
  }
  void Click(bool ticked) {
    front.states[kRunAtStartupBox] = ticked ? 1 : 0;
    OnRunAtStartupBox(front.front, files);
  }
};

}  // namespace

TEST(AppStartupBox, TickingCreatesTheEntryWithItsProperties) {
  BoxHarness h;
  h.Click(true);
  ASSERT_EQ(h.front.entries.size(), 1u);
  const StartupEntrySpec& entry = h.front.entries[0];
  EXPECT_EQ(entry.target, "C:\\Verdalin\\verdalin.exe");
  EXPECT_EQ(entry.arguments, "-startup");
  EXPECT_EQ(entry.description, "Verdalin : the truth about your ADSL");
  EXPECT_EQ(entry.working_directory, "");
  EXPECT_EQ(entry.show_command, 2);
  EXPECT_EQ(entry.hot_key, 0);
  EXPECT_EQ(entry.icon_file, "C:\\Verdalin\\verdalin.exe");
  EXPECT_EQ(entry.icon_index, 0);
  EXPECT_EQ(LogIndex(h.log, std::string("create entry ") + BoxHarness::kEntry), 0);
  EXPECT_TRUE(h.front.messages.empty());
}

TEST(AppStartupBox, PresentEntryIsKeptAndAnEmptyOneIsOverwritten) {
  BoxHarness h;
  h.disk.files[BoxHarness::kEntry] = "existing";
  h.Click(true);
  EXPECT_TRUE(h.front.entries.empty());
  h.disk.files[BoxHarness::kEntry] = "";
  h.Click(true);
  EXPECT_EQ(h.front.entries.size(), 1u);
}

TEST(AppStartupBox, FailedCreationWarnsAndClearingRemoves) {
  BoxHarness h;
  h.front.entry_possible = false;
  h.Click(true);
  ASSERT_EQ(h.front.messages.size(), 1u);
  EXPECT_EQ(h.front.messages[0].title, "Error");
  EXPECT_EQ(h.front.messages[0].text, "Error while adding Verdalin to startup group.");
  EXPECT_EQ(h.front.messages[0].icon, MessageIcon::kWarning);
  EXPECT_EQ(h.front.GetControlState(kRunAtStartupBox), 1);  // stays ticked
  h.disk.files[BoxHarness::kEntry] = "L";
  h.Click(false);
  EXPECT_EQ(h.disk.files.count(BoxHarness::kEntry), 0u);
  h.Click(false);  // nothing to remove: silent
  EXPECT_EQ(h.front.messages.size(), 1u);
}

TEST(AppStartupBox, UnknownStartupFolderGivesTheNameAlone) {
  BoxHarness h;
  h.front.startup_folder = "";
  EXPECT_EQ(StartupEntryPath(h.front), "\\Verdalin.lnk");
  h.Start();
  h.Send(EventKind::kControl, kRunAtStartupBox);  // the box is clear: a removal of "\Verdalin.lnk"
  EXPECT_GE(LogIndex(h.log, "remove \\Verdalin.lnk"), 0);
}

}  // namespace verdalin
