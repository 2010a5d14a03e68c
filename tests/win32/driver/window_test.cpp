// The running program's window seen from outside: controls, status bar, buttons, presets, startup
// shortcut, tray menu, restore, minimise and close.
#include <windows.h>

#include <commctrl.h>
#include <objbase.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include "app/settings_form.h"
#include "gateway_client.h"
#include "remote_program.h"
#include "ui/control_table.h"
#include "ui/interface_texts.h"
#include "win32/resource_ids.h"

namespace verdalin::driver {

namespace {

std::string ExpectedClass(ControlKind kind) {
  switch (kind) {
    case ControlKind::kTextField:
      return "Edit";
    case ControlKind::kLabel:
    case ControlKind::kImage:
    case ControlKind::kLinkLabel:
      return "Static";
    case ControlKind::kDropDownList:
      return "ComboBox";
    case ControlKind::kVerticalGauge:
      return "msctls_progress32";
    default:
      return "Button";
  }
}

// The style bits the realisation table asks for (the low word holds the kind's own style).
DWORD ExpectedStyle(const ControlSpec& control_row) {
  DWORD style = WS_CHILD | WS_VISIBLE;
  switch (control_row.kind) {
    case ControlKind::kPushButton:
      return style | WS_GROUP | WS_TABSTOP | BS_PUSHBUTTON;
    case ControlKind::kDropDownList:  // scroll bar, border and sunken edge go to its list
      return style | WS_TABSTOP | CBS_DROPDOWNLIST | CBS_HASSTRINGS;
    case ControlKind::kTextField:
      return style | WS_GROUP | WS_TABSTOP | ES_AUTOHSCROLL |
             (control_row.masked ? ES_PASSWORD : 0) | (control_row.digits_only ? ES_NUMBER : 0) |
             (control_row.read_only ? ES_READONLY : 0);
    case ControlKind::kLabel:
      return style | WS_GROUP |
             (control_row.alignment == TextAlignment::kCentre  ? SS_CENTER
              : control_row.alignment == TextAlignment::kRight ? SS_RIGHT
                                                               : SS_LEFT);
    case ControlKind::kGroupFrame:
      return style | BS_GROUPBOX;
    case ControlKind::kImage:
      return style | SS_BITMAP;
    case ControlKind::kVerticalGauge:
      return style | PBS_SMOOTH | PBS_VERTICAL;
    case ControlKind::kCheckBox:
      return style | WS_TABSTOP | BS_AUTOCHECKBOX;
    case ControlKind::kLinkLabel:
      return style | SS_NOTIFY;
  }
  return style;
}

RECT ClientRectOf(HWND parent, HWND control) {
  RECT rect;
  GetWindowRect(control, &rect);
  MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

// Settings that the placeholders of the fields cannot be mistaken for.
void WriteSettings(const ProgramFolder& folder) {
  WriteTextFile(folder.SettingsFile(),
                "[Settings]\r\ndownstream=2048\r\nlogin=user1\r\ndelay=45\r\n"
                "url=http://127.0.0.1:1/adslstats.html\r\noutput_file=" +
                    folder.File("out.csv") + "\r\npreset=1\r\n");
  WriteTextFile(folder.PresetsFile(),
                "[Index]\r\ntotal=2\r\n1=A\r\n2=B\r\n"
                "[A]\r\ntype=INVENTEL\r\nlabel=Livebox A\r\nURL=http://127.0.0.1:1/a\r\n"
                "login=la\r\npassword=pa\r\ndownmax=1000\r\n"
                "[B]\r\ntype=SAGEM\r\nlabel=Livebox B\r\nURL=http://127.0.0.1:1/b\r\n"
                "login=lb\r\npassword=pb\r\ndownmax=2000\r\n");
}

class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    DeleteFileA(StartupShortcutPath().c_str());
    WriteSettings(folder_);
    texts_.Load();
  }
  void TearDown() override { DeleteFileA(StartupShortcutPath().c_str()); }

  ProgramFolder folder_;
  InterfaceTexts texts_;
};

}  // namespace

