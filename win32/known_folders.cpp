// Special folders on Windows: SHGetSpecialFolderLocation and SHGetPathFromIDListA.
#include <windows.h>

#include <shlobj.h>

#include <string>

#include "text/file_system.h"
#include "text/text_ops.h"
#include "win32/shell_services.h"

namespace verdalin {

std::string SpecialFolderPath(int csidl) {
  LPITEMIDLIST item = nullptr;
  if (FAILED(SHGetSpecialFolderLocation(nullptr, csidl, &item)) || item == nullptr) return {};
  char path[MAX_PATH + 1] = {};
  const BOOL found = SHGetPathFromIDListA(item, path);
  CoTaskMemFree(item);
  if (!found) return {};
  std::string result = TrimBlanks(path);
  // Wine gives some folders (the documents folder) with a trailing backslash.
  while (result.size() > 3 && result.back() == '\\') result.pop_back();
  return result;
}

std::string SpecialFolderPath(SpecialFolder folder) {
  return SpecialFolderPath(folder == SpecialFolder::kStartup ? kCsidlStartup : kCsidlPersonal);
}

std::string ExecutablePath() {
  char path[kMaxPathLength + 1] = {};
  const DWORD length = GetModuleFileNameA(nullptr, path, static_cast<DWORD>(kMaxPathLength));
  if (length == 0 || length >= kMaxPathLength) return {};
  return std::string(path, length);
}

}  // namespace verdalin
