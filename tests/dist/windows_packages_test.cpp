// The Windows packages as a user gets them: the setup program installs for the user alone and
// its program keeps the settings in %APPDATA%\Verdalin; the uninstaller takes the program and its
// entries away and leaves the user's data; the zip's program keeps its settings beside it. Both
// list the shipped presets, and the user's own presets file once there is one.
#include <windows.h>

#include <shlobj.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cwchar>
#include <string>
#include <vector>

#include "remote_program.h"
#include "ui/control_ids.h"
#include "verdalin_version.h"

namespace verdalin::driver {

namespace {

constexpr char kUninstallKey[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Verdalin";

std::string Folder(int csidl) {
  char path[MAX_PATH] = {};
  SHGetFolderPathA(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path);
  return std::string(path) + "\\";
}

// A package's path from the environment (a Unix path of the build); "" when not given.
std::string PackagePath(const char* variable) {
  const char* value = std::getenv(variable);
  return value == nullptr ? std::string() : WindowsPath(value);
}

DWORD RunAndWait(const std::string& command_line) {
  std::string command = command_line;
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &process))
    return GetLastError();
  WaitForSingleObject(process.hProcess, 60000);
  DWORD code = STILL_ACTIVE;
  GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return code;
}

std::string UninstallValue(const char* name) {
  char value[1024] = {};
  DWORD size = sizeof value;
  if (RegGetValueA(HKEY_CURRENT_USER, kUninstallKey, name, RRF_RT_REG_SZ, nullptr, value, &size))
    return "<missing>";
  return value;
}

DWORD UninstallNumber(const char* name) {
  DWORD value = 0;
  DWORD size = sizeof value;
  if (RegGetValueA(HKEY_CURRENT_USER, kUninstallKey, name, RRF_RT_REG_DWORD, nullptr, &value,
                   &size))
    return 0xFFFFFFFF;
  return value;
}

// Starts the program, changes the login, ticks the run-at-startup box and closes it: the
// settings are saved where the program keeps them.
void RunOnceAndEdit(const std::string& program, const std::string& settings_file) {
  RemoteProgram running(program, settings_file, "");
  ASSERT_NE(running.Window(), nullptr);
  running.SetText(kLoginField, "packaged");
  running.Click(kRunAtStartupBox);
  PostMessageA(running.Window(), WM_CLOSE, 0, 0);
  EXPECT_EQ(running.WaitForExit(), 0u);
}

// The labels of the running program's preset list.
std::vector<std::string> PresetLabels(const RemoteProgram& running) {
  const HWND list = running.Control(kPresetList);
  std::vector<std::string> labels;
  const LRESULT count = SendMessageA(list, CB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < count; ++i) {
    wchar_t label[256] = {};  // the list is a Unicode window; the labels are ASCII
    SendMessageW(list, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(label));
    labels.emplace_back(label, label + wcslen(label));
  }
  return labels;
}

const std::vector<std::string> kShippedLabels = {"LiveBox Inventel",
                                                 "LiveBox Sagem",
                                                 "Tecom AH4222",
                                                 "FRITZ!Box (TR-064)",
                                                 "Broadcom modem, telnet (xdslctl)",
                                                 "Broadcom modem, SSH (xdslctl)",
                                                 "DrayTek Vigor (vdsl status)",
                                                 "OpenWrt (ubus)"};

// The presets the program lists: the shipped ones, then, with a presets file in the settings
// folder, the user's.
void ExpectPresets(const std::string& program, const std::string& settings_file,
                   const std::vector<std::string>& labels) {
  RemoteProgram running(program, settings_file, "");
  ASSERT_NE(running.Window(), nullptr);
  EXPECT_EQ(PresetLabels(running), labels);
  PostMessageA(running.Window(), WM_CLOSE, 0, 0);
  EXPECT_EQ(running.WaitForExit(), 0u);
}

class PackagesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RemoveFolder(settings_folder_);  // what an earlier run may have left
    DeleteFileA(StartupShortcutPath().c_str());
  }
  void TearDown() override {
    RemoveFolder(settings_folder_);
    DeleteFileA(StartupShortcutPath().c_str());
  }

  const std::string settings_folder_ = Folder(CSIDL_APPDATA) + "Verdalin\\";
  const std::string settings_file_ = settings_folder_ + "Verdalin_Settings.ini";
};

}  // namespace