TEST_F(WindowTest, MainWindowMatchesTheLayout) {
  RemoteProgram program(folder_, "");
  const HWND window = program.Window();
  ASSERT_NE(window, nullptr);
  ASSERT_TRUE(program.Visible());
  char title[64] = {};
  GetWindowTextA(window, title, sizeof(title));
  EXPECT_STREQ(title, "Verdalin 1.7.2");
  RECT client, frame;
  GetClientRect(window, &client);
  GetWindowRect(window, &frame);
  EXPECT_EQ(client.right, 502);
  EXPECT_EQ(client.bottom, 391);
  EXPECT_EQ(frame.left, 306);
  EXPECT_EQ(frame.top, 81);
  const LONG style = GetWindowLongA(window, GWL_STYLE);
  EXPECT_TRUE(style & WS_MINIMIZEBOX);
  EXPECT_FALSE(style & WS_MAXIMIZEBOX);
  EXPECT_FALSE(style & WS_THICKFRAME);
  EXPECT_TRUE(GetClassLongPtrA(window, GCL_STYLE) & CS_DBLCLKS);
}

TEST(Executable, CarriesIconManifestVersionAndPictures) {
  ProgramFolder folder;
  const HMODULE module =
      LoadLibraryExA(folder.Program().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(module, nullptr);
  const auto resource = [&](int id, LPCSTR type) {
    const HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(id), type);
    const HGLOBAL data = found != nullptr ? LoadResource(module, found) : nullptr;
    return std::string(data != nullptr ? static_cast<const char*>(LockResource(data)) : "",
                       found != nullptr ? SizeofResource(module, found) : 0);
  };
  const std::string icons = resource(1, MAKEINTRESOURCEA(14));  // RT_GROUP_ICON
  ASSERT_GE(icons.size(), 6u);
  EXPECT_EQ(icons[4], 13);  // images in the group
  EXPECT_NE(resource(1, MAKEINTRESOURCEA(24)).find("Microsoft.Windows.Common-Controls"),
            std::string::npos);                                        // RT_MANIFEST
  EXPECT_NE(resource(1, MAKEINTRESOURCEA(16)).size(), 0u);             // RT_VERSION
  EXPECT_EQ(resource(101, MAKEINTRESOURCEA(10)).substr(1, 3), "PNG");  // RT_RCDATA
  EXPECT_EQ(resource(102, MAKEINTRESOURCEA(2)).substr(0, 4), std::string("\x28\0\0\0", 4));
  FreeLibrary(module);
  DWORD handle = 0;
  std::string version(GetFileVersionInfoSizeA(folder.Program().c_str(), &handle), '\0');
  ASSERT_FALSE(version.empty());
  GetFileVersionInfoA(folder.Program().c_str(), 0, static_cast<DWORD>(version.size()),
                      version.data());
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueA(version.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
  EXPECT_EQ(fixed->dwFileVersionMS, MAKELONG(7, 1));
  EXPECT_EQ(fixed->dwFileVersionLS, MAKELONG(0, 2));
}

TEST_F(WindowTest, ControlsMatchTheControlTable) {
  RemoteProgram program(folder_, "");
  for (const ControlSpec& control_row : ControlTable()) {
    SCOPED_TRACE("control " + std::to_string(control_row.id));
    const HWND control = program.Control(control_row.id);
    ASSERT_NE(control, nullptr);
    char name[64] = {};
    GetClassNameA(control, name, sizeof(name));
    EXPECT_EQ(lstrcmpiA(name, ExpectedClass(control_row.kind).c_str()), 0) << name;
    EXPECT_EQ(GetDlgCtrlID(control), control_row.id);
    const DWORD expected = ExpectedStyle(control_row);
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(control, GWL_STYLE)) & expected, expected);
    const RECT rect = ClientRectOf(program.Window(), control);
    EXPECT_EQ(rect.left, control_row.x);
    EXPECT_EQ(rect.top, control_row.y);
    EXPECT_EQ(rect.right - rect.left, control_row.width);
    if (control_row.kind != ControlKind::kDropDownList)
      EXPECT_EQ(rect.bottom - rect.top, control_row.height);
    if (control_row.max_length > 0)
      EXPECT_EQ(SendMessageA(control, EM_GETLIMITTEXT, 0, 0), control_row.max_length);
    const bool loaded_from_settings = control_row.kind == ControlKind::kTextField;
    if (control_row.text_slot != kNoText && !loaded_from_settings)
      EXPECT_EQ(program.Text(control_row.id), texts_.Text(control_row.text_slot));
    const bool sunken = GetWindowLongA(control, GWL_EXSTYLE) & WS_EX_CLIENTEDGE;
    EXPECT_EQ(sunken, control_row.kind == ControlKind::kTextField);
  }
  RECT dropped = {}, list = {};
  SendMessageA(program.Control(kPresetList), CB_GETDROPPEDCONTROLRECT, 0,
               reinterpret_cast<LPARAM>(&dropped));
  GetWindowRect(program.Control(kPresetList), &list);
  // Made 65 high with its list open: Windows reports the whole 65 pixels, Wine the list part
  // under the 20-pixel field (41); a list made at the field's height would have no room at all.
  EXPECT_GE(dropped.bottom - list.top, 2 * (list.bottom - list.top));
  EXPECT_EQ(SendMessageA(program.Control(kQualityGauge), PBM_GETRANGE, FALSE, 0), 100);
  EXPECT_EQ(SendMessageA(program.Control(kQualityGauge), PBM_GETRANGE, TRUE, 0), 0);
  EXPECT_NE(SendMessageA(program.Control(kBannerImage), STM_GETIMAGE, IMAGE_BITMAP, 0), 0);
  EXPECT_NE(SendMessageA(program.Control(kGlobeImage), STM_GETIMAGE, IMAGE_BITMAP, 0), 0);
}

