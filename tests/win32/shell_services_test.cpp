// Windows shell services and front-end helpers: folders, shell links, dialog filter, pictures,
// font.
#include <windows.h>

#include <objbase.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "win32/dialogs.h"
#include "win32/link_label.h"
#include "win32/pictures.h"
#include "win32/shell_services.h"

namespace verdalin {

namespace {

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream contents;
  contents << in.rdbuf();
  return contents.str();
}

std::string TempFile(const char* name) {
  char folder[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, folder);
  return std::string(folder) + name;
}

}  // namespace

TEST(SpecialFolders, PathsHaveNoTrailingBackslash) {
  for (int csidl : {kCsidlPersonal, kCsidlStartup}) {
    const std::string path = SpecialFolderPath(csidl);
    ASSERT_FALSE(path.empty()) << csidl;
    EXPECT_NE(path.back(), '\\') << path;
    EXPECT_NE(GetFileAttributesA(path.c_str()), INVALID_FILE_ATTRIBUTES) << path;
  }
  EXPECT_NE(SpecialFolderPath(kCsidlStartup).find("StartUp"), std::string::npos);
  EXPECT_EQ(SpecialFolderPath(0x7fff), "");  // no such folder
  const std::string executable = ExecutablePath();
  EXPECT_EQ(executable.substr(executable.size() - 4), ".exe");
}

TEST(SettingsPlaces, TheSettingsFolderIsTheUsersRoamingVerdalin) {
  const std::string folder = SpecialFolderPath(SpecialFolder::kSettings);
  EXPECT_EQ(folder, SpecialFolderPath(kCsidlAppData) + "\\Verdalin");
  EXPECT_NE(folder.find("\\AppData\\Roaming\\"), std::string::npos) << folder;
}

// Whether a file can be made is found by making one: nothing stays behind.
TEST(SettingsPlaces, FilesCanBeMadeOnlyInExistingFolders) {
  const std::string folder = TempFile("verdalin-places");
  EXPECT_FALSE(CanCreateFilesIn(folder + "\\missing"));
  EXPECT_FALSE(CanCreateFilesIn(""));
  ASSERT_TRUE(CreateFolder(folder + "\\a\\b"));
  EXPECT_TRUE(CreateFolder(folder + "\\a\\b"));
  EXPECT_TRUE(CanCreateFilesIn(folder + "\\a\\b"));
  WIN32_FIND_DATAA entry;
  const HANDLE find = FindFirstFileA((folder + "\\a\\b\\*.tmp").c_str(), &entry);
  EXPECT_EQ(find, INVALID_HANDLE_VALUE);
  if (find != INVALID_HANDLE_VALUE) FindClose(find);
  EXPECT_TRUE(RemoveDirectoryA((folder + "\\a\\b").c_str()));
  RemoveDirectoryA((folder + "\\a").c_str());
  RemoveDirectoryA(folder.c_str());
}

TEST(ShellLink, WritesEveryPropertyAndReportsFailure) {
  const std::string path = TempFile("verdalin-test.lnk");
  const std::string target = ExecutablePath();
  ASSERT_TRUE(CreateShellLink(target, path, "-startup", "Verdalin : the truth about your ADSL", "",
                              2, 0, target, 0));
  CoInitialize(nullptr);
  IShellLinkA* link = nullptr;
  ASSERT_TRUE(SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER,
                                         IID_IShellLinkA, reinterpret_cast<void**>(&link))));
  IPersistFile* file = nullptr;
  link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file));
  WCHAR wide[MAX_PATH] = {};
  MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, MAX_PATH);
  ASSERT_TRUE(SUCCEEDED(file->Load(wide, STGM_READ)));
  char text[MAX_PATH] = {};
  int number = -1;
  link->GetArguments(text, MAX_PATH);
  EXPECT_STREQ(text, "-startup");
  // The header's show command (Wine's loader does not read it back: check the file itself).
  const std::string bytes = ReadFile(path);
  ASSERT_GT(bytes.size(), 0x40u);
  EXPECT_EQ(bytes[0x3c], SW_SHOWMINNOACTIVE);
  link->GetIconLocation(text, MAX_PATH, &number);
  EXPECT_EQ(number, 0);
  EXPECT_EQ(lstrcmpiA(text, target.c_str()), 0) << text;
  file->Release();
  link->Release();
  CoUninitialize();
  DeleteFileA(path.c_str());
  EXPECT_FALSE(
      CreateShellLink(target, "C:\\no\\such\\folder\\x.lnk", "-startup", "", "", 2, 0, target, 0));
}

TEST(FileDialog, FilterPartsEndWithZerosAndTheListWithTwo) {
  EXPECT_EQ(DialogFilter("Fichiers texte CSV|*.csv;*.txt"),
            std::string("Fichiers texte CSV\0*.csv;*.txt\0\0", 32));
}

TEST(Pictures, BannerDecodesAndGarbageDoesNot) {
  const std::string png = ReadFile(VERDALIN_SOURCE_DIR "/resources/banner.png");
  ASSERT_FALSE(png.empty());
  const HBITMAP banner = DecodePng(png.data(), png.size());
  ASSERT_NE(banner, nullptr);
  BITMAP info = {};
  GetObjectA(banner, sizeof(info), &info);
  EXPECT_EQ(info.bmWidth, 480);
  EXPECT_EQ(info.bmHeight, 94);
  EXPECT_EQ(info.bmBitsPixel, 24);
  // The banner's corner is white, as the window behind it.
  const auto* pixel = static_cast<const unsigned char*>(info.bmBits);
  EXPECT_EQ(pixel[0] + pixel[1] + pixel[2], 3 * 255);
  DeleteObject(banner);
  EXPECT_EQ(DecodePng("not a png", 9), nullptr);
  EXPECT_EQ(DecodePng(png.data(), png.size() / 2), nullptr);  // cut short
}

TEST(LinkFont, HeightFollowsTheScreenResolution) {
  EXPECT_EQ(FontHeight(10, 96), -13);   // 13.33 rounds down
  EXPECT_EQ(FontHeight(10, 120), -17);  // 16.67 rounds up
  const HFONT font = CreateLinkFont();
  ASSERT_NE(font, nullptr);
  LOGFONTA description = {};
  GetObjectA(font, sizeof(description), &description);
  EXPECT_STREQ(description.lfFaceName, "Arial Narrow");
  EXPECT_EQ(description.lfWeight, FW_BOLD);
  EXPECT_TRUE(description.lfUnderline);
  EXPECT_FALSE(description.lfItalic);
  DeleteObject(font);
}

}  // namespace verdalin
