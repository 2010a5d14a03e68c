// Drives verdalin.exe from another process: folders, process, window, controls, status bar, tray.
#include "remote_program.h"

#include <commctrl.h>
#include <shlobj.h>

#include <fstream>
#include <sstream>
#include <thread>
#include <vector>

#include "ui/control_ids.h"
#include "ui/control_table.h"
#include "win32/tray_area.h"

namespace verdalin::driver {

namespace {

constexpr char kMainWindowClass[] = "VerdalinMainWindow";
constexpr int kStatusBarId = 100;

struct WindowSearch {
  DWORD process_id;
  const char* window_class;
  HWND found;
};

BOOL CALLBACK MatchWindow(HWND window, LPARAM context) {
  auto* search = reinterpret_cast<WindowSearch*>(context);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  char name[64] = {};
  GetClassNameA(window, name, sizeof(name));
  if (owner != search->process_id || lstrcmpiA(name, search->window_class) != 0) return TRUE;
  search->found = window;
  return FALSE;
}

HWND FindProcessWindow(DWORD process_id, const char* window_class) {
  WindowSearch search{process_id, window_class, nullptr};
  EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

}  // namespace

void RemoveFolder(const std::string& folder) {
  WIN32_FIND_DATAA entry;
  const HANDLE find = FindFirstFileA((folder + "*").c_str(), &entry);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        DeleteFileA((folder + entry.cFileName).c_str());
    } while (FindNextFileA(find, &entry));
    FindClose(find);
  }
  RemoveDirectoryA(folder.c_str());
}

bool WaitUntil(const std::function<bool()>& done, milliseconds timeout) {
  const auto end = std::chrono::steady_clock::now() + timeout;
  while (!done()) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(milliseconds(20));
  }
  return true;
}

std::string WindowsPath(const std::string& path) {
  if (path.empty() || path[0] != '/') return path;
  std::string result = "Z:" + path;
  for (char& ch : result)
    if (ch == '/') ch = '\\';
  return result;
}

ProgramFolder::ProgramFolder() {
  char temp[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, temp);
  static int counter = 0;
  path_ = std::string(temp) + "verdalin-" + std::to_string(GetCurrentProcessId()) + "-" +
          std::to_string(++counter) + "\\";
  CreateDirectoryA(path_.c_str(), nullptr);
  CopyFileA(WindowsPath(VERDALIN_PROGRAM).c_str(), Program().c_str(), FALSE);
}

ProgramFolder::~ProgramFolder() {
  RemoveFolder(path_);
}

bool WriteTextFile(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
  return static_cast<bool>(out);
}

std::string ReadTextFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream contents;
  contents << in.rdbuf();
  return contents.str();
}

bool FileExists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string IniValue(const std::string& file, const std::string& group, const std::string& key,
                     const std::string& missing) {
  char value[1024] = {};
  GetPrivateProfileStringA(group.c_str(), key.c_str(), missing.c_str(), value, sizeof(value),
                           file.c_str());
  return value;
}

DWORD RunToEnd(const ProgramFolder& folder, const std::string& arguments, std::string* errors,
               milliseconds timeout) {
  SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
  const std::string error_file = folder.File("stderr.txt");
  const HANDLE error_output = CreateFileA(error_file.c_str(), GENERIC_WRITE, FILE_SHARE_READ,
                                          &inherit, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdError = error_output;
  PROCESS_INFORMATION process = {};
  std::string command = "\"" + folder.Program() + "\" " + arguments;
  DWORD code = STILL_ACTIVE;
  if (CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr,
                     folder.Path().c_str(), &startup, &process)) {
    WaitForSingleObject(process.hProcess, static_cast<DWORD>(timeout.count()));
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  }
  CloseHandle(error_output);
  if (errors != nullptr) *errors = ReadTextFile(error_file);
  return code;
}

RemoteProgram::RemoteProgram(const ProgramFolder& folder, const std::string& arguments)
    : RemoteProgram(folder.Program(), folder.SettingsFile(), arguments) {}

RemoteProgram::RemoteProgram(const std::string& program, const std::string& settings_file,
                             const std::string& arguments) {
  const std::string runs_before = IniValue(settings_file, "Statistics", "Runs");
  std::string command = "\"" + program + "\"" + (arguments.empty() ? "" : " " + arguments);
  STARTUPINFOA startup = {};
  startup.cb = sizeof(startup);
  if (!CreateProcessA(program.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &process_))
    return;
  WaitUntil([&] {
    window_ = FindProcessWindow(process_.dwProcessId, kMainWindowClass);
    return window_ != nullptr && IniValue(settings_file, "Statistics", "Runs") != runs_before;
  });
  // Messages sent before the loop may be handled inside the tray calls of the start-up; once the
  // run count is written, the next sent message waits for the loop.
  Sync();
}