TEST_F(WindowTest, StoredSettingsFillTheFieldsWithoutCopyingThePreset) {
  RemoteProgram program(folder_, "");
  EXPECT_EQ(program.Text(kDownstreamMaxField), "2048");
  EXPECT_EQ(program.Text(kLoginField), "user1");
  EXPECT_EQ(program.Text(kDelayField), "45");
  EXPECT_EQ(program.Text(kAddressField), "http://127.0.0.1:1/adslstats.html");
  EXPECT_EQ(program.Text(kOutputFileField), folder_.File("out.csv"));
  EXPECT_EQ(SendMessageA(program.Control(kPresetList), CB_GETCOUNT, 0, 0), 2);
  EXPECT_EQ(SendMessageA(program.Control(kPresetList), CB_GETCURSEL, 0, 0), 1);
  EXPECT_EQ(program.StatusText(0), "\tStatut");
  int type = -1;
  EXPECT_EQ(program.StatusText(1, &type), "\tQualit\xe9");
  EXPECT_EQ(type, 0);
  const HWND status = GetDlgItem(program.Window(), 100);
  EXPECT_EQ(SendMessageA(status, SB_GETPARTS, 0, 0), 2);
}

// Only a pick copies a preset, the same entry again too; an empty pick empties nothing.
TEST_F(WindowTest, PresetsFillTheFields) {
  RemoteProgram program(folder_, "");
  program.SelectPreset(0);
  EXPECT_EQ(program.Text(kAddressField), "http://127.0.0.1:1/a");
  EXPECT_EQ(program.Text(kLoginField), "la");
  EXPECT_EQ(program.Text(kDownstreamMaxField), "1000");
  program.SetText(kAddressField, "typed");
  program.SelectPreset(0);
  EXPECT_EQ(program.Text(kAddressField), "http://127.0.0.1:1/a");
  program.SelectPreset(1);
  EXPECT_EQ(program.Text(kAddressField), "http://127.0.0.1:1/b");
  EXPECT_EQ(program.Text(kDownstreamMaxField), "2000");
  program.SelectPreset(-1);
  EXPECT_EQ(program.Text(kAddressField), "http://127.0.0.1:1/b");
  EXPECT_EQ(program.Text(kLoginField), "lb");
}