TEST_F(PackagesTest, SetupInstallsForTheUserAndItsUninstallerKeepsTheirData) {
  const std::string setup = PackagePath("VERDALIN_SETUP");
  if (setup.empty()) GTEST_SKIP() << "VERDALIN_SETUP names no setup program";
  const std::string folder = Folder(CSIDL_LOCAL_APPDATA) + "Programs\\Verdalin\\";
  const std::string menu_entry = Folder(CSIDL_PROGRAMS) + "Verdalin.lnk";
  ASSERT_EQ(RunAndWait("\"" + setup + "\" /S"), 0u);
  for (const char* name :
       {"verdalin.exe", "uninstall.exe", "README.txt", "LICENSE.txt", "THIRD-PARTY-NOTICES.txt",
        "Verdalin_Installed.txt", "Verdalin_Presets.ini"})
    EXPECT_TRUE(FileExists(folder + name)) << name;
  EXPECT_TRUE(FileExists(menu_entry));
  EXPECT_EQ(UninstallValue("DisplayName"), "Verdalin");
  EXPECT_EQ(UninstallValue("DisplayVersion"), VERDALIN_VERSION);
  EXPECT_EQ(UninstallValue("Publisher"), "The Verdalin developers");
  EXPECT_EQ(UninstallValue("InstallLocation") + "\\", folder);
  EXPECT_EQ(UninstallValue("UninstallString"), "\"" + folder + "uninstall.exe\"");
  EXPECT_EQ(UninstallValue("DisplayIcon"), folder + "verdalin.exe,0");
  EXPECT_EQ(UninstallNumber("NoModify"), 1u);
  EXPECT_EQ(UninstallNumber("NoRepair"), 1u);
  EXPECT_GT(UninstallNumber("EstimatedSize"), 100u);  // KB
  EXPECT_LT(UninstallNumber("EstimatedSize"), 10000u);

  ExpectPresets(folder + "verdalin.exe", settings_file_, kShippedLabels);
  RunOnceAndEdit(folder + "verdalin.exe", settings_file_);
  EXPECT_EQ(IniValue(settings_file_, "Settings", "login"), "packaged");
  EXPECT_EQ(IniValue(settings_file_, "Statistics", "Runs"), "2");
  EXPECT_FALSE(FileExists(folder + "Verdalin_Settings.ini"));
  EXPECT_TRUE(FileExists(StartupShortcutPath()));
  WriteTextFile(settings_folder_ + "Verdalin_Presets.ini",
                "[Index]\r\ntotal=1\r\n1=Mine\r\n[Mine]\r\nlabel=My gateway\r\n");
  ExpectPresets(folder + "verdalin.exe", settings_file_, {"My gateway"});
  WriteTextFile(settings_folder_ + "my log.csv", "Date;Connected\r\n");

  // The uninstaller runs from a copy of itself, which ends by removing the programs list entry.
  ASSERT_EQ(RunAndWait("\"" + folder + "uninstall.exe\" /S"), 0u);
  EXPECT_TRUE(
      WaitUntil([] { return UninstallValue("DisplayName") == "<missing>"; }, milliseconds(30000)));
  EXPECT_FALSE(FileExists(folder));
  EXPECT_FALSE(FileExists(menu_entry));
  EXPECT_FALSE(FileExists(StartupShortcutPath()));
  EXPECT_EQ(IniValue(settings_file_, "Settings", "login"), "packaged");
  EXPECT_TRUE(FileExists(settings_folder_ + "my log.csv"));
}

TEST_F(PackagesTest, ThePortableProgramKeepsItsSettingsBesideIt) {
  const std::string program = PackagePath("VERDALIN_PORTABLE");
  if (program.empty()) GTEST_SKIP() << "VERDALIN_PORTABLE names no unpacked program";
  const std::string beside = program.substr(0, program.rfind('\\') + 1) + "Verdalin_Settings.ini";
  ExpectPresets(program, beside, kShippedLabels);
  RunOnceAndEdit(program, beside);
  EXPECT_EQ(IniValue(beside, "Settings", "login"), "packaged");
  EXPECT_FALSE(FileExists(settings_file_));
}

}  // namespace verdalin::driver
