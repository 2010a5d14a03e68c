// Settings round trip, presets from the file, run statistics, and the run-at-startup box.
#include <gtest/gtest.h>

#include <algorithm>

#include "app/settings.h"
#include "app/startup_link.h"
#include "base/scramble.h"
#include "fakes/app_harness.h"

namespace verdalin {

namespace {

std::ptrdiff_t Count(const CallLog& log, const std::string& entry) {
  return std::count(log.begin(), log.end(), entry);
}

}  // namespace

// Start-up reads the presets file once and the settings file twice (statistics, then settings)
// and replaces it once; the exit save reads it once and replaces it once.
TEST(AppSettings, EachStepReadsItsFileOnceAndReplacesItOnce) {
  AppHarness h;
  std::string presets = "[Index]\r\ntotal=1000\r\n";
  for (int i = 1; i <= 1000; ++i)
    presets += std::to_string(i) + "=P" + std::to_string(i) + "\r\n[P" + std::to_string(i) +
               "]\r\nlabel=L\r\n";
  h.disk.files[AppHarness::kPresets] = presets;
  h.disk.files[AppHarness::kSettings] = "[Settings]\r\nurl=http://127.0.0.1:1/\r\n";
  ASSERT_TRUE(h.app.Start(""));
  const std::string read = std::string("read ") + AppHarness::kSettings;
  const std::string write = std::string("write ") + AppHarness::kSettings;
  EXPECT_EQ(Count(h.log, std::string("read ") + AppHarness::kPresets), 1);
  EXPECT_EQ(Count(h.log, read), 2);
  EXPECT_EQ(Count(h.log, write), 1);
  EXPECT_EQ(h.front.list_items[kPresetList].size(), 1000u);
  const std::size_t before_exit = h.log.size();
  h.app.Shutdown();
  EXPECT_EQ(Count(h.LogFrom(before_exit), read), 1);
  EXPECT_EQ(Count(h.LogFrom(before_exit), write), 1);
}

// The bytes of the files written: groups, keys, their order, CR LF and the blank line before an
// appended group, as a key-by-key store has always written them.
TEST(AppSettings, TheSettingsFileKeepsItsBytes) {
  AppHarness h;
  h.clock.now = {2006, 12, 30, 21, 5, 9};
  h.disk.files[AppHarness::kSettings] = "; mine\n[settings]\nDelay = 60\nextra=1\n\n[Other]\nk=v";
  ASSERT_TRUE(h.app.Start(""));
  h.front.texts[kPasswordField] = "pw";
  h.app.Shutdown();
  EXPECT_EQ(h.disk.files[AppHarness::kSettings],
            "; mine\n[settings]\ndelay=60\nextra=1\ndownstream=8192\r\nlogin=admin\r\n"
            "url=http://192.168.1.1/adslstats.html\r\n"
            "output_file=C:\\Users\\me\\Documents\\Verdalin_Data.CsV\r\npreset=-1\r\n"
            "crypted_password=" +
                StorePassword("pw") +
                "\r\n\n[Other]\nk=v\r\n\r\n[Statistics]\r\nLastRun=2006/12/30-21:05\r\nRuns=1\r\n"
                "\r\n[Alerts]\r\nsnr_low_db=6.0\r\nsnr_rearm_db=7.0\r\ncrc_per_minute=10\r\n"
                "notify=1\r\ncooldown_minutes=15\r\nwebhook=\r\n\r\n[MQTT]\r\nbroker=\r\nuser=\r\n"
                "crypted_password=\r\nca_file=\r\ntopic=verdalin/verdalin\r\n"
                "discovery_prefix=homeassistant\r\n");
}

TEST(AppSettings, ARefusedSettingsFileGivesTheDefaultsAndIsNeverWritten) {
  FakeFileSystem disk;
  FakeClock clock;
  disk.others.insert("fifo.ini");
  const std::string big = "[Settings]\r\ndelay=5\r\n" + std::string(kMaxIniFileSize, ';');
  disk.files["big.ini"] = big;
  for (const char* path : {"fifo.ini", "big.ini"}) {
    EXPECT_FALSE(UpdateRunStatistics(disk, clock, path)) << path;
    const ProgramSettings settings = ReadProgramSettings(IniFile(disk, path), "out.csv", "host");
    EXPECT_EQ(settings.outcome, IniLoad::kRefused) << path;
    EXPECT_EQ(settings.line.delay, kDefaultDelay);
    EXPECT_EQ(settings.line.output_file, "out.csv");
    EXPECT_FALSE(SaveProgramSettings(disk, path, settings.line, settings));
  }
  EXPECT_EQ(disk.files.count("fifo.ini"), 0u);
  EXPECT_TRUE(disk.files["big.ini"] == big);
  IniFile presets(disk, "fifo.ini");
  EXPECT_EQ(presets.outcome(), IniLoad::kRefused);
  EXPECT_EQ(ReadPresets(presets).size(), 1u);
}

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
  const PresetTable presets = ReadPresets(IniFile(disk, "p.ini"));
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
    EXPECT_EQ(ReadPresets(IniFile(disk, "p.ini")).size(), 1u) << total;
  }
  EXPECT_EQ(ReadPresets(IniFile(disk, "missing.ini")).size(), 1u);
  disk.files["p.ini"] = "[Index]\r\ntotal=2147483647\r\n";
  EXPECT_EQ(ReadPresets(IniFile(disk, "p.ini")).size(), static_cast<std::size_t>(kMaxPresets) + 1);
}

// Blanks are no address; a position beyond the list or on a preset of no kind chooses none.
TEST(AppSettings, WhatTheSettingsLackToNameAGateway) {
  FakeFileSystem disk;
  disk.files["p.ini"] = "[Index]\r\ntotal=2\r\n1=A\r\n2=B\r\n[A]\r\ntype=SAGEM\r\n";
  const PresetTable presets = ReadPresets(IniFile(disk, "p.ini"));
  const std::string url = "no gateway address (url=)", preset = "no preset chosen (preset=)";
  const std::pair<const char*, std::vector<std::string>> cases[] = {
      {"url=http://g/\r\npreset=0", {}},
      {"url=  \r\npreset=0", {url}},
      {"url=http://g/\r\npreset=2", {preset}},
      {"url=http://g/\r\npreset=1", {preset}},
      {"preset=-1", {url, preset}},
  };
  for (const auto& [settings, missing] : cases) {
    disk.files["s.ini"] = std::string("[Settings]\r\n") + settings + "\r\n";
    EXPECT_EQ(MissingGatewaySettings(IniFile(disk, "s.ini"), presets), missing) << settings;
  }
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
    OnRunAtStartupBox(front, front, front, files);
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