// The mended fault: opening the list, moving in it, Escape and focus changes wiped typed fields.
TEST_F(WindowTest, PresetListNotificationsWithoutAPickKeepTypedFields) {
  RemoteProgram program(folder_, "");
  for (int selected : {-1, 1}) {
    SendMessageA(program.Control(kPresetList), CB_SETCURSEL, static_cast<WPARAM>(selected), 0);
    program.SetText(kAddressField, "http://typed/");
    program.SetText(kLoginField, "typed login");
    for (WORD code :
         {CBN_SETFOCUS, CBN_DROPDOWN, CBN_SELCHANGE, CBN_SELENDCANCEL, CBN_CLOSEUP, CBN_KILLFOCUS})
      program.NotifyPresetList(code);
    EXPECT_EQ(program.Text(kAddressField), "http://typed/") << selected;
    EXPECT_EQ(program.Text(kLoginField), "typed login") << selected;
  }
}

TEST_F(WindowTest, StopShowsItsMessageBorderless) {
  RemoteProgram program(folder_, "");
  program.Click(kStopButton);
  int type = -1;
  EXPECT_EQ(program.StatusText(0, &type), "\tMonitoring stopped.");
  EXPECT_EQ(type, SBT_NOBORDERS);
}

TEST_F(WindowTest, StartOnAClosedPortShowsTheConnectionError) {
  RemoteProgram program(folder_, "");
  program.ClickAndWaitForPoll(kStartButton);
  int type = -1;
  EXPECT_EQ(program.StatusText(0, &type), "\tCONNECTION ERROR: check URL.");
  EXPECT_EQ(type, SBT_POPOUT);
  EXPECT_FALSE(FileExists(folder_.File("out.csv")));
  EXPECT_EQ(SendMessageA(program.Control(kQualityGauge), PBM_GETPOS, 0, 0), 0);
  program.Click(kStopButton);
  EXPECT_EQ(program.StatusText(0), "\tMonitoring stopped.");
}

TEST_F(WindowTest, RunAtStartupBoxWritesAndRemovesTheShortcut) {
  RemoteProgram program(folder_, "");
  const std::string shortcut = StartupShortcutPath();
  EXPECT_EQ(SendMessageA(program.Control(kRunAtStartupBox), BM_GETCHECK, 0, 0), BST_UNCHECKED);
  program.Click(kRunAtStartupBox);
  EXPECT_EQ(SendMessageA(program.Control(kRunAtStartupBox), BM_GETCHECK, 0, 0), BST_CHECKED);
  ASSERT_TRUE(FileExists(shortcut));

  CoInitialize(nullptr);
  IShellLinkA* link = nullptr;
  ASSERT_TRUE(SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER,
                                         IID_IShellLinkA, reinterpret_cast<void**>(&link))));
  IPersistFile* file = nullptr;
  link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file));
  WCHAR wide[MAX_PATH] = {};
  MultiByteToWideChar(CP_ACP, 0, shortcut.c_str(), -1, wide, MAX_PATH);
  ASSERT_TRUE(SUCCEEDED(file->Load(wide, STGM_READ)));
  char text[MAX_PATH] = {};
  link->GetArguments(text, MAX_PATH);
  EXPECT_STREQ(text, "-startup");
  link->GetDescription(text, MAX_PATH);
  EXPECT_STREQ(text, "Verdalin : the truth about your ADSL");
  link->GetPath(text, MAX_PATH, nullptr, 0);
  EXPECT_EQ(lstrcmpiA(text, folder_.Program().c_str()), 0) << text;
  int icon = -1;
  link->GetIconLocation(text, MAX_PATH, &icon);
  EXPECT_EQ(icon, 0);
  file->Release();
  link->Release();
  CoUninitialize();

  // Minimised, read from the link header (Wine's loader does not read the show command back).
  EXPECT_EQ(ReadTextFile(shortcut).substr(0x3c, 1), std::string(1, SW_SHOWMINNOACTIVE));

  program.Click(kRunAtStartupBox);
  EXPECT_FALSE(FileExists(shortcut));
}