RemoteProgram::~RemoteProgram() {
  if (process_.hProcess == nullptr) return;
  if (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT) {
    if (window_ != nullptr) PostMessageA(window_, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(process_.hProcess, 5000) == WAIT_TIMEOUT)
      TerminateProcess(process_.hProcess, 1);
  }
  CloseHandle(process_.hThread);
  CloseHandle(process_.hProcess);
}

void RemoteProgram::Sync() const {
  DWORD_PTR result = 0;
  if (window_ != nullptr) SendMessageTimeoutA(window_, WM_NULL, 0, 0, SMTO_NORMAL, 15000, &result);
}

std::string RemoteProgram::Text(int id) const {
  char text[4096] = {};
  SendMessageA(Control(id), WM_GETTEXT, sizeof(text), reinterpret_cast<LPARAM>(text));
  return text;
}

void RemoteProgram::SetText(int id, const std::string& text) const {
  SendMessageA(Control(id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

void RemoteProgram::Click(int id) const {
  SendMessageA(Control(id), BM_CLICK, 0, 0);
  Sync();
}

void RemoteProgram::SelectPreset(int position) const {
  SendMessageA(Control(kPresetList), CB_SETCURSEL, static_cast<WPARAM>(position), 0);
  NotifyPresetList(CBN_SELCHANGE);
  NotifyPresetList(CBN_SELENDOK);
}

void RemoteProgram::NotifyPresetList(WORD code) const {
  SendMessageA(window_, WM_COMMAND, MAKEWPARAM(kPresetList, code),
               reinterpret_cast<LPARAM>(Control(kPresetList)));
}

// SB_GETTEXTA does not carry its buffer across processes: the buffer lives in the program.
std::string RemoteProgram::StatusText(int field, int* type) const {
  const HWND status = GetDlgItem(window_, kStatusBarId);
  constexpr SIZE_T kSize = 4096;
  void* remote =
      VirtualAllocEx(process_.hProcess, nullptr, kSize, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
  if (status == nullptr || remote == nullptr) return "<no status bar>";
  std::vector<char> zeros(kSize, '\0');
  WriteProcessMemory(process_.hProcess, remote, zeros.data(), kSize, nullptr);
  const LRESULT result = SendMessageA(status, SB_GETTEXTA, static_cast<WPARAM>(field),
                                      reinterpret_cast<LPARAM>(remote));
  std::vector<char> text(kSize, '\0');
  ReadProcessMemory(process_.hProcess, remote, text.data(), kSize - 1, nullptr);
  VirtualFreeEx(process_.hProcess, remote, 0, MEM_RELEASE);
  if (type != nullptr) *type = HIWORD(result);
  return text.data();
}

void RemoteProgram::ClickAndWaitForPoll(int id) const {
  const HWND status = GetDlgItem(window_, kStatusBarId);
  void* remote =
      VirtualAllocEx(process_.hProcess, nullptr, 16, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
  if (status == nullptr || remote == nullptr) return;
  const char empty[16] = {};
  WriteProcessMemory(process_.hProcess, remote, empty, sizeof empty, nullptr);
  SendMessageA(status, SB_SETTEXTA, 0, reinterpret_cast<LPARAM>(remote));
  VirtualFreeEx(process_.hProcess, remote, 0, MEM_RELEASE);
  Click(id);
  WaitUntil([this] { return !StatusText(0).empty(); });
}

void RemoteProgram::TrayMouse(UINT mouse_message) const {
  PostMessageA(window_, kTrayCallbackMessage, kTrayIconId, mouse_message);
}

DWORD RemoteProgram::PriorityClass() const {
  return GetPriorityClass(process_.hProcess);
}

DWORD RemoteProgram::WaitForExit(milliseconds timeout) {
  WaitForSingleObject(process_.hProcess, static_cast<DWORD>(timeout.count()));
  DWORD code = STILL_ACTIVE;
  GetExitCodeProcess(process_.hProcess, &code);
  return code;
}

HWND FindPopupMenu(DWORD process_id) {
  const HWND menu = FindProcessWindow(process_id, "#32768");
  return menu != nullptr && IsWindowVisible(menu) ? menu : nullptr;
}

HWND FindShownDialog(DWORD process_id) {
  const HWND dialog = FindProcessWindow(process_id, "#32770");
  return dialog != nullptr && IsWindowVisible(dialog) ? dialog : nullptr;
}

std::string StartupShortcutPath() {
  LPITEMIDLIST item = nullptr;
  char folder[MAX_PATH] = {};
  if (SUCCEEDED(SHGetSpecialFolderLocation(nullptr, CSIDL_STARTUP, &item))) {
    SHGetPathFromIDListA(item, folder);
    CoTaskMemFree(item);
  }
  return std::string(folder) + "\\Verdalin.lnk";
}

}  // namespace verdalin::driver