TEST_F(WindowTest, ExistingShortcutTicksTheBoxAtStart) {
  WriteTextFile(StartupShortcutPath(), "not empty");
  {
    RemoteProgram program(folder_, "");
    EXPECT_EQ(SendMessageA(program.Control(kRunAtStartupBox), BM_GETCHECK, 0, 0), BST_CHECKED);
  }
  WriteTextFile(StartupShortcutPath(), "");
  RemoteProgram program(folder_, "");
  EXPECT_EQ(SendMessageA(program.Control(kRunAtStartupBox), BM_GETCHECK, 0, 0), BST_UNCHECKED);
}

TEST_F(WindowTest, MinimisingHidesIntoTheTrayAndDoubleClickRestores) {
  RemoteProgram program(folder_, "");
  EXPECT_TRUE(WaitUntil([&] { return program.PriorityClass() == NORMAL_PRIORITY_CLASS; }));
  PostMessageA(program.Window(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
  EXPECT_TRUE(WaitUntil([&] { return !program.Visible(); }));
  EXPECT_TRUE(WaitUntil([&] { return program.PriorityClass() == IDLE_PRIORITY_CLASS; }));
  program.TrayMouse(WM_LBUTTONDOWN);  // single clicks do nothing
  program.TrayMouse(WM_LBUTTONUP);
  program.Sync();
  EXPECT_FALSE(program.Visible());
  program.TrayMouse(WM_LBUTTONDBLCLK);
  EXPECT_TRUE(WaitUntil([&] { return program.Visible(); }));
  EXPECT_FALSE(IsIconic(program.Window()));
  EXPECT_TRUE(WaitUntil([&] { return program.PriorityClass() == NORMAL_PRIORITY_CLASS; }));
}

TEST_F(WindowTest, TrayMenuRestoresAndQuits) {
  RemoteProgram program(folder_, "");
  PostMessageA(program.Window(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
  ASSERT_TRUE(WaitUntil([&] { return !program.Visible(); }));
  program.TrayMouse(WM_RBUTTONDOWN);
  HWND menu = nullptr;
  ASSERT_TRUE(WaitUntil([&] { return (menu = FindPopupMenu(program.ProcessId())) != nullptr; }));
  // Down selects "Restore Window", the first item; Return chooses it.
  PostMessageA(menu, WM_KEYDOWN, VK_DOWN, 0);
  PostMessageA(menu, WM_KEYDOWN, VK_RETURN, 0);
  EXPECT_TRUE(WaitUntil([&] { return program.Visible(); }));
  EXPECT_TRUE(WaitUntil([&] { return program.PriorityClass() == NORMAL_PRIORITY_CLASS; }));

  program.TrayMouse(WM_RBUTTONDOWN);
  ASSERT_TRUE(WaitUntil([&] { return (menu = FindPopupMenu(program.ProcessId())) != nullptr; }));
  PostMessageA(menu, WM_KEYDOWN, VK_UP, 0);  // Up from nothing wraps to the last item, "Quit"
  PostMessageA(menu, WM_KEYDOWN, VK_RETURN, 0);
  EXPECT_EQ(program.WaitForExit(), 0u);
  EXPECT_EQ(IniValue(folder_.SettingsFile(), "Settings", "delay"), "45");
}

namespace {

// The tray's third item, "Settings…": the settings window.
HWND OpenSettings(const RemoteProgram& program) {
  program.TrayMouse(WM_RBUTTONDOWN);
  HWND menu = nullptr;
  HWND dialog = nullptr;
  if (!WaitUntil([&] { return (menu = FindPopupMenu(program.ProcessId())) != nullptr; }))
    return nullptr;
  for (WPARAM key : {VK_DOWN, VK_DOWN, VK_DOWN, VK_RETURN}) PostMessageA(menu, WM_KEYDOWN, key, 0);
  WaitUntil([&] { return (dialog = FindShownDialog(program.ProcessId())) != nullptr; });
  return dialog;
}

HWND SettingsInput(HWND dialog, std::string_view group, std::string_view key) {
  return GetDlgItem(dialog,
                    VERDALIN_FIELD_INPUT_BASE + static_cast<int>(SettingsForm::Find(group, key)));
}

// WM_GETTEXT: GetWindowText does not ask a control of another process for its text.
std::string WindowText(HWND window) {
  char text[256] = {};
  SendMessageA(window, WM_GETTEXT, sizeof(text), reinterpret_cast<LPARAM>(text));
  return text;
}

}  // namespace

// Enter on a bad value keeps the window with the message beside the field and writes nothing;
// Enter on good ones closes it and writes them; Escape closes it and writes nothing.
TEST_F(WindowTest, SettingsWindowRefusesABadValueAndStoresAGoodOne) {
  RemoteProgram program(folder_, "");
  HWND dialog = OpenSettings(program);
  ASSERT_NE(dialog, nullptr);
  HWND low = SettingsInput(dialog, "Alerts", "snr_low_db");
  SendMessageA(low, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("-3"));
  PostMessageA(low, WM_KEYDOWN, VK_RETURN, 0);
  HWND message =
      GetDlgItem(dialog, VERDALIN_FIELD_MESSAGE_BASE +
                             static_cast<int>(SettingsForm::Find("Alerts", "snr_low_db")));
  EXPECT_TRUE(WaitUntil([&] { return WindowText(message) == "a number of dB from 0 to 100"; }));
  EXPECT_TRUE(IsWindowVisible(dialog));
  EXPECT_EQ(IniValue(folder_.SettingsFile(), "Alerts", "snr_low_db"), "<missing>");

  SendMessageA(low, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("4.5"));
  SendMessageA(SettingsInput(dialog, "Settings", "language"), CB_SETCURSEL, 1, 0);
  PostMessageA(low, WM_KEYDOWN, VK_RETURN, 0);
  ASSERT_TRUE(WaitUntil([&] { return !IsWindow(dialog); }));
  EXPECT_EQ(IniValue(folder_.SettingsFile(), "Alerts", "snr_low_db"), "4.5");
  EXPECT_EQ(IniValue(folder_.SettingsFile(), "Settings", "language"), "en");
  EXPECT_EQ(IniValue(folder_.SettingsFile(), "Settings", "delay"), "45");

  dialog = OpenSettings(program);
  ASSERT_NE(dialog, nullptr);
  low = SettingsInput(dialog, "Alerts", "snr_low_db");
  EXPECT_EQ(WindowText(low), "4.5");
  SendMessageA(low, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("1"));
  PostMessageA(low, WM_KEYDOWN, VK_ESCAPE, 0);
  ASSERT_TRUE(WaitUntil([&] { return !IsWindow(dialog); }));
  EXPECT_EQ(IniValue(folder_.SettingsFile(), "Alerts", "snr_low_db"), "4.5");
}

TEST_F(WindowTest, TaskbarRestartAddsTheIconAgain) {
  RemoteProgram program(folder_, "");
  NOTIFYICONDATAA icon = {};
  icon.cbSize = sizeof(icon);
  icon.hWnd = program.Window();
  icon.uID = 0;
  EXPECT_TRUE(Shell_NotifyIconA(NIM_MODIFY, &icon));  // the program's icon exists
  Shell_NotifyIconA(NIM_DELETE, &icon);               // as if the shell had restarted
  EXPECT_FALSE(Shell_NotifyIconA(NIM_MODIFY, &icon));
  SendMessageA(program.Window(), RegisterWindowMessageA("TaskbarCreated"), 0, 0);
  EXPECT_TRUE(Shell_NotifyIconA(NIM_MODIFY, &icon));
}

TEST_F(WindowTest, CloseEndsTheProgramAndRemovesTheIcon) {
  RemoteProgram program(folder_, "");
  const HWND window = program.Window();
  PostMessageA(window, WM_CLOSE, 0, 0);
  EXPECT_EQ(program.WaitForExit(), 0u);
  NOTIFYICONDATAA icon = {};
  icon.cbSize = sizeof(icon);
  icon.hWnd = window;
  EXPECT_FALSE(Shell_NotifyIconA(NIM_MODIFY, &icon));
}

}  // namespace verdalin::driver
